#include "hunt_cli/hunt_view.h"

#include <unistd.h>

#include <cstdlib>

#include "hunt_cli/stop_signals.h"

namespace qorvex::hunt_cli {

ViewChoice choose_view(bool json) {
    ViewChoice choice;
    choice.json = json;
    choice.terminal = !json && isatty(STDOUT_FILENO) == 1;
    const char* no_colour = std::getenv("NO_COLOR");
    choice.colour = choice.terminal && (no_colour == nullptr || *no_colour == '\0');
    return choice;
}

std::unique_ptr<HuntView> make_view(const ViewChoice& choice, std::FILE* out) {
    if (choice.json) {
        return make_json_view(out);
    }
    if (choice.terminal) {
        return make_terminal_view(out, choice.colour);
    }
    return make_plain_view(out);
}

void HuntView::message(const std::string& text) {
    report_error(text);
}

void report_error(const std::string& text) {
    std::fprintf(stderr, "qorvex-hunt: %s\n", text.c_str());
}

void write_out(std::FILE* out, std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
        request_stop();
    }
}

}  // namespace qorvex::hunt_cli
