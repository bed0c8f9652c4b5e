#include "hunt_notify_send/receivers.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace qorvex::notify_test {
namespace {

constexpr const char* kFolder = QORVEX_SOURCE_DIR "/tests/hunt_notify_send/";
// Debian's interpreter, which sees python3-aiosmtpd wherever PATH leads.
constexpr const char* kSystemPython = "/usr/bin/python3";
constexpr auto kStartTimeout = std::chrono::seconds(30);

}  // namespace

Receiver::Receiver(const std::vector<std::string>& argv)
    : m_process(
          std::make_unique<test_support::ChildProcess>(argv, test_support::StopBy::ClosingInput)) {
    const auto ready = m_process->read_line(kStartTimeout);
    if (!ready || !ready->starts_with("port ")) {
        throw std::runtime_error("the receiver " + argv[1] + " did not report its port");
    }
    m_port = std::atoi(ready->c_str() + 5);
}

nlohmann::json Receiver::next(std::chrono::milliseconds timeout) {
    const auto line = m_process->read_line(timeout);
    if (!line) {
        return nullptr;
    }
    const auto space = line->find(' ');
    return nlohmann::json::parse(line->substr(space + 1), nullptr, false);
}

HttpReceiver::HttpReceiver(const std::string& answer, const std::string& secret)
    : Receiver({kSystemPython, std::string(kFolder) + "notify_receiver.py", "--answer", answer,
                "--secret", secret}) {}

namespace {

std::string made_temp_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qorvex-mail-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a folder for the mail receiver");
    }
    return pattern;
}

std::vector<std::string> mail_argv(const std::string& dir, const std::string& tls,
                                   bool refuse_recipients) {
    std::vector<std::string> argv = {
        kSystemPython, std::string(kFolder) + "mail_receiver.py", "--dir", dir, "--tls", tls};
    if (refuse_recipients) {
        argv.emplace_back("--refuse-rcpt");
    }
    return argv;
}

}  // namespace

MailReceiver::MailReceiver(const std::string& tls, bool refuse_recipients)
    : MailReceiver(made_temp_dir(), tls, refuse_recipients) {}

MailReceiver::MailReceiver(std::string dir, const std::string& tls, bool refuse_recipients)
    : Receiver(mail_argv(dir, tls, refuse_recipients)), m_dir(std::move(dir)) {}

MailReceiver::~MailReceiver() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

}  // namespace qorvex::notify_test
