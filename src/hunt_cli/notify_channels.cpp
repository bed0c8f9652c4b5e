#include "hunt_cli/notify_channels.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "hunt/notify/secret_mask.h"

namespace qorvex::hunt_cli {
namespace {

namespace notify = qorvex::hunt::notify;

struct SourcedUrl {
    std::string url;
    std::string source;  // "--notify 2", "FILE line 7"
};

std::optional<std::string> read_url_file(const std::string& path, std::vector<SourcedUrl>& urls) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return "cannot read " + path;
    }
    if ((status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
        return path +
               " is readable by other users and may hold secrets; make it private "
               "first: chmod 600 " +
               path;
    }
    std::ifstream in(path);
    if (!in) {
        return "cannot read " + path;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const auto begin = line.find_first_not_of(" \t\r");
        if (begin == std::string::npos || line[begin] == '#') {
            continue;
        }
        const auto end = line.find_last_not_of(" \t\r");
        urls.push_back(
            {line.substr(begin, end - begin + 1), path + " line " + std::to_string(number)});
    }
    return std::nullopt;
}

}  // namespace

std::variant<std::vector<NamedChannel>, std::vector<std::string>> read_channels(
    const std::vector<std::string>& urls, const std::optional<std::string>& file) {
    std::vector<SourcedUrl> sourced;
    for (std::size_t i = 0; i < urls.size(); ++i) {
        sourced.push_back({urls[i], "--notify " + std::to_string(i + 1)});
    }
    if (file) {
        if (auto refusal = read_url_file(*file, sourced)) {
            return std::vector<std::string>{*refusal};
        }
    }
    std::vector<NamedChannel> channels;
    std::vector<std::string> refusals;
    for (const auto& url : sourced) {
        std::set<std::string> from_environment;
        const notify::Environment environment =
            [&from_environment](std::string_view name) -> std::optional<std::string> {
            const char* value = std::getenv(std::string(name).c_str());
            if (value == nullptr) {
                return std::nullopt;
            }
            from_environment.insert(value);
            return std::string(value);
        };
        auto parsed = notify::parse_channel(url.url, environment);
        if (!parsed.channel) {
            refusals.push_back(url.source + ": " + parsed.error);
            continue;
        }
        auto secrets = notify::channel_secrets(*parsed.channel, from_environment);
        channels.push_back({std::move(*parsed.channel), std::move(secrets)});
    }
    if (!refusals.empty()) {
        return refusals;
    }
    return channels;
}

}  // namespace qorvex::hunt_cli
