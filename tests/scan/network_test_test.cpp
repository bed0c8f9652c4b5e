#include "scan/network_test.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "regex/platform_engine.h"
#include "support/pool_sim_fixture.h"
#include "web/clock.h"
#include "web/platform_transports.h"

namespace qorvex::scan {
namespace {

TEST(NetworkTest, MoreThanFiftyNumbersMeanAWorkingService) {
    EXPECT_EQ(network_test_message(0), kServiceFailing);
    EXPECT_EQ(network_test_message(50), kServiceFailing);
    EXPECT_EQ(network_test_message(51), kServiceWorking);
    EXPECT_EQ(network_test_message(200), kServiceWorking);
}

struct ServiceCase {
    const char* label;
    test::PoolSimOptions options;
    std::string_view expected;
};

TEST(NetworkTest, TellsWhetherTheStandInDeliversNumbers) {
    const ServiceCase cases[] = {
        {"a full reply", {}, kServiceWorking},
        {"the rate-limit page", {.reply = "rate-limit"}, kServiceFailing},
        {"an error status", {.failure_rate = 1.0}, kServiceFailing},
    };
    const auto http = web::make_platform_http_transport();
    const auto regex = rx::make_platform_engine();
    web::SystemClock clock;
    for (const ServiceCase& row : cases) {
        SCOPED_TRACE(row.label);
        test::PoolSim sim(row.options);
        EXPECT_EQ(run_network_test(*http, *regex, clock, sim.host()), row.expected);

        // Whatever the user picked, the test asks for 上海 with the first card offer.
        const auto served = sim.served();
        ASSERT_EQ(served.size(), 1U);
        EXPECT_EQ(test::query_value(served[0].query, "provinceCode"), "31");
        EXPECT_EQ(test::query_value(served[0].query, "cityCode"), "310");
        EXPECT_EQ(test::query_value(served[0].query, "groupKey"), "34236498");
        EXPECT_EQ(test::query_value(served[0].query, "_").size(), 13U);
    }
}

TEST(NetworkTest, UnreachableServiceFails) {
    std::string host;
    {
        test::PoolSim gone;
        host = gone.host();
    }
    const auto http = web::make_platform_http_transport();
    const auto regex = rx::make_platform_engine();
    web::SystemClock clock;
    EXPECT_EQ(run_network_test(*http, *regex, clock, host), kServiceFailing);
}

}  // namespace
}  // namespace qorvex::scan
