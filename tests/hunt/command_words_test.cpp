#include "hunt/command_words.h"

#include <gtest/gtest.h>

namespace qorvex::hunt {
namespace {

TEST(CommandWords, SplitByTheDocumentedRule) {
    using Words = std::optional<std::vector<std::string>>;
    const struct {
        const char* label;
        const char* command;
        Words words;
    } cases[] = {
        {"spaces and tabs", " notify  --urgent\thigh ", Words({{"notify", "--urgent", "high"}})},
        {"double quotes group", R"(sh -c "echo a b")", Words({{"sh", "-c", "echo a b"}})},
        {"single quotes keep double ones", R"(say 'a "b"')", Words({{"say", R"(a "b")"}})},
        {"no expansion", "echo $HOME $(id) `id` ;|&",
         Words({{"echo", "$HOME", "$(id)", "`id`", ";|&"}})},
        {"an empty quoted word counts", R"(cmd "")", Words({{"cmd", ""}})},
        {"unclosed quote", R"(cmd "open)", std::nullopt},
        {"nothing", "   ", std::nullopt},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(command_words(row.command), row.words);
    }
}

}  // namespace
}  // namespace qorvex::hunt
