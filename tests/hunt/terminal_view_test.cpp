#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hunt_cli/hunt_view.h"
#include "hunt_cli/status_layout.h"

namespace qorvex::hunt_cli {
namespace {

// The rows a terminal shows after `text`, for the few control sequences the
// live block uses: move up to a row's start, erase below, colours and wrap.
std::vector<std::string> screen(const std::string& text) {
    std::vector<std::string> rows(1);
    std::size_t row = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\x1b' && i + 1 < text.size() && text[i + 1] == '[') {
            std::size_t end = i + 2;
            while (end < text.size() && !(text[end] >= '@' && text[end] <= '~')) {
                ++end;
            }
            const std::string argument = text.substr(i + 2, end - i - 2);
            if (text[end] == 'F') {
                row -= std::min<std::size_t>(row, std::stoul(argument));
            } else if (text[end] == 'J') {
                rows.resize(row + 1);
                rows[row].clear();
            }
            i = end;
        } else if (text[i] == '\n') {
            ++row;
            rows.resize(std::max(rows.size(), row + 1));
        } else if (text[i] != '\a') {
            rows[row] += text[i];
        }
    }
    if (rows.back().empty()) {
        rows.pop_back();
    }
    return rows;
}

// Standard output and standard error on one terminal: both written, in
// order, to one file.
class SharedTerminal {
public:
    SharedTerminal() : m_file(std::tmpfile()), m_saved_err(dup(STDERR_FILENO)) {
        dup2(fileno(m_file), STDERR_FILENO);
    }
    ~SharedTerminal() {
        dup2(m_saved_err, STDERR_FILENO);
        close(m_saved_err);
        std::fclose(m_file);
    }
    SharedTerminal(const SharedTerminal&) = delete;
    SharedTerminal& operator=(const SharedTerminal&) = delete;

    std::FILE* out() const { return m_file; }
    std::string text() const {
        std::fflush(m_file);
        std::string all;
        std::rewind(m_file);
        for (int c = std::fgetc(m_file); c != EOF; c = std::fgetc(m_file)) {
            all += char(c);
        }
        return all;
    }

private:
    std::FILE* m_file;
    int m_saved_err;
};

// A target with no cycles yet, due in a second.
TargetLine fresh_target(const hunt::TargetProgress& progress) {
    TargetLine line;
    line.label = "Tavikmax/广东/深圳";
    line.progress = &progress;
    line.next_in_ms = 1000;
    return line;
}

TEST(TerminalView, MessagesStayAboveTheBlockThroughLaterRedraws) {
    SharedTerminal terminal;
    auto view = make_terminal_view(terminal.out(), false);
    const hunt::TargetProgress progress({}, 0);
    const TargetLine line = fresh_target(progress);
    view->status({line}, "");
    view->message("hook for 13800138000 failed with exit status 3");
    view->status({line}, "");
    view->status({line}, "");
    const auto rows = screen(terminal.text());
    // The message, then one copy of the target's two-row block.
    ASSERT_EQ(rows.size(), 3U) << terminal.text();
    EXPECT_EQ(rows[0], "qorvex-hunt: hook for 13800138000 failed with exit status 3");
    EXPECT_EQ(rows[1].rfind(line.label, 0), 0U) << rows[1];
    EXPECT_EQ(rows[2].find(line.label), std::string::npos) << rows[2];
}

TEST(TerminalView, TheOutboxRowAndAFailureFitTheWidthAndTheRowGoesWhenEmpty) {
    SharedTerminal terminal;
    auto view = make_terminal_view(terminal.out(), false);
    const hunt::TargetProgress progress({}, 0);
    const TargetLine line = fresh_target(progress);
    view->outbox({3, 1});
    view->status({line}, "");
    view->notify_failed({0,
                         "json://127.0.0.1:9/hook?+Authorization={env:HOOK_TOKEN}",
                         {13888881234, 13900001111},
                         "webhook answered HTTP 403: forbidden",
                         "qorvex-hunt notify-retry --db /home/hunter/hunts/hunt.db"});
    auto rows = screen(terminal.text());
    ASSERT_GE(rows.size(), 4U) << terminal.text();
    EXPECT_EQ(rows.front().rfind("notify: json://127.0.0.1:9/hook", 0), 0U) << rows.front();
    EXPECT_EQ(rows.back(), "outbox: 3 messages waiting, 1 failed");
    for (const auto& row : rows) {
        EXPECT_LE(display_width(row), 80) << row;  // a file is not a terminal: 80 columns
    }
    view->outbox({0, 1});
    view->status({line}, "");
    EXPECT_EQ(screen(terminal.text()).back(), "outbox: 0 messages waiting, 1 failed");
    view->outbox({});
    view->status({line}, "");
    EXPECT_EQ(screen(terminal.text()).back().find("outbox"), std::string::npos);
}

}  // namespace
}  // namespace qorvex::hunt_cli
