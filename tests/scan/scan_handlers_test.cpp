// The number lookup and the network test as the user reaches them: typed
// input, a click on the button, the caption or message box that results.

#include <gtest/gtest.h>

#include <string>

#include "runtime/headless/headless_runtime.h"
#include "scan/network_test.h"
#include "scan/number_lookup.h"
#include "scan/pipeline.h"
#include "scan_rig.h"

namespace qorvex::scan {
namespace {

using test::PoolSimOptions;
using test::ScanRig;

constexpr std::string_view kLookupButton = "查询匹配号";
constexpr std::string_view kLookupInput = "编辑框999";
constexpr std::string_view kLookupLabel = "标签1";

struct LookupCase {
    const char* label;
    const char* box;
    const char* input;
    std::string_view caption;
};

TEST(NumberLookupHandler, CaptionTellsWhetherTheNumberWasFound) {
    const LookupCase cases[] = {
        {"the second of three", "13000000001\r\n13000000002\r\n13000000003\r\n", "13000000002",
         kLookupFound},
        {"none of them", "13000000001\r\n13000000002\r\n", "13000000009", kLookupNotFound},
        {"empty box", "", "13000000001", kLookupReady},
        {"leading space and trailing letter", "13000000001\r\n13000000002\r\n", " 13000000002a",
         kLookupFound},
        {"full-width digits", "13000000001\r\n", "１３００００００００１", kLookupFound},
        {"equal only modulo 2^32", "17307312974\r\n", "13012345678", kLookupNotFound},
        {"non-numeric input finds an empty line", "13000000001\r\n\r\n5\r\n", "abc", kLookupFound},
        {"no line after the last line end", "13000000001\r\n", "0", kLookupNotFound},
        {"last line without a line end", "13000000001\r\n13000000002", "13000000002", kLookupFound},
        {"a lone line feed does not end a line", "5\n6\r\n", "6", kLookupNotFound},
    };
    runtime::HeadlessRuntime runtime;
    test::PoolSimProgram program(runtime);
    runtime::Form& window = program.window();
    for (const LookupCase& row : cases) {
        SCOPED_TRACE(row.label);
        window.set_text(kLookupLabel, "");
        window.set_text(kAllNumbersBox, row.box);
        window.set_text(kLookupInput, row.input);
        ASSERT_TRUE(runtime.click(window, kLookupButton));
        EXPECT_EQ(window.text(kLookupLabel), row.caption);
    }
}

TEST(NumberLookupHandler, FindsANumberTheScanListed) {
    ScanRig rig;
    rig.start("1");
    ASSERT_TRUE(rig.tick());
    ASSERT_TRUE(rig.wait_for_cycles());
    const auto listed = rig.lines(kAllNumbersBox);
    ASSERT_EQ(listed.size(), 200U);

    rig.window().set_text(kLookupInput, " " + listed[150]);
    ASSERT_TRUE(rig.runtime().click(rig.window(), kLookupButton));
    EXPECT_EQ(rig.window().text(kLookupLabel), kLookupFound);

    rig.window().set_text(kLookupInput, "10000000000");
    ASSERT_TRUE(rig.runtime().click(rig.window(), kLookupButton));
    EXPECT_EQ(rig.window().text(kLookupLabel), kLookupNotFound);
}

struct NetworkCase {
    const char* label;
    PoolSimOptions options;
    std::string_view message;
};

TEST(NetworkTestHandler, MessageBoxTellsWhetherTheServiceDeliversNumbers) {
    const NetworkCase cases[] = {
        {"numbers delivered", {}, kServiceWorking},
        {"rate-limit page", {.reply = "rate-limit"}, kServiceFailing},
        {"service failing", {.failure_rate = 1.0}, kServiceFailing},
    };
    for (const NetworkCase& row : cases) {
        SCOPED_TRACE(row.label);
        ScanRig rig(row.options);
        // Whatever province is picked, the test asks for 上海.
        ASSERT_TRUE(rig.runtime().choose_item(rig.window(), "组合框1", 2));
        ASSERT_TRUE(rig.runtime().click(rig.window(), "网络测试"));

        ASSERT_EQ(rig.runtime().message_boxes().size(), 1U);
        EXPECT_EQ(rig.runtime().message_boxes()[0], row.message);
        const auto served = rig.pool_sim().served();
        ASSERT_EQ(served.size(), 1U);
        EXPECT_EQ(test::query_value(served[0].query, "provinceCode"), "31");
    }
}

}  // namespace
}  // namespace qorvex::scan
