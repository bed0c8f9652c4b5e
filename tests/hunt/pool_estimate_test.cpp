#include "hunt/pool_estimate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "hunt/reply_reading.h"
#include "regex/platform_engine.h"
#include "scan/number_pool_query.h"
#include "support/pool_sim_fixture.h"
#include "web/platform_transports.h"
#include "web/web_access.h"

namespace qorvex::hunt {
namespace {

TEST(PoolEstimate, TwoOccasionsGiveLincolnPetersen) {
    // 100 and 100 drawn, 10 in both: N = 100 * 100 / 10 and the variance
    // n1 n2 (n1 - m)(n2 - m) / m^3 = 81000 of the two-sample case.
    const auto estimate = estimate_pool({190, {{100, 2}}, {}});
    ASSERT_TRUE(estimate);
    EXPECT_NEAR(estimate->pool, 1000, 1e-6);
    EXPECT_NEAR(estimate->coverage, 0.19, 1e-9);
    const double unseen = 810;
    const double spread = std::exp(1.96 * std::sqrt(std::log1p(81000 / (unseen * unseen))));
    EXPECT_NEAR(estimate->low, 190 + unseen / spread, 1e-3);
    EXPECT_NEAR(estimate->high, 190 + unseen * spread, 1e-3);
}

TEST(PoolEstimate, DegenerateHistories) {
    EXPECT_FALSE(estimate_pool({}));
    EXPECT_FALSE(estimate_pool({300, {{100, 3}}, {}})) << "no repeat yet: no estimate";
    const auto whole = estimate_pool({100, {{100, 1}, {40, 3}}, {}});
    ASSERT_TRUE(whole) << "one reply held every number seen";
    EXPECT_EQ(whole->pool, 100);
    EXPECT_EQ(whole->high, 100);
    EXPECT_EQ(whole->coverage, 1);
}

// The stand-in's pools hold 4000 numbers each. Cycle by cycle against it, as
// the hunter reads replies, the interval must hold the true size from the
// moment half the pool has been seen.
TEST(PoolEstimate, IntervalHoldsThePoolSimSizeOnceHalfIsSeen) {
    test::PoolSim sim;
    const auto engine = rx::make_platform_engine();
    const auto http = web::make_platform_http_transport();
    const region::RegionSnapshot codes{"51", "580", "21236872"};
    std::set<PhoneNumber> seen;
    std::map<int, std::int64_t> sizes;
    int checked = 0;
    for (int cycle = 0; cycle < 80; ++cycle) {
        const auto url = scan::number_pool_url(sim.host(), codes, std::to_string(cycle));
        web::WebAccessArgs args;
        args.url = url;
        const auto body = web::text_of_bytes(web::web_access(*http, args));
        const auto reading = read_reply(*engine, args.status_code, body, "");
        ASSERT_EQ(reading.outcome, CycleOutcome::Numbers) << reading.error;
        for (const auto& sighting : reading.sightings) {
            seen.insert(sighting.number);
        }
        ++sizes[int(reading.sightings.size())];
        const auto estimate =
            estimate_pool({std::int64_t(seen.size()), {sizes.begin(), sizes.end()}, {}});
        if (estimate && estimate->coverage > 0.5) {
            SCOPED_TRACE("cycle " + std::to_string(cycle));
            EXPECT_LE(estimate->low, 4000);
            EXPECT_GE(estimate->high, 4000);
            ++checked;
        }
    }
    EXPECT_GT(checked, 40);
}

}  // namespace
}  // namespace qorvex::hunt
