// The engine against ECMAScript itself: Node.js runs every pattern with the
// flags gim and the same global loop, and every match position, every group
// and the replaced text must agree. Where they may not, the case says why.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ecma_reference.h"
#include "regex/pcre2/pcre2_engine.h"
#include "regex/regex_object.h"
#include "scan/number_extraction.h"
#include "scan/pattern_classes.h"

namespace qorvex::rx {
namespace {

using testing::ReferenceCase;
using testing::ReferenceResult;

struct DiffCase {
    std::string label;
    std::string pattern;
    std::string subject;
    std::string replacement = "<$&>";
    // Set where ECMAScript and the engine are known to differ: the reason.
    std::string known_difference = {};
};

std::string numbers_subject(const std::vector<std::string>& numbers, std::string_view line_end) {
    std::string subject;
    for (const auto& number : numbers) {
        subject += number;
        subject += line_end;
    }
    return subject;
}

std::vector<std::string> example_numbers() {
    return {"10012345678", "10800108000", "10500001234", "10912341234", "10955577700",
            "10512125656", "10811223344", "10121212999", "10654321000", "13512312300",
            "15800123123", "18898765432", "13812345123"};
}

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

std::vector<DiffCase> program_pattern_cases() {
    const std::vector<std::pair<std::string, std::string>> subjects = {
        {"examples CRLF", numbers_subject(example_numbers(), "\r\n")},
        {"examples LF", numbers_subject(example_numbers(), "\n")},
        {"examples CR", numbers_subject(example_numbers(), "\r")},
        {"random CRLF", numbers_subject(random_numbers(400), "\r\n")},
        {"reply",
         R"(jsonp({"numArray":[13512345678,0,18800008888,0,1234567890123],"x":"a10512345678b"}))"},
        {"long runs", "1234567890123456789\r\n99999999999999\r\n12121212121212121\r\n"},
    };
    std::vector<std::string> patterns;
    for (const auto& pattern_class : scan::pattern_classes()) {
        patterns.emplace_back(pattern_class.pattern);
    }
    patterns.push_back(scan::custom_pattern("688"));
    for (const auto choice : {scan::ExtractionChoice::AllDigits, scan::ExtractionChoice::Without4,
                              scan::ExtractionChoice::Without4And7}) {
        patterns.emplace_back(*scan::extraction_pattern(choice));
    }
    std::vector<DiffCase> cases;
    for (const auto& pattern : patterns) {
        for (const auto& [name, subject] : subjects) {
            std::string label = pattern;
            label += " over ";
            label += name;
            cases.push_back({label, pattern, subject, "[$1]"});
        }
    }
    return cases;
}

std::vector<DiffCase> corner_cases() {
    return {
        {"extraction example", "1[0-9]{10}", "a10512345678b10612345678"},
        {"AAA over CRLF lines", R"(\d*(\d)\1{2}\d*)", "12333\r\n45\r\n"},
        {"$ before CR", R"(\d{2}$)", "123\r\n456\r\n"},
        {"$ before LF and lone CR", R"(\d+$)", "12\r\n34\n56\r78"},
        {"^ after CR and LF", R"(^\d)", "12\r\n34\n56\r78"},
        {"empty ^ matches", "^", "a\r\nb\r\n\r\nc\n"},
        {"empty $ matches", "$", "a\r\nb\r\n\r\nc\n"},
        {"empty lines", "^$", "\r\n\r\n\n\r"},
        {"^ at the very end", "^", "ab\n"},
        {"match that starts at the LF of CR LF", R"(\s(?=b))", "a\r\nb"},
        {"non-digit before a digit across CR LF", R"(\D(?=\d))", "1\r\n2\r\n\r\n3"},
        {"dot stops at CR and LF", ".+", "ab\rcd\nef\r\ngh"},
        {"literal CR LF", "\r\n", "a\r\nb\r\n"},
        {"class of line ends", "[\r\n]+", "a\r\nb\n\nc"},
        {"empty pattern", "", "abc"},
        {"empty subject", "a*", ""},
        {"star then letters", "a*", "baaac"},
        {"empty or letter", "(?:)|b", "bb"},
        {"empty matches between multibyte characters", "x*", "日本語é"},
        {"multibyte literal", "本", "日本語本"},
        {"unicode escape", R"(\u00e9|\x41)", "éAa"},
        {"backslash U is U", R"(\U)", "uU"},
        {"empty class", "a[]", "aa"},
        {"negated empty class", "[^]", "a\nb"},
        {"case-insensitive letters", "AbC", "abc ABC aBc"},
        {"case does not touch digits", "1a", "1A 1a"},
        {"back-reference to an unset group", R"((a)?b\1)", "b ab aba"},
        {"forward reference", R"(\1(a))", "aa"},
        {"alternation leaves groups unset", R"((a)|(b))", "ab"},
        {"look-ahead captures", R"((?=(\d\d))\d)", "1234"},
        {"negative look-ahead", R"(\d(?!\d))", "12 345"},
        {"word boundaries", R"(\b\w+\b)", "hello world_1 x"},
        {"counted repeats", "a{2,3}", "aaaaaaa"},
        {"brace that is no quantifier", "a{,3}", "a{,3}"},
        {"white space class", R"(\s+)", "a \t\r\nb"},
        {"digits and non-digits", R"(\D+\d)", "ab1cd2"},
        {"lazy repeat", R"(\d+?)", "123"},
        {"anchored lines without digits", R"(^\D*$)", "ab\r\n12\r\n\r\ncd"},
        {"replacement groups", R"((\d)(\d))", "1234 56", "$2$1"},
        {"replacement specials", R"(\d+)", "a12b34", "[$&|$`|$'|$$]"},
        {"replacement of missing groups", R"((\d))", "12", "$0 $2 $10 $01"},
        {"replacement of an unset group", R"((a)|b)", "ab", "<$1>"},
        {"replacement of empty matches", "x*", "ab", "-"},
        {"escaped h is h, no horizontal space", R"(\h)", "h \tH"},
        {"escaped v is the vertical tab alone", R"(\v)", "a\vb\nc\fd\re"},
        {"escaped Q and E are letters", R"(\Q.\E)", "Q.E QxE ."},
        {"escaped K keeps the match", R"(a\Kb)", "akb ab"},
        {"escaped R is R, no line end", R"(\R)", "R\r\n"},
        {"escaped h, v, R and N in a class", R"([\h\v\R\N]+)", "hR \t\n\vN"},
        {"escaped A and z are letters", R"(\A\d\z)", "A1z 1"},
        {"escaped p is p, then a brace", R"(\p{L})", "p{L} a"},
        {"escaped G, X, e and g are letters", R"(\G\X\e\g)", "GXEG gxeg"},
        {"a bracket in a class is plain", "[[:digit:]]", "1 :] d] ]"},
        {"c without a control letter", R"(\c1|\c)", "\\c1 c \\c"},
        {"control character in a class", R"([\c1\c_]+)",
         "\x11\x1f"
         "1"},
        {"hyphen after a class escape", R"([\d-z]+)", "1-z a"},
        {"hyphen before a class escape", R"([%-\s]+)", "%- \t&"},
        {"braces that open no count", R"(\d{,2}|x{2,1|{1)", "1{,2} x{2,1 {1"},
        {"invalid: unbalanced parenthesis", "(", "abc"},
        {"invalid: nothing to repeat", "*a", "abc"},
        {"invalid: unclosed class", "[a", "abc"},
        {"group reset on repetition", R"(((a)|b)+)", "ab", "<$2>",
         "ECMAScript empties the groups inside a repeated group at each repetition; PCRE2, "
         "as Perl, keeps what an earlier repetition captured"},
        {"self reference in a repeated group", R"((a\1)+)", "aaa", "<$1>",
         "ECMAScript empties the group before each repetition, so the reference inside it "
         "is always empty; PCRE2 refers to the previous repetition's text"},
        {"empty repetition of a group", R"((a?)*)", "b", "<$1>",
         "ECMAScript refuses a repetition that matches the empty text, leaving the group "
         "unset; PCRE2 accepts it once and sets the group to the empty text"},
    };
}

// Syntax the Windows engine rejects, which the engine must reject too. Where
// a later edition of ECMAScript, and so Node.js, accepts it, the row says so.
struct RejectedCase {
    std::string label;
    std::string pattern;
    std::string later_edition = {};
};

std::vector<RejectedCase> windows_rejected_cases() {
    return {
        {"look-behind", "(?<=1)688", "look-behind came with ECMAScript 2018"},
        {"negative look-behind", "(?<!3)688", "look-behind came with ECMAScript 2018"},
        {"named group", "(?<n>688)", "named groups came with ECMAScript 2018"},
        {"Python named group", "(?P<n>688)"},
        {"possessive quantifier", "6++88"},
        {"possessive counted quantifier", "68{2}+"},
        {"atomic group", "(?>68)8"},
        {"inline flag", "(?i)688"},
        {"comment", "(?#c)688"},
        {"verb", "(*UTF)688"},
        {"recursion", "(?R)"},
        {"quoted parenthesis", R"(\Q(\E688)"},
        {"quantifier on a quantifier", "68**8"},
    };
}

std::vector<Span> spans_of(const MatchList& matches, std::size_t match) {
    std::vector<Span> spans;
    for (std::size_t group = 0; group <= matches.group_count(); ++group) {
        spans.push_back(matches.span(match, group));
    }
    return spans;
}

std::string describe(const std::vector<std::vector<Span>>& matches) {
    std::ostringstream out;
    for (const auto& spans : matches) {
        out << "(";
        for (const auto& span : spans) {
            if (span.is_set()) {
                out << " " << span.begin << "-" << span.end;
            } else {
                out << " unset";
            }
        }
        out << " )";
    }
    return out.str();
}

struct EngineResult {
    bool rejected = false;
    std::vector<std::vector<Span>> matches;
    std::string replaced;
};

EngineResult run_engine(RegexEngine& engine, const DiffCase& test_case) {
    EngineResult result;
    RegexObject regex(engine);
    if (!regex.create(test_case.pattern, test_case.subject)) {
        result.rejected = true;
        return result;
    }
    const auto compiled = engine.compile(test_case.pattern);
    MatchList matches;
    EXPECT_EQ(compiled->find(test_case.subject, FindScope::All, matches), FindStatus::Complete);
    for (std::size_t i = 0; i < matches.size(); ++i) {
        result.matches.push_back(spans_of(matches, i));
    }
    result.replaced = regex.replace_all(test_case.replacement);
    return result;
}

bool agrees(const EngineResult& ours, const ReferenceResult& theirs) {
    return ours.rejected == theirs.rejected && ours.matches == theirs.matches &&
           ours.replaced == theirs.replaced;
}

void compare_with_ecmascript(RegexEngine& engine, const std::vector<DiffCase>& cases) {
    const auto node = testing::find_node();
    if (!node) {
        GTEST_SKIP() << "Node.js (node) is not installed: the ECMAScript reference cannot run";
    }
    std::vector<ReferenceCase> reference_cases;
    reference_cases.reserve(cases.size());
    for (const auto& test_case : cases) {
        reference_cases.push_back({test_case.pattern, test_case.subject, test_case.replacement});
    }
    const auto reference = testing::run_ecma_reference(*node, reference_cases);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const DiffCase& test_case = cases[i];
        SCOPED_TRACE(test_case.label);
        const EngineResult ours = run_engine(engine, test_case);
        const ReferenceResult& theirs = reference[i];
        if (!test_case.known_difference.empty()) {
            EXPECT_FALSE(agrees(ours, theirs))
                << "now agrees with ECMAScript; the note no longer holds: "
                << test_case.known_difference;
            // The match positions agree even where the groups do not.
            ASSERT_EQ(ours.matches.size(), theirs.matches.size());
            for (std::size_t m = 0; m < ours.matches.size(); ++m) {
                EXPECT_EQ(ours.matches[m][0], theirs.matches[m][0]);
            }
            continue;
        }
        EXPECT_EQ(ours.rejected, theirs.rejected);
        EXPECT_EQ(describe(ours.matches), describe(theirs.matches));
        EXPECT_EQ(ours.replaced, theirs.replaced);
    }
}

TEST(EcmaDifferential, ProgramPatternsMatchAsInEcmascript) {
    const auto engine = make_pcre2_engine();
    compare_with_ecmascript(*engine, program_pattern_cases());
}

TEST(EcmaDifferential, CornerCasesMatchAsInEcmascript) {
    const auto engine = make_pcre2_engine();
    compare_with_ecmascript(*engine, corner_cases());
}

TEST(EcmaDifferential, InterpreterMatchesAsInEcmascript) {
    Pcre2Settings settings;
    settings.use_jit = false;
    // The sanitizers slow the interpreter down many times; the budget is not under test here.
    settings.processor_budget = std::chrono::minutes(1);
    const auto engine = make_pcre2_engine(settings);
    auto cases = corner_cases();
    const auto program = program_pattern_cases();
    cases.insert(cases.end(), program.begin(), program.end());
    compare_with_ecmascript(*engine, cases);
}

TEST(EcmaDifferential, SyntaxTheWindowsEngineRejectsIsRejected) {
    const auto node = testing::find_node();
    if (!node) {
        GTEST_SKIP() << "Node.js (node) is not installed: the ECMAScript reference cannot run";
    }
    const auto cases = windows_rejected_cases();
    std::vector<ReferenceCase> reference_cases;
    reference_cases.reserve(cases.size());
    for (const auto& test_case : cases) {
        reference_cases.push_back({test_case.pattern, "16880000000", "$&"});
    }
    const auto reference = testing::run_ecma_reference(*node, reference_cases);
    const auto engine = make_pcre2_engine();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].label);
        EXPECT_EQ(engine->compile(cases[i].pattern), nullptr);
        EXPECT_EQ(reference[i].rejected, cases[i].later_edition.empty())
            << "ECMAScript's answer is not the one the row gives";
    }
}

}  // namespace
}  // namespace qorvex::rx
