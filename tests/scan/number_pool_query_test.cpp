#include "scan/number_pool_query.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qorvex::scan
