// The scan's cost on the user-interface thread, on the Qt back end: one
// cycle's local work for a 200-number reply (extraction, running count,
// listing, classification pass), one cycle's listing appended to 编辑框1 when
// it already holds a day's numbers (3,500,000 lines: a day at the advised
// 5 s, 200 numbers a cycle), and the number lookup over those lines. The
// lookup benchmark also reports the process's peak memory.
//
// Run with QT_QPA_PLATFORM=offscreen where there is no display.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QCoreApplication>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/main_window_form.h"
#include "regex/pcre2/pcre2_engine.h"
#include "runtime/headless/headless_runtime.h"
#include "runtime/qt/qt_runtime.h"
#include "scan/number_extraction.h"
#include "scan/number_lookup.h"
#include "scan/pipeline.h"

namespace {

using qorvex::runtime::Form;

constexpr int kReplyNumbers = 200;
constexpr std::size_t kDayLines = 3'500'000;
constexpr std::size_t kFillChunkLines = 50'000;
constexpr double kBytesPerMebibyte = 1024.0 * 1024.0;

// Eleven-digit numbers as the pool hands them out, about a fifth of them
// with a lucky tail.
std::string pool_number(std::mt19937& rng) {
    static const char* const kPrefixes[] = {"130", "131", "132", "155", "156",
                                            "166", "175", "176", "185", "186"};
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<std::size_t> prefix(0, std::size(kPrefixes) - 1);
    std::string number = kPrefixes[prefix(rng)];
    while (number.size() < 11) {
        number.push_back(static_cast<char>('0' + digit(rng)));
    }
    if (digit(rng) < 2) {
        const char a = static_cast<char>('0' + digit(rng));
        const char b = static_cast<char>('0' + digit(rng));
        const std::string tails[] = {std::string(4, a), std::string(2, a) + std::string(2, b),
                                     std::string(3, a) + b, "1234", std::string(1, a) + "688"};
        const std::string& tail = tails[static_cast<std::size_t>(digit(rng)) % std::size(tails)];
        number.replace(number.size() - tail.size(), tail.size(), tail);
    }
    return number;
}

// A reply shaped like the service's: numbers among other numeric fields.
std::string pool_reply(std::mt19937& rng) {
    std::string reply = R"(jsonp_queryMoreNums({"code":"M0","desc":"\u6210\u529f",)"
                        R"("uuid":"a1b2c3d4e5f6a7b8c9d0e1f2a3b4c5d6","numArray":[)";
    for (int i = 0; i < kReplyNumbers; ++i) {
        reply += (i == 0 ? "{" : ",{");
        reply += R"("num":)" + pool_number(rng) + R"(,"advancePay":100,"monthFeeLimit":0,)";
        reply += R"("niceRule":0,"goodsId":"98)" + std::to_string(10'000'000 + i) + "\"}";
    }
    reply += R"(],"total":200});)";
    return reply;
}

std::string listing_of(std::mt19937& rng, std::size_t lines) {
    std::vector<std::string> numbers;
    numbers.reserve(lines);
    for (std::size_t i = 0; i < lines; ++i) {
        numbers.push_back(pool_number(rng));
    }
    return qorvex::scan::listing_text(numbers);
}

double peak_memory_mib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0 / kBytesPerMebibyte;
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

// The main window with a day's numbers in 编辑框1, filled once.
Form& day_window() {
    static std::shared_ptr<Form> window = [] {
        std::shared_ptr<Form> made = program().open_main_window();
        std::mt19937 rng(20190423);
        for (std::size_t filled = 0; filled < kDayLines; filled += kFillChunkLines) {
            made->append_text(qorvex::scan::kAllNumbersBox, listing_of(rng, kFillChunkLines));
            QCoreApplication::processEvents();
        }
        return made;
    }();
    return *window;
}

// One cycle's work on the reply, over and over, on the given main window.
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

void BM_AppendCycleAtDayVolume(benchmark::State& state) {
    Form& window = day_window();
    std::mt19937 rng(11);
    const std::string cycle = listing_of(rng, kReplyNumbers);
    for (auto _ : state) {
        window.append_text(qorvex::scan::kAllNumbersBox, cycle);
        // The repaint that follows is paid on the same thread.
        QCoreApplication::processEvents();
    }
    state.counters["lines_before"] = static_cast<double>(kDayLines);
}
BENCHMARK(BM_AppendCycleAtDayVolume)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_LookupAtDayVolume(benchmark::State& state) {
    Form& window = day_window();
    qorvex::scan::LookupOutcome outcome;
    for (auto _ : state) {
        // A number that is not there: every line is compared.
        qorvex::scan::NumberLookup lookup("19999999999x");
        window.visit_lines(qorvex::scan::kAllNumbersBox,
                           [&lookup](std::string_view line) { return lookup.visit(line); });
        outcome = lookup.outcome();
    }
    state.counters["lines"] = static_cast<double>(outcome.lines_searched);
    state.counters["peak_MiB"] = peak_memory_mib();
}
BENCHMARK(BM_LookupAtDayVolume)->Unit(benchmark::kMillisecond)->Iterations(3);

// For comparison: the box's whole text read back at once, as a lookup that
// split the text itself would start.
void BM_WholeTextAtDayVolume(benchmark::State& state) {
    Form& window = day_window();
    for (auto _ : state) {
        const std::string text = window.text(qorvex::scan::kAllNumbersBox);
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["peak_MiB"] = peak_memory_mib();
}
BENCHMARK(BM_WholeTextAtDayVolume)->Unit(benchmark::kMillisecond)->Iterations(3);

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
