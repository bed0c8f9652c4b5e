#pragma once

// The platform services a run of the program needs, passed in rather than
// reached through globals: the Linux program hands in PCRE2 and libcurl, the
// tests hand in the same or fakes, a Windows build its own.

namespace qorvex::rx {
class RegexEngine;  // regex/regex_engine.h
}
namespace qorvex::web {
class HttpTransport;   // web/http_transport.h: the exchange behind web_access
class FetchTransport;  // web/fetch_transport.h: the exchange behind wininet_fetch
class Clock;           // web/clock.h: the local wall clock
}  // namespace qorvex::web

namespace qorvex::app {

struct Deployment {
    const char* carrier_host = "";   // host[:port] of the number-selection service
    const char* download_host = "";  // empty: no update check
    const char* release_host = "";
    const char* ca_file = "";        // extra CA file trusted by the update fetch
};

struct Services {
    rx::RegexEngine& regex;
    web::HttpTransport& http;
    web::FetchTransport& fetch;
    web::Clock& clock;
    Deployment deployment;
};

}  // namespace qorvex::app
