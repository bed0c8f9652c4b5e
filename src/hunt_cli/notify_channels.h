#pragma once

// The channels a command names with --notify URL (repeatable) and
// --notify-file FILE (one URL a line, "#" comments and blank lines skipped;
// refused when others may read it, as it holds secrets), each with the
// secrets to mask wherever its answers are printed or stored.

#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "hunt/notify/channel.h"

namespace qorvex::hunt_cli {

struct NamedChannel {
    hunt::notify::Channel channel;
    std::set<std::string> secrets;
};

// The channels, or why they cannot be read: each refusal names the option
// or the file's line, and never holds a secret.
std::variant<std::vector<NamedChannel>, std::vector<std::string>> read_channels(
    const std::vector<std::string>& urls, const std::optional<std::string>& file);

}  // namespace qorvex::hunt_cli
