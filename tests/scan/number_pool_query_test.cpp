#include "scan/number_pool_query.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "support/pool_sim_fixture.h"
#include "web/http_transport.h"
#include "web/platform_transports.h"

namespace qorvex::scan {
namespace {

constexpr const char* kHost = "pool.example:8443";

TEST(NumberPoolQuery, OnlyTheTwoCardOffersWithGroupKeysAreQueried) {
    EXPECT_FALSE(card_row_queries(-1));
    EXPECT_TRUE(card_row_queries(0));
    EXPECT_TRUE(card_row_queries(1));
    EXPECT_FALSE(card_row_queries(2));
}

struct UrlCase {
    const char* label;
    region::RegionSnapshot codes;
    const char* expected;
};

TEST(NumberPoolQuery, UrlFollowsTheTemplateWithEmptyValuesKept) {
    const UrlCase cases[] = {
        {"Shanghai",
         {"31", "310", "34236498"},
         "https://pool.example:8443/NumApp/NumberCenter/qryNum?callback=jsonp_queryMoreNums"
         "&provinceCode=31&cityCode=310&monthFeeLimit=0&groupKey=34236498&searchCategory=3"
         "&net=01&amounts=200&codeTypeCode=&searchValue=&qryType=02&goodsNet=4&_=1556000000123"},
        {"empty group key still sent",
         {"51", "540", ""},
         "https://pool.example:8443/NumApp/NumberCenter/qryNum?callback=jsonp_queryMoreNums"
         "&provinceCode=51&cityCode=540&monthFeeLimit=0&groupKey=&searchCategory=3"
         "&net=01&amounts=200&codeTypeCode=&searchValue=&qryType=02&goodsNet=4&_=1556000000123"},
        {"nothing picked yet",
         {"", "", ""},
         "https://pool.example:8443/NumApp/NumberCenter/qryNum?callback=jsonp_queryMoreNums"
         "&provinceCode=&cityCode=&monthFeeLimit=0&groupKey=&searchCategory=3"
         "&net=01&amounts=200&codeTypeCode=&searchValue=&qryType=02&goodsNet=4&_=1556000000123"},
    };
    for (const UrlCase& row : cases) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(number_pool_url(kHost, row.codes, "1556000000123"), row.expected);
    }
}

std::string shanghai_url(const test::PoolSim& sim, std::string_view stamp) {
    return number_pool_url(sim.host(), {"31", "310", "34236498"}, stamp);
}

int phone_numbers_in(const std::string& text) {
    const std::regex number("1[0-9]{10}");
    return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), number),
                                          std::sregex_iterator()));
}

TEST(NumberPoolQuery, FetchesTheReplyOfTheStandInAsText) {
    test::PoolSim sim;
    const auto http = web::make_platform_http_transport();
    const std::string reply = fetch_reply_text(*http, shanghai_url(sim, "1556000000123"));

    EXPECT_EQ(reply.rfind("jsonp_queryMoreNums(", 0), 0U);
    EXPECT_EQ(phone_numbers_in(reply), 200);
    const auto served = sim.served();
    ASSERT_EQ(served.size(), 1U);
    EXPECT_EQ(served[0].body, reply);
    EXPECT_EQ(test::query_value(served[0].query, "_"), "1556000000123");
    EXPECT_EQ(test::query_value(served[0].query, "codeTypeCode"), "");
}

TEST(NumberPoolQuery, ReplyIsCutAtItsFirstZeroByte) {
    test::PoolSim sim({.reply = "zero-byte"});
    const auto http = web::make_platform_http_transport();
    const std::string reply = fetch_reply_text(*http, shanghai_url(sim, "1556000000123"));

    const auto served = sim.served();
    ASSERT_EQ(served.size(), 1U);
    const std::size_t zero = served[0].body.find('\0');
    ASSERT_NE(zero, std::string::npos);
    EXPECT_EQ(reply, served[0].body.substr(0, zero));
}

TEST(NumberPoolQuery, EmptyGroupKeyIsStillSentAndFindsNoNumbers) {
    test::PoolSim sim;
    const auto http = web::make_platform_http_transport();
    const std::string reply =
        fetch_reply_text(*http, number_pool_url(sim.host(), {"31", "310", ""}, "1556000000123"));

    ASSERT_EQ(sim.served().size(), 1U);
    EXPECT_EQ(test::query_value(sim.served()[0].query, "groupKey"), "");
    EXPECT_NE(reply.find("\"numArray\":[]"), std::string::npos);
    EXPECT_EQ(phone_numbers_in(reply), 0);
}

TEST(NumberPoolQuery, FailedExchangeGivesTheEmptyText) {
    std::string host;
    {
        test::PoolSim gone;
        host = gone.host();
    }
    const auto http = web::make_platform_http_transport();
    EXPECT_EQ(fetch_reply_text(*http, number_pool_url(host, {"31", "310", "34236498"}, "1")), "");
}

}  // namespace
}  // namespace qorvex::scan
