#pragma once

// The local stand-ins the senders' tests talk to, each a Python child on a
// free loopback port: notify_receiver.py for the HTTP push services and
// mail_receiver.py (Debian's aiosmtpd) for e-mail. Each records what it got
// as one JSON object a line; they stop with the object.

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace qorvex::notify_test {

class Receiver {
public:
    int port() const { return m_port; }
    std::string base_url() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    // The next record it printed; null when none came within `timeout`.
    nlohmann::json next(std::chrono::milliseconds timeout = std::chrono::seconds(5));

protected:
    explicit Receiver(const std::vector<std::string>& argv);

private:
    std::unique_ptr<test_support::ChildProcess> m_process;
    int m_port = 0;
};

// --answer: ok, 500, 429, body-error, refuse, reset or stall (see the script).
class HttpReceiver : public Receiver {
public:
    explicit HttpReceiver(const std::string& answer = "ok", const std::string& secret = "");
};

// --tls: starttls, implicit or none.
class MailReceiver : public Receiver {
public:
    explicit MailReceiver(const std::string& tls, bool refuse_recipients = false);
    ~MailReceiver();
    MailReceiver(const MailReceiver&) = delete;
    MailReceiver& operator=(const MailReceiver&) = delete;
    std::string certificate_path() const { return m_dir + "/cert.pem"; }

private:
    MailReceiver(std::string dir, const std::string& tls, bool refuse_recipients);
    std::string m_dir;
};

}  // namespace qorvex::notify_test
