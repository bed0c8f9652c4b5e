#pragma once

// `qorvex-hunt serve`: the web page, JSON API and metrics over a history,
// read-only, until Ctrl-C or SIGTERM. Also what `scan --serve` starts
// beside a hunt.

#include <memory>
#include <optional>
#include <string>

#include "hunt_serve/api_server.h"
#include "regex/regex_engine.h"

namespace qorvex::hunt_cli {

struct ServeOptions {
    std::string db;
    std::string listen = "127.0.0.1:8080";
    std::optional<std::string> token_file;
    std::string host;  // the carrier host, for the hits' application link
    int client_rate = hunt_serve::ServeSettings{}.requests_per_minute;
};

// The server for `options` over its own read-only connection to the
// history, not yet started. Throws hunt::StoreError or
// hunt_serve::ServeError with a message for the user.
std::unique_ptr<hunt_serve::ApiServer> make_server(const ServeOptions& options,
                                                   rx::RegexEngine& engine);

int run_serve(const ServeOptions& options);

// The server a hunt runs beside itself (scan --serve): its own regex engine,
// its own read connection and its own threads, started at once.
class ServerBesideHunt {
public:
    explicit ServerBesideHunt(const ServeOptions& options);
    ~ServerBesideHunt();
    ServerBesideHunt(const ServerBesideHunt&) = delete;
    ServerBesideHunt& operator=(const ServerBesideHunt&) = delete;

    int port() const { return m_server->port(); }

private:
    std::unique_ptr<rx::RegexEngine> m_engine;
    std::unique_ptr<hunt_serve::ApiServer> m_server;
};

}  // namespace qorvex::hunt_cli
