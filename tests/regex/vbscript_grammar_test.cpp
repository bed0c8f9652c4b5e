// Syntax the Windows engine rejects is rejected on every platform, and the
// syntax it accepts still works: a custom pattern lists the same numbers on
// Linux as on Windows. The rows run through the platform's own engine, so on
// Windows they check VBScript.RegExp itself.

#include "regex/vbscript_grammar.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "regex/platform_engine.h"
#include "regex/regex_object.h"
#include "scan/number_extraction.h"
#include "scan/pattern_classes.h"

namespace qorvex::rx {
namespace {

constexpr std::string_view kNumbers = "16880000000\r\n13568812345\r\n";

struct GrammarCase {
    const char* label;
    std::string pattern;
    std::vector<std::string> matches;  // over the subject
    std::string subject = std::string(kNumbers);
};

TEST(VbscriptGrammar, LaterAndPerlSyntaxIsRejected) {
    const std::vector<std::string> rejected = {
        "(?<=1)688", "(?<!3)688", "(?<n>688)", "(?P<n>688)", "(?'n'688)",  "6++88",    "68*+8",
        "68?+8",     "68{2}+",    "(?>68)8",   "(?i)688",    "(?i:688)",   "(?#c)688", "(?|688)",
        "(*UTF)688", "(*CR)688",  "(?R)",      "(?1)(688)",  "\\Q(\\E688", "68**8",    "6{1}{2}88",
        "{2}688",    "6|*88",     "^*688",     "$*688",      "\\b*688",    "68{3,2}",  "\\c(688",
        "688)",      "(688",      "[688",      "688\\",
    };
    const auto engine = make_platform_engine();
    for (const auto& pattern : rejected) {
        SCOPED_TRACE(pattern);
        EXPECT_FALSE(follows_vbscript_grammar(pattern));
        RegexObject regex(*engine);
        EXPECT_FALSE(regex.create_user_pattern(pattern, kNumbers));
        EXPECT_EQ(regex.match_count(), 0);
    }
}

TEST(VbscriptGrammar, EcmascriptSyntaxStillMatches) {
    const std::vector<GrammarCase> cases = {
        {"look-ahead", "68(?=8)", {"68", "68"}},
        {"negative look-ahead", "8(?!8)\\d", {"80", "81"}},
        {"quantified look-ahead", "(?=1)*135", {"135"}},
        {"non-capturing group and lazy repeat", "(?:16)\\d+?8", {"1688"}},
        {"lazy counted repeat", "8{2,3}?", {"88", "88"}},
        {"brace and brackets that open nothing", "8{,3}|]|}|x{2}{", {}},
        {"empty and negated empty class", "[]|1[^]", {"16", "13", "12"}},
        {"escapes", "\\x31\\u0033\\d\\w", {"1356"}},
        {"back-reference and boundary", "(\\d)\\1\\b", {"00"}},
        // Escapes that engines in the Perl tradition read as escapes of their
        // own are the letters themselves to the Windows engine.
        {"h is no horizontal space", R"(\h)", {"h"}, "h \t"},
        {"v is the vertical tab alone", R"(\v)", {"\v"}, "\v\n\f"},
        {"Q and E are letters", R"(\Q.\E)", {"Q.E", "QxE"}, "Q.E QxE ."},
        {"K keeps the match", R"(6\K8)", {"6K8"}, "6K8 68"},
        {"R is no line end", R"(\R)", {"R"}, "R\r\n"},
        {"A and z are letters", R"(\A\d\z)", {"A1z"}, "A1z 1"},
        {"p is a letter, then a brace", R"(\p{L})", {"p{L}"}, "p{L} a"},
        {"a bracket in a class is plain", "[[:digit:]]", {":]", "d]"}, "1 :] d]"},
    };
    const auto engine = make_platform_engine();
    for (const auto& test_case : cases) {
        SCOPED_TRACE(test_case.label);
        EXPECT_TRUE(follows_vbscript_grammar(test_case.pattern));
        RegexObject regex(*engine);
        ASSERT_TRUE(regex.create_user_pattern(test_case.pattern, test_case.subject));
        std::vector<std::string> found;
        for (int i = 1; i <= regex.match_count(); ++i) {
            found.push_back(regex.match_text(i));
        }
        EXPECT_EQ(found, test_case.matches);
    }
}

TEST(VbscriptGrammar, ProgramPatternsFollowIt) {
    std::vector<std::string> patterns = {scan::custom_pattern("688")};
    for (const auto& pattern_class : scan::pattern_classes()) {
        patterns.emplace_back(pattern_class.pattern);
    }
    for (const auto choice : {scan::ExtractionChoice::AllDigits, scan::ExtractionChoice::Without4,
                              scan::ExtractionChoice::Without4And7}) {
        patterns.emplace_back(*scan::extraction_pattern(choice));
    }
    const auto engine = make_platform_engine();
    for (const auto& pattern : patterns) {
        SCOPED_TRACE(pattern);
        EXPECT_TRUE(follows_vbscript_grammar(pattern));
        EXPECT_NE(engine->compile(pattern), nullptr);
    }
}

}  // namespace
}  // namespace qorvex::rx
