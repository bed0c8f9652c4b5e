// Times what the scan costs the user-interface thread of the Windows program,
// the same cases as bench_scan on the Qt window: one cycle's local work for a
// 200-number reply on the real main window, one cycle's listing appended to
// 编辑框1 (and the repaint) when it holds a day's and a week's numbers, a page
// of the box scrolled and repainted, the number lookup over its lines and the
// process's memory; and the time from process start to the first painted
// main window. Google Benchmark is not built for MinGW, so this is a plain
// timing program; run it under Wine with scripts/wine-run.
//
//   win32_volume_timing [lines [fill-budget-seconds]]   volume cases, default a week
//   win32_volume_timing startup [runs]                   start-up only
//   win32_volume_timing richedit [lines [fill-budget-seconds]]
//                                                        the rich edit control instead

#include <windows.h>
// The process status header builds on <windows.h>.
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/built_program.h"
#include "app/main_window_form.h"
#include "regex/vbscript/vbscript_engine.h"
#include "runtime/headless/headless_runtime.h"
#include "runtime/win32/win32_form.h"
#include "runtime/win32/win32_runtime.h"
#include "scan/number_lookup.h"
#include "scan/pipeline.h"
#include "support/pool_numbers.h"
#include "win32/com_apartment.h"
#include "win32/rich_edit_timing.h"

namespace {

using Clock = std::chrono::steady_clock;
using qorvex::runtime::Form;

constexpr std::size_t kFillChunkLines = 50'000;
// Few enough that 编辑框1 stays small while the cycles are timed.
constexpr int kCycles = 50;
constexpr int kAppends = 20;
constexpr int kPages = 20;
constexpr int kStartupRuns = 10;
constexpr double kBytesPerMebibyte = 1024.0 * 1024.0;

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

void report_memory(const char* when) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    std::printf("memory %s: working set %.0f MiB, peak %.0f MiB, committed %.0f MiB\n", when,
                static_cast<double>(counters.WorkingSetSize) / kBytesPerMebibyte,
                static_cast<double>(counters.PeakWorkingSetSize) / kBytesPerMebibyte,
                static_cast<double>(counters.PagefileUsage) / kBytesPerMebibyte);
    std::fflush(stdout);
}

HWND control_of(Form& window, std::string_view name) {
    return dynamic_cast<qorvex::runtime::Win32Form&>(window).control(name);
}

// One cycle's work on the main window of `runtime`, over and over.
void time_cycles(const char* what, qorvex::runtime::Runtime& runtime,
                 qorvex::rx::RegexEngine& regex) {
    const std::shared_ptr<Form> window = runtime.create_window(qorvex::app::main_window_form(), {},
                                                               qorvex::runtime::WindowMode::Normal);
    std::mt19937 rng(7);
    const std::string reply = qorvex::bench::pool_reply(rng);
    const auto choices = qorvex::scan::read_pipeline_choices(*window);
    const Clock::time_point start = Clock::now();
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        qorvex::scan::run_pipeline(*window, regex, reply, choices);
    }
    std::printf("cycle %s, 200 numbers: %.2f ms (mean of %d)\n", what,
                milliseconds_since(start) / kCycles, kCycles);
    std::fflush(stdout);
    window->destroy();
}

// Fills 编辑框1 up to `lines` in chunks; false when the budget ran out first.
bool fill(qorvex::runtime::Win32Runtime& runtime, Form& window, std::size_t& filled,
          std::size_t lines, Clock::time_point deadline) {
    static std::mt19937 rng(20190423);
    while (filled < lines) {
        if (Clock::now() > deadline) {
            return false;
        }
        const Clock::time_point start = Clock::now();
        window.append_text(qorvex::scan::kAllNumbersBox,
                           qorvex::bench::listing_of(rng, kFillChunkLines));
        runtime.process_pending();
        filled += kFillChunkLines;
        if (filled % 500'000 == 0) {
            std::fprintf(stderr, "filled %zu lines, last chunk %.0f ms\n", filled,
                         milliseconds_since(start));
        }
    }
    return true;
}

void time_volume(qorvex::runtime::Win32Runtime& runtime, Form& window, std::size_t lines) {
    HWND box = control_of(window, qorvex::scan::kAllNumbersBox);
    std::mt19937 rng(11);
    const std::string cycle = qorvex::bench::listing_of(rng, qorvex::bench::kReplyNumbers);
    std::vector<double> appends;
    for (int i = 0; i < kAppends; ++i) {
        const Clock::time_point start = Clock::now();
        window.append_text(qorvex::scan::kAllNumbersBox, cycle);
        UpdateWindow(box);
        appends.push_back(milliseconds_since(start));
    }
    std::vector<double> pages;
    for (int i = 0; i < kPages; ++i) {
        const Clock::time_point start = Clock::now();
        SendMessageW(box, WM_VSCROLL, i % 2 == 0 ? SB_PAGEUP : SB_PAGEDOWN, 0);
        UpdateWindow(box);
        pages.push_back(milliseconds_since(start));
    }
    const Clock::time_point start = Clock::now();
    qorvex::scan::NumberLookup lookup("19999999999x");
    window.visit_lines(qorvex::scan::kAllNumbersBox,
                       [&lookup](std::string_view line) { return lookup.visit(line); });
    const double lookup_ms = milliseconds_since(start);
    runtime.process_pending();
    report_memory("with the box filled");
    // The same walk over a copy of the box's text in memory: what the lookup
    // itself costs, without the component.
    const std::string copy = window.text(qorvex::scan::kAllNumbersBox);
    const Clock::time_point in_memory_start = Clock::now();
    qorvex::scan::NumberLookup in_memory("19999999999x");
    qorvex::runtime::visit_text_lines(
        copy, [&in_memory](std::string_view line) { return in_memory.visit(line); });
    std::printf("lookup over the same text in memory: %.0f ms\n",
                milliseconds_since(in_memory_start));
    std::printf(
        "at %zu lines: append 200 lines + repaint %.2f ms (median of %d), "
        "page scroll + repaint %.2f ms (median of %d), lookup %.0f ms (%zu lines)\n",
        lines, median(appends), kAppends, median(pages), kPages, lookup_ms,
        lookup.outcome().lines_searched);
    report_memory("after the lookup");
}

int volume_cases(std::size_t lines, double budget_seconds) {
    qorvex::win32::ComApartment apartment;
    qorvex::runtime::Win32Runtime runtime;
    const std::unique_ptr<qorvex::rx::RegexEngine> regex = qorvex::rx::make_vbscript_engine();
    qorvex::runtime::HeadlessRuntime in_memory;
    time_cycles("on in-memory components", in_memory, *regex);
    time_cycles("on the window", runtime, *regex);
    runtime.process_pending();
    const std::shared_ptr<Form> window = runtime.create_window(qorvex::app::main_window_form(), {},
                                                               qorvex::runtime::WindowMode::Normal);
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<long long>(budget_seconds * 1000));
    std::size_t filled = 0;
    for (std::size_t stop : {qorvex::bench::kDayLines, lines}) {
        const Clock::time_point start = Clock::now();
        const bool complete = fill(runtime, *window, filled, std::min(stop, lines), deadline);
        std::printf("filled to %zu lines in %.1f s%s\n", filled, milliseconds_since(start) / 1000,
                    complete ? "" : " (fill budget spent)");
        time_volume(runtime, *window, filled);
        if (!complete || filled >= lines) {
            break;
        }
    }
    return EXIT_SUCCESS;
}

// The child of the start-up case: the program as main.cpp puts it together,
// stopped at its first painted top-level window.
long long g_started_ticks = 0;

LRESULT CALLBACK first_paint_hook(int code, WPARAM remove, LPARAM message) {
    const auto* msg = reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && msg->message == WM_PAINT && msg->hwnd != nullptr &&
        GetAncestor(msg->hwnd, GA_ROOT) == msg->hwnd && IsWindowVisible(msg->hwnd)) {
        RedrawWindow(msg->hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        const long long elapsed = Clock::now().time_since_epoch().count() - g_started_ticks;
        // The time goes to standard output, not into the exit code, so that a
        // child that ends without painting reports nothing rather than 0 ms.
        std::printf("%lld\n", elapsed);
        std::fflush(stdout);
        ExitProcess(EXIT_SUCCESS);
    }
    return CallNextHookEx(nullptr, code, remove, message);
}

int startup_child(long long started_ticks) {
    g_started_ticks = started_ticks;
    SetWindowsHookExW(WH_GETMESSAGE, first_paint_hook, nullptr, GetCurrentThreadId());
    qorvex::runtime::Win32Runtime runtime;
    return qorvex::app::run_built_program(runtime);
}

// What one start-up child printed and how it ended.
struct ChildStart {
    bool started = false;
    std::string output;
    DWORD exit_code = 0;
};

ChildStart run_startup_child(const wchar_t* self) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherited, 0)) {
        return {};
    }
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    const long long now = Clock::now().time_since_epoch().count();
    std::wstring command = L"\"" + std::wstring(self) + L"\" startup-child " + std::to_wstring(now);
    STARTUPINFOW start{};
    start.cb = sizeof(start);
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = write_end;
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    ChildStart result;
    result.started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                    nullptr, &start, &process) != FALSE;
    CloseHandle(write_end);
    if (result.started) {
        char buffer[64];
        DWORD got = 0;
        while (ReadFile(read_end, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
            result.output.append(buffer, got);
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &result.exit_code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(read_end);
    return result;
}

int startup_case(int runs) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const ChildStart child = run_startup_child(self);
        if (!child.started) {
            std::fprintf(stderr, "cannot start %ls\n", self);
            return EXIT_FAILURE;
        }
        // Only a child that painted its window prints its time and ends with 0.
        if (child.exit_code != EXIT_SUCCESS || child.output.empty()) {
            std::fprintf(stderr,
                         "the start-up child painted no window (exit code %lu, output \"%s\")\n",
                         child.exit_code, child.output.c_str());
            return EXIT_FAILURE;
        }
        times.push_back(std::chrono::duration<double, std::milli>(
                            Clock::duration(std::atoll(child.output.c_str())))
                            .count());
    }
    std::printf(
        "process start to first painted main window: median %.0f ms, fastest %.0f ms "
        "(%d runs)\n",
        median(times), *std::min_element(times.begin(), times.end()), runs);
    return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup-child" && argc > 2) {
        return startup_child(std::atoll(argv[2]));
    }
    if (mode == "richedit") {
        qorvex::bench::time_rich_edit(
            argc > 2 ? std::strtoull(argv[2], nullptr, 10) : qorvex::bench::kWeekLines,
            argc > 3 ? std::atof(argv[3]) : 3600.0);
        return EXIT_SUCCESS;
    }
    if (mode == "startup") {
        return startup_case(argc > 2 ? std::atoi(argv[2]) : kStartupRuns);
    }
    const std::size_t lines =
        argc > 1 ? std::strtoull(argv[1], nullptr, 10) : qorvex::bench::kWeekLines;
    return volume_cases(lines, argc > 2 ? std::atof(argv[2]) : 3600.0);
}
