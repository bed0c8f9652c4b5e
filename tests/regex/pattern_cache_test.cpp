// The cache keeps the patterns in use and lets go of the least recently used.

#include "regex/pattern_cache.h"

#include <gtest/gtest.h>

#include "regex/platform_engine.h"

namespace qorvex::rx {
namespace {

TEST(PatternCache, DropsTheLeastRecentlyUsedWhenFull) {
    const auto engine = make_platform_engine();
    const auto a = engine->compile("a");
    const auto b = engine->compile("b");
    const auto c = engine->compile("c");

    PatternCache cache(2);
    cache.insert("a", 0, a);
    cache.insert("b", 0, b);
    EXPECT_EQ(cache.find("a", 0), a);  // a is now the most recently used
    cache.insert("c", 0, c);

    EXPECT_EQ(cache.size(), 2U);
    EXPECT_EQ(cache.find("a", 0), a);
    EXPECT_EQ(cache.find("b", 0), nullptr);
    EXPECT_EQ(cache.find("c", 0), c);
}

TEST(PatternCache, OptionsAreAPartOfTheKey) {
    const auto engine = make_platform_engine();
    const auto a = engine->compile("a");
    PatternCache cache;
    cache.insert("a", 1, a);
    EXPECT_EQ(cache.find("a", 1), a);
    EXPECT_EQ(cache.find("a", 2), nullptr);
    EXPECT_EQ(cache.find("1:a", 0), nullptr);
}

}  // namespace
}  // namespace qorvex::rx
