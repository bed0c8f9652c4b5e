// What classification costs: the pass over a 200-number reply (extraction
// plus the fifteen patterns), the raw throughput of the fifteen patterns in
// numbers per second, the same work through std::regex as the baseline, and
// the worst case of a custom pattern that backtracks without end.
//
// std::regex appears here only as the yardstick; the program never uses it,
// since it can neither be bounded nor trusted on long subjects.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "app/main_window_form.h"
#include "regex/pcre2/pcre2_engine.h"
#include "regex/regex_object.h"
#include "runtime/headless/headless_runtime.h"
#include "scan/classification_pass.h"
#include "scan/number_extraction.h"
#include "scan/pattern_classes.h"
#include "scan/pipeline.h"

namespace {

using namespace qorvex;

constexpr std::int64_t kReplyNumbers = 200;

std::vector<std::string> random_numbers(std::size_t count) {
    std::mt19937 random(20190423U);
    std::uniform_int_distribution<int> digit(0, 9);
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < count; ++i) {
        std::string number = "1";
        for (int d = 0; d < 10; ++d) {
            number += static_cast<char>('0' + digit(random));
        }
        numbers.push_back(number);
    }
    return numbers;
}

// A reply shaped like the carrier's: JSONP with the numbers among other fields.
std::string reply_text(const std::vector<std::string>& numbers) {
    std::string reply = R"(jsonp1556000000000({"code":"M0","numArray":[)";
    for (const auto& number : numbers) {
        reply += number + R"(,0,0,0,0,0,0,0,0,0,0,0,)";
    }
    reply += R"(0],"splitLen":"12"}))";
    return reply;
}

std::string listed_numbers(const std::vector<std::string>& numbers) {
    return scan::listing_text(numbers);
}

std::unique_ptr<rx::RegexEngine> engine_with_jit(bool jit) {
    rx::Pcre2Settings settings;
    settings.use_jit = jit;
    return rx::make_pcre2_engine(settings);
}

void classification_pass(benchmark::State& state) {
    const auto engine = engine_with_jit(true);
    const std::string reply = reply_text(random_numbers(static_cast<std::size_t>(kReplyNumbers)));
    rx::RegexObject regex(*engine);
    for (auto _ : state) {
        const auto numbers = scan::extract_numbers(regex, scan::ExtractionChoice::AllDigits, reply);
        const auto appends = scan::classify_numbers(regex, scan::listing_text(numbers), "688");
        benchmark::DoNotOptimize(appends.data());
    }
    state.SetItemsProcessed(state.iterations() * kReplyNumbers);
}
BENCHMARK(classification_pass)->Unit(benchmark::kMicrosecond);

// The same pass with the window in the loop: reading the choices, the
// running count, one append per box and the scratch box emptied.
void classification_pass_on_window(benchmark::State& state) {
    const auto engine = engine_with_jit(true);
    runtime::HeadlessRuntime runtime;
    const auto window =
        runtime.create_window(app::main_window_form(), {}, runtime::WindowMode::Normal);
    const std::string reply = reply_text(random_numbers(static_cast<std::size_t>(kReplyNumbers)));
    for (auto _ : state) {
        state.PauseTiming();
        for (int box = 1; box <= 16; ++box) {
            window->set_text("编辑框" + std::to_string(box), "");
        }
        state.ResumeTiming();
        scan::run_pipeline(*window, *engine, reply, scan::read_pipeline_choices(*window));
    }
    state.SetItemsProcessed(state.iterations() * kReplyNumbers);
}
BENCHMARK(classification_pass_on_window)->Unit(benchmark::kMicrosecond);

// The fifteen patterns over listed numbers, in replies of 200.
void raw_classification(benchmark::State& state) {
    const auto engine = engine_with_jit(state.range(0) != 0);
    const std::string subject =
        listed_numbers(random_numbers(static_cast<std::size_t>(kReplyNumbers)));
    rx::RegexObject regex(*engine);
    for (auto _ : state) {
        const auto appends = scan::classify_numbers(regex, subject, "688");
        benchmark::DoNotOptimize(appends.data());
    }
    state.SetItemsProcessed(state.iterations() * kReplyNumbers);
    state.SetLabel(state.range(0) != 0 ? "PCRE2 JIT" : "PCRE2 interpreter");
}
BENCHMARK(raw_classification)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The baseline: the same fifteen patterns through std::regex with the
// ECMAScript grammar and multi-line anchors, compiled once, the same loop.
void raw_classification_std_regex(benchmark::State& state) {
    const auto flags = std::regex::ECMAScript | std::regex::icase | std::regex::multiline;
    std::vector<std::regex> patterns;
    for (const auto& pattern_class : scan::pattern_classes()) {
        patterns.emplace_back(std::string(pattern_class.pattern), flags);
    }
    patterns.emplace_back(scan::custom_pattern("688"), flags);
    const std::string subject =
        listed_numbers(random_numbers(static_cast<std::size_t>(kReplyNumbers)));
    for (auto _ : state) {
        std::vector<std::string> appends;
        for (const auto& pattern : patterns) {
            std::string text;
            for (std::sregex_iterator it(subject.begin(), subject.end(), pattern), end; it != end;
                 ++it) {
                text += it->str();
                text += "\r\n";
            }
            appends.push_back(std::move(text));
        }
        benchmark::DoNotOptimize(appends.data());
    }
    state.SetItemsProcessed(state.iterations() * kReplyNumbers);
    state.SetLabel("std::regex");
}
BENCHMARK(raw_classification_std_regex)->Unit(benchmark::kMicrosecond);

// The worst a custom pattern can do. Over a long run of digits the match
// limit stops it at the first position; over thousands of thirteen-digit
// lines every position stays under the limit and the processor-time budget
// stops it.
void runaway_custom_pattern(benchmark::State& state) {
    const auto engine = engine_with_jit(state.range(1) != 0);
    const bool long_run = state.range(0) == 0;
    std::string subject;
    if (long_run) {
        subject = std::string(40, '1') + " x";
    } else {
        for (int i = 0; i < 5000; ++i) {
            subject += "1234567890123\r\n";
        }
        subject += "x";
    }
    rx::RegexObject regex(*engine);
    bool created = true;
    for (auto _ : state) {
        created = regex.create_user_pattern(scan::custom_pattern(R"((\d+)+x)"), subject);
    }
    if (created) {
        state.SkipWithError("the runaway pattern was not stopped");
    }
    state.SetLabel(std::string(long_run ? "long run, " : "5000 lines, ") +
                   (state.range(1) != 0 ? "JIT" : "interpreter"));
}
BENCHMARK(runaway_custom_pattern)
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
