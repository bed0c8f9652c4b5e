// The PCRE2 engine's own promises: machine code where the library has it, the
// interpreter behind it, bounded searches, and compiled patterns shared safely.

#include "regex/pcre2/pcre2_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "regex/regex_object.h"
#include "scan/pattern_classes.h"

namespace qorvex::rx {
namespace {

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

std::string random_number_lines(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> digit(0, 9);
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += '1';
        for (int d = 0; d < 10; ++d) {
            text += static_cast<char>('0' + digit(random));
        }
        text += "\r\n";
    }
    return text;
}

// Settings for tests of matching rather than of the processor-time budget:
// the interpreter's searches run many times slower under the sanitizers,
// which instrument the memory copies it makes while backtracking.
Pcre2Settings unhurried(bool jit = true) {
    Pcre2Settings settings;
    settings.use_jit = jit;
    settings.processor_budget = std::chrono::minutes(1);
    return settings;
}

std::vector<std::string> matches_of(RegexEngine& engine, std::string_view pattern,
                                    std::string_view subject) {
    RegexObject regex(engine);
    EXPECT_TRUE(regex.create(pattern, subject)) << pattern;
    std::vector<std::string> texts;
    for (int i = 1; i <= regex.match_count(); ++i) {
        texts.push_back(regex.match_text(i));
    }
    return texts;
}

TEST(Pcre2Engine, UsesMachineCodeWhereTheLibraryOffersIt) {
    const auto engine = make_pcre2_engine();
    for (const auto& pattern_class : scan::pattern_classes()) {
        const auto compiled = engine->compile(pattern_class.pattern);
        ASSERT_NE(compiled, nullptr) << pattern_class.caption;
        EXPECT_EQ(compiled->accelerated(), pcre2_jit_available()) << pattern_class.caption;
    }
}

TEST(Pcre2Engine, InterpreterFindsWhatMachineCodeFinds) {
    const auto interpreter = make_pcre2_engine(unhurried(false));
    const auto machine_code = make_pcre2_engine(unhurried());
    const std::string subject = random_number_lines(400, 7U);
    for (const auto& pattern_class : scan::pattern_classes()) {
        SCOPED_TRACE(pattern_class.caption);
        EXPECT_FALSE(interpreter->compile(pattern_class.pattern)->accelerated());
        EXPECT_EQ(matches_of(*interpreter, pattern_class.pattern, subject),
                  matches_of(*machine_code, pattern_class.pattern, subject));
    }
}

TEST(Pcre2Engine, SearchThatOutgrowsTheMachineCodeStackIsRunAgainByTheInterpreter) {
    if (!pcre2_jit_available()) {
        GTEST_SKIP() << "this PCRE2 has no JIT, so there is no machine-code stack to outgrow";
    }
    Pcre2Settings settings = unhurried();
    settings.jit_stack_bytes = 4096;
    const auto engine = make_pcre2_engine(settings);
    // Every repetition of the group keeps a backtracking point on the stack.
    const std::string subject = repeated("ab", 2000) + "c";
    ASSERT_TRUE(engine->compile("(a|b)*c")->accelerated());
    const auto found = matches_of(*engine, "(a|b)*c", subject);
    ASSERT_EQ(found.size(), 1U);
    EXPECT_EQ(found[0], subject);
}

struct RunawayCase {
    const char* label;
    std::string pattern;
    std::string subject;
};

TEST(Pcre2Engine, RunawayBacktrackingFailsTheCreateInsteadOfHanging) {
    const std::string long_run = repeated("1", 40);
    const std::vector<RunawayCase> cases = {
        {"nested plus, x after the digits", R"(\d*((\d+)+x)\d*)", long_run + " x"},
        {"nested star, y after the digits", R"(\d*((\d*)*y)\d*)", long_run + " y"},
        {"nested plus among numbers", R"(\d*((\d+)+x)\d*)",
         random_number_lines(50, 3U) + long_run + "\r\nx\r\n"},
    };
    for (const bool jit : {true, false}) {
        Pcre2Settings settings;
        settings.use_jit = jit;
        const auto engine = make_pcre2_engine(settings);
        for (const auto& test_case : cases) {
            SCOPED_TRACE(std::string(test_case.label) +
                         (jit ? " (machine code)" : " (interpreter)"));
            RegexObject regex(*engine);
            ASSERT_TRUE(regex.create(R"(\d)", "5"));
            EXPECT_FALSE(regex.create(test_case.pattern, test_case.subject));
            EXPECT_EQ(regex.match_count(), 0);
            EXPECT_EQ(regex.match_text(1), "");
        }
    }
}

TEST(Pcre2Engine, WholeSearchIsBoundedWhenEveryPositionStaysUnderTheLimit) {
    // Thirteen digits keep each starting position under the match limit, but
    // thousands of lines with an x at the end make a search of seconds.
    const std::string subject = repeated("1234567890123\r\n", 5000) + "x";
    const auto engine = make_pcre2_engine();
    RegexObject regex(*engine);
    EXPECT_FALSE(regex.create_user_pattern(R"(\d*((\d+)+x)\d*)", subject));
    EXPECT_EQ(regex.match_count(), 0);
    // The program's own patterns get through the same subject.
    EXPECT_TRUE(regex.create(R"(\d*(\d)\1{2}\d*)", subject));
}

struct ClockCase {
    const char* label;
    SearchBudget budget;
    bool processor_time_jumps;
    FindStatus expected;
};

TEST(Pcre2Engine, OnlyProcessorTimeGivesUpOnlyAUserPattern) {
    // The wall clock jumps an hour at every reading, as it does for a search
    // that is descheduled on a busy machine or runs while the machine sleeps.
    const std::vector<ClockCase> cases = {
        {"program pattern, wall clock jumps", SearchBudget::Work, false, FindStatus::Complete},
        {"program pattern, processor time jumps too", SearchBudget::Work, true,
         FindStatus::Complete},
        {"user pattern, wall clock jumps", SearchBudget::WorkAndProcessorTime, false,
         FindStatus::Complete},
        {"user pattern, processor time jumps too", SearchBudget::WorkAndProcessorTime, true,
         FindStatus::BoundReached},
    };
    const std::string subject = random_number_lines(400, 13U);
    const std::string_view pattern = scan::pattern_classes()[0].pattern;
    MatchList expected;
    ASSERT_EQ(make_pcre2_engine()->compile(pattern)->find(subject, FindScope::All, expected),
              FindStatus::Complete);
    ASSERT_FALSE(expected.empty());
    for (const auto& test_case : cases) {
        SCOPED_TRACE(test_case.label);
        std::chrono::hours wall{0};
        std::chrono::hours processor{0};
        Pcre2Settings settings;
        settings.wall_clock = [&] { return ++wall; };
        settings.processor_clock = [&] {
            return test_case.processor_time_jumps ? ++processor : processor;
        };
        const auto compiled =
            make_pcre2_engine(settings)->compile(pattern, {.budget = test_case.budget});
        MatchList matches;
        EXPECT_EQ(compiled->find(subject, FindScope::All, matches), test_case.expected);
        EXPECT_EQ(matches.size(),
                  test_case.expected == FindStatus::Complete ? expected.size() : 0U);
    }
}

TEST(Pcre2Engine, ProcessorTimeStandsStillWhileTheThreadSleeps) {
    const auto before = calling_thread_processor_time();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_LT(calling_thread_processor_time() - before, std::chrono::milliseconds(50));
    const auto started = std::chrono::steady_clock::now();
    volatile unsigned spin = 0;
    while (std::chrono::steady_clock::now() - started < std::chrono::milliseconds(50)) {
        spin = spin + 1;
    }
    EXPECT_GT(calling_thread_processor_time() - before, std::chrono::nanoseconds::zero());
}

TEST(Pcre2Engine, ProgramPatternsNeedFarLessThanTheLimits) {
    // A hundredth of every limit still finds the same matches.
    const std::string subject = random_number_lines(400, 11U);
    for (const bool jit : {true, false}) {
        Pcre2Settings tight = unhurried(jit);
        tight.match_limit = Pcre2Settings::kDefaultMatchLimit / 100;
        tight.depth_limit = Pcre2Settings::kDefaultDepthLimit / 100;
        const Pcre2Settings usual = unhurried(jit);
        const auto tight_engine = make_pcre2_engine(tight);
        const auto usual_engine = make_pcre2_engine(usual);
        for (const auto& pattern_class : scan::pattern_classes()) {
            SCOPED_TRACE(std::string(pattern_class.caption) + (jit ? " (machine code)" : ""));
            EXPECT_EQ(matches_of(*tight_engine, pattern_class.pattern, subject),
                      matches_of(*usual_engine, pattern_class.pattern, subject));
        }
    }
}

struct LimitCase {
    const char* label;
    std::string pattern;
    std::string subject;
    bool jit;
};

TEST(Pcre2Engine, StatedLimitsStopSearchesThatTheLibraryDefaultsLetThrough) {
    // Each search needs more than the engine's limit (100,000 steps, 10,000
    // deep) but far less than PCRE2's own defaults (10,000,000 of each), so it
    // fails only where the engine's limits are applied.
    constexpr std::uint32_t kLibraryDefaultLimit = 10'000'000;
    const std::vector<LimitCase> cases = {
        {"18 digits then \" x\": about 1.3 million steps", R"(\d*((\d+)+x)\d*)",
         repeated("1", 18) + " x", false},
        {"18 digits then \" x\": about a million steps in machine code", R"(\d*((\d+)+x)\d*)",
         repeated("1", 18) + " x", true},
        // Machine code has no depth limit; its stack limit is tested above.
        {"6,000 digits then x: 12,000 deep", R"((\d)*x)", repeated("12", 3000) + "x", false},
    };
    for (const auto& test_case : cases) {
        SCOPED_TRACE(test_case.label);
        Pcre2Settings stated = unhurried(test_case.jit);
        ASSERT_EQ(stated.match_limit, 100'000U);
        ASSERT_EQ(stated.depth_limit, 10'000U);
        Pcre2Settings library = stated;
        library.match_limit = kLibraryDefaultLimit;
        library.depth_limit = kLibraryDefaultLimit;
        const auto stated_engine = make_pcre2_engine(stated);
        const auto library_engine = make_pcre2_engine(library);
        EXPECT_FALSE(RegexObject(*stated_engine).create(test_case.pattern, test_case.subject));
        EXPECT_TRUE(RegexObject(*library_engine).create(test_case.pattern, test_case.subject));
    }
}

TEST(Pcre2Engine, CompilesEachPatternOnceAndSharesIt) {
    const auto engine = make_pcre2_engine();
    const auto first = engine->compile(R"(\d{8}(\d)\1\1)");
    EXPECT_EQ(engine->compile(R"(\d{8}(\d)\1\1)"), first);
    EXPECT_NE(engine->compile(R"(\d{8}(\d)\1\1)", CompileOptions{.case_sensitive = true}), first);
    EXPECT_EQ(engine->compile("("), nullptr);
}

TEST(Pcre2Engine, ThreadsShareCompiledPatterns) {
    const auto engine = make_pcre2_engine();
    const std::string subject = random_number_lines(300, 5U);
    std::vector<std::vector<std::string>> expected;
    for (const auto& pattern_class : scan::pattern_classes()) {
        expected.push_back(matches_of(*engine, pattern_class.pattern, subject));
    }
    std::vector<std::vector<std::vector<std::string>>> found(4);
    std::vector<std::thread> threads;
    threads.reserve(found.size());
    for (auto& results : found) {
        threads.emplace_back([&engine, &subject, &results] {
            for (int round = 0; round < 5; ++round) {
                results.clear();
                for (const auto& pattern_class : scan::pattern_classes()) {
                    results.push_back(matches_of(*engine, pattern_class.pattern, subject));
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const auto& results : found) {
        EXPECT_EQ(results, expected);
    }
}

}  // namespace
}  // namespace qorvex::rx
