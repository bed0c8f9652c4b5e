#include "hunt/local_hunters/local_hunters.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>

namespace qorvex::hunt {

namespace {

std::string host_name() {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return host;
}

}  // namespace

std::string this_hunter_id() {
    return host_name() + ":" + std::to_string(getpid());
}

bool hunter_gone(std::string_view hunter) {
    const std::size_t colon = hunter.rfind(':');
    if (colon == std::string_view::npos || hunter.substr(0, colon) != host_name()) {
        return false;
    }
    pid_t pid = 0;
    const char* end = hunter.data() + hunter.size();
    const auto [after, error] = std::from_chars(hunter.data() + colon + 1, end, pid);
    return error == std::errc() && after == end && pid > 0 && kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace qorvex::hunt
