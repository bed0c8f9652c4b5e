// The small handlers of the main window, driven the way the user reaches
// them: help text, code display, the sixteen clear labels and the
// application page.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application_page.h"
#include "runtime/headless/headless_runtime.h"
#include "support/app_started_program.h"

namespace qorvex::app {
namespace {

constexpr std::string_view kCodeDisplay = "网络测试1";
constexpr std::string_view kCodeLabel = "标签2";

std::string result_box(int column) {
    return "编辑框" + std::to_string(column);
}
std::string clear_label(int column) {
    return "透明标签" + std::to_string(column);
}

TEST(HelpText, ShowsTheStepsInOneMessageBox) {
    runtime::HeadlessRuntime runtime;
    test::StartedProgram program(runtime);
    ASSERT_TRUE(runtime.click(program.window(), "按钮1"));
    EXPECT_EQ(runtime.message_boxes(),
              std::vector<std::string>{
                  "1.打开申请Tavik官网\r\n"
                  "2.选择扫描的对应号码归属地\r\n"
                  "3.搜索手机号码后4位，不要搜全号码，搜索到就能申请\r\n"
                  "4.若搜索不到，查询下此号码是否和选择号码归属地一致\r\n"
                  "5.若一致则说明号码已经被别人抢先注册了\r\n"
                  "6.若不一致反馈楼主号码归属地，这是省市代码录入错误的缘故，号码全国通用，"
                  "申请对应归属地也可以"});
}

TEST(CodeDisplay, ShowsTheStartUpCodesBetweenOnes) {
    runtime::HeadlessRuntime runtime;
    test::StartedProgram program(runtime);
    ASSERT_TRUE(runtime.click(program.window(), kCodeDisplay));
    EXPECT_EQ(program.window().text(kCodeLabel), "11118523688911101");  // 1 11 1 85236889 1 110 1
}

TEST(CodeDisplay, FollowsTheLatestPick) {
    runtime::HeadlessRuntime runtime;
    test::StartedProgram program(runtime);
    program.window().set_selection("超级列表框1", 1);
    ASSERT_TRUE(runtime.choose_item(program.window(), "组合框1", 3));
    ASSERT_TRUE(runtime.choose_item(program.window(), "组合框2", 1));
    ASSERT_TRUE(runtime.click(program.window(), kCodeDisplay));
    EXPECT_EQ(program.window().text(kCodeLabel), "13811223636113901");  // 1 38 1 12236361 1 390 1
}

TEST(CodeDisplay, ShowsFourOnesBeforeAnyPick) {
    runtime::HeadlessRuntime runtime;
    // Start without the creation handler, so that no province pick has run.
    test::StartedProgram program(
        runtime,
        test::main_rows_with("", runtime::EventKind::CreationComplete, [](AppContext&) {}));
    ASSERT_TRUE(runtime.click(program.window(), kCodeDisplay));
    EXPECT_EQ(program.window().text(kCodeLabel), "1111");
}

TEST(ClearLabels, EachEmptiesOnlyItsOwnColumn) {
    constexpr int kColumns = 16;
    for (int column = 1; column <= kColumns; ++column) {
        runtime::HeadlessRuntime runtime;
        test::StartedProgram program(runtime);
        runtime::Form& window = program.window();
        for (int other = 1; other <= kColumns; ++other) {
            window.set_text(result_box(other), "13800000000\r\n13900000000");
        }
        // Where in the label and with which keys held does not matter.
        ASSERT_TRUE(runtime.press_label(window, clear_label(column), 3, 4,
                                        runtime::kKeyCtrl + runtime::kKeyShift))
            << column;
        for (int other = 1; other <= kColumns; ++other) {
            EXPECT_EQ(window.text(result_box(other)),
                      other == column ? "" : "13800000000\r\n13900000000")
                << "pressed " << column << ", box " << other;
        }
    }
}

TEST(ApplicationPage, OpensTheCarrierPageWithTheReferralValues) {
    runtime::HeadlessRuntime runtime;
    test::StartedProgram program(runtime);
    const std::string host = "pool.example:8443";
    program.context().services.deployment.carrier_host = host.c_str();
    ASSERT_TRUE(runtime.click(program.window(), "按钮2"));
    ASSERT_EQ(runtime.opened_urls().size(), 1u);
    const std::string& url = runtime.opened_urls().front();
    EXPECT_EQ(url, application_page_url(host));
    EXPECT_EQ(
        url.rfind("https://" + host + "/queen/morvane/royce-tab.html?channel=62&act_type=", 0), 0u)
        << url;
    EXPECT_TRUE(runtime.message_boxes().empty());
}

}  // namespace
}  // namespace qorvex::app
