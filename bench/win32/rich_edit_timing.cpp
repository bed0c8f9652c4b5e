#include "win32/rich_edit_timing.h"

#include <windows.h>
// The rich edit and process status headers build on <windows.h>.
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "support/pool_numbers.h"
#include "win32/wide_text.h"

namespace qorvex::bench {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kFillChunkLines = 50'000;
constexpr int kRepeats = 20;
constexpr double kBytesPerMebibyte = 1024.0 * 1024.0;

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void append(HWND box, const std::wstring& text) {
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(box));
    SendMessageW(box, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

double median_of(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

void time_rich_edit(std::size_t lines, double budget_seconds) {
    if (LoadLibraryW(L"msftedit.dll") == nullptr) {
        std::printf("rich edit: msftedit.dll is missing\n");
        return;
    }
    HWND frame = CreateWindowExW(0, L"STATIC", L"rich edit", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 300, 500, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND box =
        CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN |
                            ES_AUTOVSCROLL | ES_NOHIDESEL,
                        10, 10, 115, 400, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(box, EM_EXLIMITTEXT, 0, -1);
    SendMessageW(box, EM_SETUNDOLIMIT, 0, 0);
    std::mt19937 rng(20190423);
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<long long>(budget_seconds * 1000));
    std::size_t filled = 0;
    const Clock::time_point fill_start = Clock::now();
    while (filled < lines && Clock::now() < deadline) {
        append(box, win32::to_wide(listing_of(rng, kFillChunkLines)));
        filled += kFillChunkLines;
    }
    std::printf("rich edit: filled to %zu lines in %.1f s\n", filled,
                milliseconds_since(fill_start) / 1000);
    const std::wstring cycle = win32::to_wide(listing_of(rng, kReplyNumbers));
    std::vector<double> appends;
    std::vector<double> pages;
    for (int i = 0; i < kRepeats; ++i) {
        Clock::time_point start = Clock::now();
        append(box, cycle);
        UpdateWindow(box);
        appends.push_back(milliseconds_since(start));
        start = Clock::now();
        SendMessageW(box, WM_VSCROLL, i % 2 == 0 ? SB_PAGEUP : SB_PAGEDOWN, 0);
        UpdateWindow(box);
        pages.push_back(milliseconds_since(start));
    }
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    std::printf(
        "rich edit at %zu lines: append 200 lines + repaint %.2f ms, page scroll + repaint "
        "%.2f ms (medians of %d), working set %.0f MiB\n",
        filled, median_of(appends), median_of(pages), kRepeats,
        static_cast<double>(counters.WorkingSetSize) / kBytesPerMebibyte);
    DestroyWindow(frame);
}

}  // namespace qorvex::bench
