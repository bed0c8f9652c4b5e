#include "hunt_cli/serve_command.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "hunt/notify/hit_message.h"
#include "hunt_cli/exit_codes.h"
#include "hunt_cli/stop_signals.h"
#include "hunt_cli/store_factory.h"
#include "regex/platform_engine.h"

namespace qorvex::hunt_cli {

namespace {

constexpr std::string_view kTokenVariable = "QORVEX_SERVE_TOKEN";
constexpr std::chrono::milliseconds kTick{100};

// The token from its file, which only its owner may read, or else from the
// environment; none when neither gives one.
std::optional<std::string> read_token(const std::optional<std::string>& file) {
    std::string token;
    if (file) {
        struct stat status {};
        if (::stat(file->c_str(), &status) != 0) {
            throw hunt_serve::ServeError(*file + ": cannot read the token file");
        }
        if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
            throw hunt_serve::ServeError(*file +
                                         ": others may read the token file; chmod 600 it first");
        }
        std::ifstream in(*file);
        std::getline(in, token);
        if (!in && !in.eof()) {
            throw hunt_serve::ServeError(*file + ": cannot read the token file");
        }
    } else if (const char* value = std::getenv(kTokenVariable.data())) {
        token = value;
    } else {
        return std::nullopt;
    }
    while (!token.empty() && (token.back() == '\r' || token.back() == ' ')) {
        token.pop_back();
    }
    if (token.empty()) {
        throw hunt_serve::ServeError("the token is empty");
    }
    return token;
}

}  // namespace

std::unique_ptr<hunt_serve::ApiServer> make_server(const ServeOptions& options,
                                                   rx::RegexEngine& engine) {
    const auto address = hunt_serve::parse_listen_address(options.listen);
    if (!address) {
        throw hunt_serve::ServeError("--listen wants HOST:PORT, e.g. 127.0.0.1:8080, not \"" +
                                     options.listen + "\"");
    }
    hunt_serve::ServeSettings settings;
    settings.address = *address;
    settings.requests_per_minute = options.client_rate;
    settings.token = read_token(options.token_file);
    settings.application_page =
        hunt::notify::message_style(hunt::notify::Language::Chinese, 0, options.host)
            .application_page;
    return std::make_unique<hunt_serve::ApiServer>(open_history_reader(options.db), engine,
                                                   std::move(settings));
}

ServerBesideHunt::ServerBesideHunt(const ServeOptions& options)
    : m_engine(rx::make_platform_engine()), m_server(make_server(options, *m_engine)) {
    m_server->start();
}

ServerBesideHunt::~ServerBesideHunt() {
    m_server->stop();
}

int run_serve(const ServeOptions& options) {
    try {
        const auto engine = rx::make_platform_engine();
        auto server = make_server(options, *engine);
        server->start();
        // Not the --db text: a server URI may hold a password.
        std::fprintf(stderr, "qorvex-hunt: serving the history on port %d; Ctrl-C stops\n",
                     server->port());
        install_stop_signals();
        while (!stop_requested()) {
            std::this_thread::sleep_for(kTick);
        }
        server->stop();
        return kExitOk;
    } catch (const hunt::StoreError& error) {
        std::fprintf(stderr, "qorvex-hunt: %s\n", error.what());
        return kExitFailure;
    } catch (const hunt_serve::ServeError& error) {
        std::fprintf(stderr, "qorvex-hunt: %s\n", error.what());
        return kExitUsage;
    }
}

}  // namespace qorvex::hunt_cli
