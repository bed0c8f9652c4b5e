// `report` on a history with an outbox: per channel its counts, masked,
// and the latest failures, newest first.

#include "hunt_cli/outbox_report.h"

#include <gtest/gtest.h>

#include "hunt_process.h"
#include "outbox_history.h"

namespace qorvex::hunt_test {
namespace {

TEST(OutboxReport, ShowsCountsPerChannelAndTheLatestFailures) {
    ScratchFolder folder;
    const auto db = folder.path("hunt.db").string();
    write_outbox_history(db);

    const auto report = run_hunt({"report", "--db", db});
    ASSERT_EQ(report.exit_code, 0) << report.err;
    for (const std::string line :
         {"outbox\n", "  wecom://***: 0 waiting, 0 delivered, 23 failed\n",
          "  ntfys://ntfy.example.org/***: 22 waiting, 1 delivered, 0 failed\n",
          "    1970-01-01T00:33:20.022Z  wecom://***  Tavikmax/广东/深圳  13800138022  "
          "errcode 93000: invalid webhook url\n",
          "    and 3 more\n"}) {
        EXPECT_NE(report.out.find(line), std::string::npos) << line << report.out;
    }
    const std::string section = report.out.substr(report.out.find("outbox\n"));
    EXPECT_EQ(section.find("13800138002 "), std::string::npos) << "not among the latest 20";
    EXPECT_LT(section.find("13800138022"), section.find("13800138021")) << "newest first";
    EXPECT_EQ(report.out.find("693a91f6"), std::string::npos) << "the key is masked";

    const auto lines = json_lines(run_hunt({"report", "--db", db, "--json"}).out);
    ASSERT_EQ(lines.size(), 2U);
    const auto& outbox = lines[1];
    EXPECT_EQ(outbox["outbox"][1]["channel"], "wecom://***");
    EXPECT_EQ(outbox["outbox"][1]["failed"], 23);
    EXPECT_EQ(outbox["failed"].size(), 20U);
    EXPECT_EQ(outbox["failed"][0]["number"], "13800138022");
    EXPECT_EQ(outbox["failed_not_listed"], 3);
}

}  // namespace
}  // namespace qorvex::hunt_test
