#pragma once

// A channel URL taken apart: scheme, user and password, host and port, path
// segments and query parameters, each percent-decoded but with its
// environment references ("{env:NAME}") still in place, so that the same
// parts can be printed masked or filled in for sending. Filling in happens
// after the split, so a secret that holds "/", "@" or "?" cannot change the
// URL's shape.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qorvex::hunt::notify {

// The value of an environment variable, or none when it is not set; passed
// in so that the library reads no environment itself.
using Environment = std::function<std::optional<std::string>(std::string_view name)>;

struct UrlParts {
    std::string scheme;     // lower case
    std::string authority;  // as written, before the split into the parts below
    std::string user;
    std::string password;
    bool has_password = false;
    std::string host;
    std::string port;               // digits as written, or empty
    std::vector<std::string> path;  // non-empty segments
    std::vector<std::pair<std::string, std::string>> query;
};

struct UrlSplit {
    std::optional<UrlParts> parts;
    std::string error;
};

UrlSplit split_url(std::string_view url);

// True when `text` is exactly one environment reference, "{env:NAME}".
bool is_env_reference(std::string_view text);

struct Filled {
    std::optional<std::string> text;
    std::string error;
};

// Replaces every "{env:NAME}" in `text` by the variable's value. An unset or
// empty variable, or a reference that is not closed, is an error naming it.
Filled fill_env(std::string_view text, const Environment& environment);

// Percent-encodes everything but RFC 3986's unreserved characters.
std::string percent_encode(std::string_view text);

}  // namespace qorvex::hunt::notify
