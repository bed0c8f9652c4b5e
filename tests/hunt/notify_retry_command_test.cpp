// `qorvex-hunt notify-retry` as a user runs it: failed messages wait again,
// all of them or one channel's, named by its URL however its secret is
// written.

#include "hunt_cli/notify_retry_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "hunt_process.h"
#include "outbox_history.h"

namespace qorvex::hunt_test {
namespace {

TEST(NotifyRetryCommand, FailedMessagesWaitAgainOnTheirChannel) {
    ScratchFolder folder;
    const auto db = folder.path("hunt.db").string();
    write_outbox_history(db);
    ::setenv("QORVEX_TEST_WECOM_KEY", "693a91f6-7xxx-4bc4-97a0-0ec2sifa5aaa", 1);
    const struct {
        const char* label;
        std::string db;  // empty: the history above
        std::vector<std::string> args;
        int exit_code;
        const char* out;
    } cases[] = {
        {"another channel has none",
         {},
         {"--notify", kNtfyUrl},
         0,
         "0 failed messages wait again on ntfys://ntfy.example.org/***\n"},
        {"the channel, its key from the environment",
         {},
         {"--notify", "wecom://{env:QORVEX_TEST_WECOM_KEY}"},
         0,
         "23 failed messages wait again on wecom://{env:QORVEX_TEST_WECOM_KEY}\n"},
        {"nothing left", {}, {}, 0, "0 failed messages wait again\n"},
        {"a channel URL that names none", {}, {"--notify", "wecom://"}, 2, ""},
        {"no such history", folder.path("missing.db").string(), {}, 1, ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        std::vector<std::string> args{"notify-retry"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.insert(args.begin() + 1, {"--db", row.db.empty() ? db : row.db});
        const auto run = run_hunt(args);
        EXPECT_EQ(run.exit_code, row.exit_code) << run.err;
        EXPECT_EQ(run.out, row.out);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path("missing.db")));
    EXPECT_NE(run_hunt({"report", "--db", db}).out.find("wecom://***: 23 waiting"),
              std::string::npos);
}

}  // namespace
}  // namespace qorvex::hunt_test
