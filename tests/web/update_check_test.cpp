#include "web/update_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_fetch_transport.h"

namespace qorvex::web {
namespace {

using test::ScriptedFetchTransport;

constexpr std::string_view kHost = "127.0.0.1:8443";

// The three steps of the check, one after the other.
bool update_check(FetchTransport& transport, std::string_view host, UpdateState& state) {
    return begin_update_check(host, state) &&
           finish_update_check(fetch_version_file(transport, host), state);
}

// The GBK bytes of 版本【 and 】.
const std::string kGbkBegin = "\xB0\xE6\xB1\xBE\xA1\xBE";
const std::string kGbkEnd = "\xA1\xBF";

struct VersionFileRow {
    const char* label;
    std::string file;
    std::string latest;
    bool notice;
};

TEST(UpdateCheck, ComparesTheVersionNamedByTheFileExactly) {
    const std::vector<VersionFileRow> rows = {
        {"GBK file, same version", "\xB8\xFC\xD0\xC2\r\n" + kGbkBegin + "V20190423" + kGbkEnd,
         "V20190423", false},
        {"GBK file, newer version", kGbkBegin + "V20190501" + kGbkEnd + "\r\n", "V20190501", true},
        {"UTF-8 file, same version", "版本【V20190423】", "V20190423", false},
        {"a trailing space counts", kGbkBegin + "V20190423 " + kGbkEnd, "V20190423 ", true},
        {"letter case counts", kGbkBegin + "v20190423" + kGbkEnd, "v20190423", true},
        {"the first marker pair counts",
         kGbkBegin + "V20190423" + kGbkEnd + kGbkBegin + "V1" + kGbkEnd, "V20190423", false},
        {"empty reply", "", "", true},
        {"no markers", "V20190501\r\n", "", true},
        {"no closing marker", kGbkBegin + "V20190423", "", true},
        {"text ends at a zero byte", std::string("\0", 1) + kGbkBegin + "V20190423" + kGbkEnd, "",
         true},
    };
    for (const VersionFileRow& row : rows) {
        ScriptedFetchTransport transport;
        transport.reply.body = bytes_of_text(row.file);
        UpdateState state;
        EXPECT_EQ(update_check(transport, kHost, state), row.notice) << row.label;
        EXPECT_EQ(state.current_version, "V20190423") << row.label;
        EXPECT_EQ(state.latest_version, row.latest) << row.label;
        EXPECT_EQ(state.update_flag, row.notice ? 7 : 0) << row.label;
    }
}

TEST(UpdateCheck, FetchesTheVersionFileOverHttpsWithDefaultsOnly) {
    ScriptedFetchTransport transport;
    UpdateState state;
    update_check(transport, kHost, state);

    ASSERT_EQ(transport.opened.size(), 1U);
    const FetchTarget& target = transport.opened[0];
    EXPECT_EQ(target.verb, "GET");
    EXPECT_EQ(target.host, "127.0.0.1");
    EXPECT_EQ(target.port, 8443);
    EXPECT_EQ(target.path, "/%E6%9B%B4%E6%96%B0%E7%89%88%E6%9C%AC.txt");
    EXPECT_TRUE(target.flags.secure);
    EXPECT_EQ(target.proxy, "");
    EXPECT_EQ(target.user_agent, "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    ASSERT_EQ(transport.sent.size(), 1U);
    EXPECT_EQ(transport.sent[0].header_block,
              "Accept: */*\r\nReferer: https://127.0.0.1:8443/"
              "%E6%9B%B4%E6%96%B0%E7%89%88%E6%9C%AC.txt\r\nAccept-Language: zh-cn");
}

TEST(UpdateCheck, AFetchThatCannotBeOpenedNamesNoVersion) {
    ScriptedFetchTransport transport;
    transport.can_open = false;
    UpdateState state;

    EXPECT_TRUE(update_check(transport, kHost, state));
    EXPECT_EQ(state.latest_version, "");
    EXPECT_EQ(state.update_flag, kUpdateFound);
}

TEST(UpdateCheck, AddressesOnTheDeploymentHosts) {
    EXPECT_EQ(version_file_url("dl.example"),
              "https://dl.example/%E6%9B%B4%E6%96%B0%E7%89%88%E6%9C%AC.txt");
    EXPECT_EQ(release_page_url("bbs.example:444"),
              "https://bbs.example:444/thread-100001-1-1.html");
}

}  // namespace
}  // namespace qorvex::web
