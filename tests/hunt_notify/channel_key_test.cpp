#include "hunt/notify/channel_key.h"

#include <gtest/gtest.h>

#include <map>

namespace qorvex::hunt::notify {
namespace {

Channel parsed(const std::string& url) {
    static const std::map<std::string, std::string, std::less<>> kEnvironment{
        {"DING", "tok123"}, {"DING_SECRET", "SECabc"}};
    const Environment environment = [](std::string_view name) -> std::optional<std::string> {
        const auto found = kEnvironment.find(name);
        return found == kEnvironment.end() ? std::nullopt : std::optional(found->second);
    };
    const ChannelParse parse = parse_channel(url, environment);
    EXPECT_TRUE(parse.channel) << url << ": " << parse.error;
    return parse.channel.value_or(Channel{});
}

// The key names what the channel resolves to: the same bot written out or
// through the environment is one channel, and another secret is another.
TEST(ChannelKey, NamesTheResolvedChannel) {
    const std::string key = channel_key(parsed("dingtalk://SECabc@tok123"));
    EXPECT_EQ(key.size(), 64U);
    EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(channel_key(parsed("dingtalk://{env:DING_SECRET}@{env:DING}")), key);
    const struct {
        const char* label;
        const char* url;
    } others[] = {{"another secret", "dingtalk://SECabd@tok123"},
                  {"unsigned", "dingtalk://tok123"},
                  {"another service", "wecom://tok123"}};
    for (const auto& row : others) {
        EXPECT_NE(channel_key(parsed(row.url)), key) << row.label;
    }
}

}  // namespace
}  // namespace qorvex::hunt::notify
