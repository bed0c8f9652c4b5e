#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "hunt/class_names.h"
#include "hunt_cli/hunt_view.h"
#include "hunt_cli/status_layout.h"
#include "hunt_cli/status_text.h"

namespace qorvex::hunt_cli {

namespace {

// ANSI control sequences of the live block.
constexpr std::string_view kEraseBelow = "\x1b[J";
// Rows are fitted to the width; a field wider than the whole terminal is
// cut, not wrapped, so that the rows drawn are the rows counted.
constexpr std::string_view kWrapOff = "\x1b[?7l";
constexpr std::string_view kWrapOn = "\x1b[?7h";
// When the terminal does not say.
constexpr int kDefaultColumns = 80;
constexpr int kDefaultRows = 24;
constexpr std::string_view kHitColour = "\x1b[1;33m";
constexpr std::string_view kNewColour = "\x1b[32m";
constexpr std::string_view kColourOff = "\x1b[0m";
constexpr std::string_view kBell = "\a";

// The status block at the bottom, redrawn in place; new numbers and events
// are printed above it, each once.
class TerminalView final : public HuntView {
public:
    TerminalView(std::FILE* out, bool colour) : m_out(out), m_colour(colour) {}

    void cycle(const CycleEvent& event, const TargetLine& line) override {
        std::string text = new_lines(event.fresh);
        if (event.outcome == hunt::CycleOutcome::Empty) {
            text += line.label + ": empty reply\n";
        }
        above(text);
    }

    void late(const TargetLine& /*line*/, const std::vector<hunt::NewNumber>& fresh) override {
        above(new_lines(fresh));
    }

    void hit(hunt::TimeMs /*time*/, const std::string& target,
             const hunt::NewNumber& hit) override {
        above(std::string(kBell) +
              paint(kHitColour, "HIT " + std::to_string(hit.number) + "  " +
                                    hunt::class_list(hit.classes) + "  " + target) +
              "\n");
    }

    void backoff(const std::string& target, hunt::CycleOutcome outcome, const std::string& error,
                 hunt::TimeMs rest_ms) override {
        above(target + ": " +
              (outcome == hunt::CycleOutcome::RateLimited ? "rate limited" : error) +
              ", next try in " + seconds_text(rest_ms) + "\n");
    }

    void ended(const TargetLine& line, const std::string& why) override {
        std::string text;
        for (const auto& row : wrap_words(line.label + " ended: " + why, columns())) {
            text += row + "\n";
        }
        above(text);
    }

    bool shows_status() const override { return true; }

    void status(const std::vector<TargetLine>& lines, const std::string& note) override {
        // The size is asked at every redraw (a few times a second), so the
        // block follows a resize without a signal handler.
        const Size size = terminal_size();
        std::vector<std::string> rows;
        for (const auto& line : lines) {
            for (auto& row : fit_fields(target_fields(line), size.columns)) {
                rows.push_back(std::move(row));
            }
        }
        // A block taller than the terminal could not be moved back over:
        // then each target gets its first row only, and what does not fit
        // is counted.
        const std::string outbox = outbox_text(m_outbox);
        const int room =
            std::max(size.rows - 1 - (note.empty() ? 0 : 1) - (outbox.empty() ? 0 : 1), 1);
        if (int(rows.size()) > room) {
            rows.clear();
            for (const auto& line : lines) {
                rows.push_back(fit_fields(target_fields(line), size.columns).front());
            }
            if (int(rows.size()) > room) {
                const std::size_t shown = std::size_t(std::max(room - 1, 0));
                const std::size_t hidden = rows.size() - shown;
                rows.resize(shown);
                rows.push_back("(" + std::to_string(hidden) +
                               " more targets; a taller terminal shows them)");
            }
        }
        m_block.clear();
        for (const auto& row : rows) {
            m_block += row + "\n";
        }
        if (!note.empty()) {
            m_block += note + "\n";
        }
        if (!outbox.empty()) {
            m_block += fit_fields({outbox}, size.columns).front() + "\n";
        }
        redraw({});
    }

    void outbox(const OutboxTotals& totals) override { m_outbox = totals; }

    void notify_failed(const NotifyFailure& failure) override {
        std::string text;
        for (const auto& row : wrap_words(notify_failure_text(failure), columns())) {
            text += row + "\n";
        }
        above(text);
    }

    // Standard error may be the same terminal: the block goes before the
    // line is written and comes back below it.
    void message(const std::string& text) override {
        const std::string block = std::move(m_block);
        redraw({});
        HuntView::message(text);
        m_block = block;
        redraw({});
    }

    void summary(const std::vector<TargetLine>& lines, std::string_view reason) override {
        std::string text = "hunt ended (" + std::string(reason) + ")\n";
        const int width = columns();
        for (const auto& line : lines) {
            for (const auto& row : fit_fields(target_fields(line, false), width - 2)) {
                text += "  " + row + "\n";
            }
        }
        m_block.clear();
        above(text);
    }

private:
    // Each new number once; hits are left to hit(), which highlights them.
    std::string new_lines(const std::vector<hunt::NewNumber>& fresh) const {
        std::string text;
        for (const auto& number : fresh) {
            if (!number.hit) {
                text += paint(kNewColour, "+ " + std::to_string(number.number)) + "  " +
                        hunt::class_list(number.classes) + "\n";
            }
        }
        return text;
    }

    std::string paint(std::string_view colour, const std::string& text) const {
        return m_colour ? std::string(colour) + text + std::string(kColourOff) : text;
    }

    struct Size {
        int columns = kDefaultColumns;
        int rows = kDefaultRows;
    };

    Size terminal_size() const {
        winsize size{};
        if (ioctl(fileno(m_out), TIOCGWINSZ, &size) != 0) {
            return {};
        }
        return {size.ws_col > 0 ? int(size.ws_col) : kDefaultColumns,
                size.ws_row > 0 ? int(size.ws_row) : kDefaultRows};
    }

    int columns() const { return terminal_size().columns; }

    void above(const std::string& text) {
        if (!text.empty()) {
            redraw(text);
        }
    }

    // Moves up over the block drawn last, erases it, prints `text`, draws the block.
    void redraw(const std::string& text) {
        std::string out;
        if (m_drawn_rows > 0) {
            out += "\x1b[" + std::to_string(m_drawn_rows) + "F";
        }
        out += kEraseBelow;
        out += text;
        out += kWrapOff;
        out += m_block;
        out += kWrapOn;
        m_drawn_rows = 0;
        for (const char c : m_block) {
            m_drawn_rows += c == '\n' ? 1 : 0;
        }
        write_out(m_out, out);
    }

    std::FILE* m_out;
    bool m_colour;
    std::string m_block;
    int m_drawn_rows = 0;
    OutboxTotals m_outbox;
};

}  // namespace

std::unique_ptr<HuntView> make_terminal_view(std::FILE* out, bool colour) {
    return std::make_unique<TerminalView>(out, colour);
}

}  // namespace qorvex::hunt_cli
