// The scan's cost on the user-interface thread, on the Qt back end: one
// cycle's local work for a 200-number reply (extraction, running count,
// listing, classification pass), one cycle's listing appended to 编辑框1 when
// it already holds a day's numbers (3,500,000 lines: a day at the advised
// 5 s, 200 numbers a cycle) and a week's (24,500,000 lines), a page of the
// box scrolled and repainted, and the number lookup over those lines. The
// lookup benchmarks also report the process's memory. The day benchmarks
// run first; the week's then top the same window up.
//
// Run with QT_QPA_PLATFORM=offscreen where there is no display.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCoreApplication>
#include <QScrollBar>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "app/main_window_form.h"
#include "regex/pcre2/pcre2_engine.h"
#include "runtime/headless/headless_runtime.h"
#include "runtime/qt/qt_form.h"
#include "runtime/qt/qt_runtime.h"
#include "scan/number_extraction.h"
#include "scan/number_lookup.h"
#include "scan/pipeline.h"
#include "support/pool_numbers.h"

namespace {

using qorvex::runtime::Form;

using qorvex::bench::kDayLines;
using qorvex::bench::kReplyNumbers;
using qorvex::bench::kWeekLines;
using qorvex::bench::listing_of;
using qorvex::bench::pool_reply;
constexpr std::size_t kFillChunkLines = 50'000;
constexpr double kBytesPerMebibyte = 1024.0 * 1024.0;

double peak_memory_mib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0 / kBytesPerMebibyte;
}

double resident_memory_mib() {
    std::ifstream statm("/proc/self/statm");
    double pages = 0;
    double resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / kBytesPerMebibyte;
}

// The Qt runtime and the regex engine, made once after the QApplication.
struct Program {
    qorvex::runtime::qt::QtRuntime runtime{[](std::string_view) {}};
    std::unique_ptr<qorvex::rx::RegexEngine> regex = qorvex::rx::make_pcre2_engine();

    std::shared_ptr<Form> open_main_window() {
        return runtime.create_window(qorvex::app::main_window_form(), {},
                                     qorvex::runtime::WindowMode::Normal);
    }
};

Program& program() {
    static Program instance;
    return instance;
}

// The main window with at least `lines` numbers in 编辑框1: made once and
// topped up as later benchmarks ask for more.
Form& window_holding(std::size_t lines) {
    static std::shared_ptr<Form> window = program().open_main_window();
    static std::mt19937 rng(20190423);
    static std::size_t filled = 0;
    for (; filled < lines; filled += kFillChunkLines) {
        window->append_text(qorvex::scan::kAllNumbersBox, listing_of(rng, kFillChunkLines));
        QCoreApplication::processEvents();
    }
    return *window;
}

// One cycle's work on the reply, over and over, on the given main window. No
// events are processed inside the loop, so the boxes' repaint is left out; the
// append benchmarks time a listing's repaint.
void run_cycles(benchmark::State& state, Form& window) {
    std::mt19937 rng(7);
    const std::string reply = pool_reply(rng);
    const qorvex::scan::PipelineChoices choices = qorvex::scan::read_pipeline_choices(window);
    for (auto _ : state) {
        const auto numbers = qorvex::scan::run_pipeline(window, *program().regex, reply, choices);
        benchmark::DoNotOptimize(numbers.data());
    }
    state.counters["numbers_per_cycle"] = kReplyNumbers;
    window.destroy();
}

void BM_CycleLocalWork(benchmark::State& state) {
    run_cycles(state, *program().open_main_window());
}
BENCHMARK(BM_CycleLocalWork)->Unit(benchmark::kMicrosecond);

// The same work on in-memory components: what the program itself costs,
// without the widgets' own.
void BM_CycleLocalWorkHeadless(benchmark::State& state) {
    qorvex::runtime::HeadlessRuntime runtime;
    run_cycles(state, *runtime.create_window(qorvex::app::main_window_form(), {},
                                             qorvex::runtime::WindowMode::Normal));
}
BENCHMARK(BM_CycleLocalWorkHeadless)->Unit(benchmark::kMicrosecond);

void append_cycles(benchmark::State& state, std::size_t lines) {
    Form& window = window_holding(lines);
    std::mt19937 rng(11);
    const std::string cycle = listing_of(rng, kReplyNumbers);
    for (auto _ : state) {
        window.append_text(qorvex::scan::kAllNumbersBox, cycle);
        // The repaint that follows is paid on the same thread.
        QCoreApplication::processEvents();
    }
    state.counters["lines_before"] = static_cast<double>(lines);
}

// A page up and a page down in turn through the scroll bar, each painted
// at once, as when the user pages through the box.
void scroll_pages(benchmark::State& state, std::size_t lines) {
    Form& window = window_holding(lines);
    QCoreApplication::processEvents();
    auto* box = qobject_cast<QAbstractScrollArea*>(
        dynamic_cast<qorvex::runtime::qt::QtForm&>(window).widget(qorvex::scan::kAllNumbersBox));
    bool up = true;
    for (auto _ : state) {
        box->verticalScrollBar()->triggerAction(up ? QAbstractSlider::SliderPageStepSub
                                                   : QAbstractSlider::SliderPageStepAdd);
        box->viewport()->repaint();
        up = !up;
    }
}

void look_up(benchmark::State& state, std::size_t lines) {
    Form& window = window_holding(lines);
    qorvex::scan::LookupOutcome outcome;
    for (auto _ : state) {
        // A number that is not there: every line is compared.
        qorvex::scan::NumberLookup lookup("19999999999x");
        window.visit_lines(qorvex::scan::kAllNumbersBox,
                           [&lookup](std::string_view line) { return lookup.visit(line); });
        outcome = lookup.outcome();
    }
    state.counters["lines"] = static_cast<double>(outcome.lines_searched);
    state.counters["resident_MiB"] = resident_memory_mib();
    state.counters["peak_MiB"] = peak_memory_mib();
}

void BM_AppendCycleAtDayVolume(benchmark::State& state) {
    append_cycles(state, kDayLines);
}
BENCHMARK(BM_AppendCycleAtDayVolume)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_ScrollPageAtDayVolume(benchmark::State& state) {
    scroll_pages(state, kDayLines);
}
BENCHMARK(BM_ScrollPageAtDayVolume)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_LookupAtDayVolume(benchmark::State& state) {
    look_up(state, kDayLines);
}
BENCHMARK(BM_LookupAtDayVolume)->Unit(benchmark::kMillisecond)->Iterations(3);

// For comparison: the box's whole text read back at once, as a lookup that
// split the text itself would start.
void BM_WholeTextAtDayVolume(benchmark::State& state) {
    Form& window = window_holding(kDayLines);
    for (auto _ : state) {
        const std::string text = window.text(qorvex::scan::kAllNumbersBox);
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["peak_MiB"] = peak_memory_mib();
}
BENCHMARK(BM_WholeTextAtDayVolume)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AppendCycleAtWeekVolume(benchmark::State& state) {
    append_cycles(state, kWeekLines);
}
BENCHMARK(BM_AppendCycleAtWeekVolume)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_ScrollPageAtWeekVolume(benchmark::State& state) {
    scroll_pages(state, kWeekLines);
}
BENCHMARK(BM_ScrollPageAtWeekVolume)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_LookupAtWeekVolume(benchmark::State& state) {
    look_up(state, kWeekLines);
}
BENCHMARK(BM_LookupAtWeekVolume)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
