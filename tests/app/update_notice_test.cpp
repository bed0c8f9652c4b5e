// The update check at the main window's first activation and the notice
// window it opens, on the headless back end: the version file comes from the
// stand-in service over the platform's own fetch (libcurl, or WinINet under
// Wine with the stand-in's CA in the prefix's store), or from a scripted
// transport where a test needs a file of its own.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/handlers.h"
#include "app/main_window.h"
#include "regex/platform_engine.h"
#include "runtime/headless/headless_runtime.h"
#include "support/app_fakes.h"
#include "support/pool_sim_fixture.h"
#include "support/scripted_fetch_transport.h"
#include "support/test_server.h"
#include "web/platform_transports.h"
#include "web/update_check.h"
#include "web/wininet_fetch.h"

namespace qorvex::app {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kReleaseHost = "bbs.example:8443";
constexpr std::string_view kNoticeLabel = "透明标签2";
constexpr std::string_view kConfirmButton = "长确定";

std::string expected_message(std::string_view latest) {
    return "检测到新版本，到论坛下载新版本\r\n\r\n当前版本：V20190423\r\n\r\n最新版本：" +
           std::string(latest) +
           "\r\n\r\n如果最新版本为空白则软件没网，查看网络防火墙是否允许软件联网，或建议使用VM虚"
           "拟机使用";
}

web::Bytes gbk_version_file(std::string_view version) {
    // 版本【 … 】 in GBK.
    return web::bytes_of_text("\xB0\xE6\xB1\xBE\xA1\xBE" + std::string(version) + "\xA1\xBF");
}

// The program with its main window open on a headless runtime, the update
// check fetching through `fetch` from `download_host`.
class UpdateRun {
public:
    UpdateRun(web::FetchTransport& fetch, std::string download_host)
        : m_download_host(std::move(download_host)),
          m_regex(rx::make_platform_engine()),
          m_context(m_runtime, Services{
                                   .regex = *m_regex,
                                   .http = m_http,
                                   .fetch = fetch,
                                   .clock = m_clock,
                                   .deployment = {.download_host = m_download_host.c_str(),
                                                  .release_host = kReleaseHost.data()},
                               }) {
        open_main_window(m_context);
    }

    ~UpdateRun() {
        for (const auto& window : {m_context.notice_window, m_context.main_window}) {
            if (window && window->exists()) {
                window->destroy();
            }
        }
    }

    runtime::HeadlessRuntime& runtime() { return m_runtime; }
    AppContext& context() { return m_context; }
    // Activates the main window and lets the check's fetch, on its worker,
    // come back.
    bool activate_and_wait() {
        if (!m_runtime.activate(main())) {
            return false;
        }
        const bool back =
            m_runtime.wait_until([this]() { return m_context.background.in_flight() == 0; }, 60s);
        m_runtime.process_posted();
        return back;
    }
    runtime::Form& main() { return *m_context.main_window; }
    bool notice_open() const {
        return m_context.notice_window && m_context.notice_window->exists();
    }
    runtime::Form& notice() { return *m_context.notice_window; }

private:
    std::string m_download_host;
    runtime::HeadlessRuntime m_runtime;
    std::unique_ptr<rx::RegexEngine> m_regex;
    test::OfflineHttpTransport m_http;
    web::SystemClock m_clock;
    AppContext m_context;
};

struct StandInRow {
    const char* label;
    std::string version_mode;
    bool trust_its_certificate;
    bool notice;
    std::string latest;
};

TEST(UpdateNotice, FollowsTheVersionFileOfTheStandIn) {
    const std::vector<StandInRow> rows = {
        {"same version: no notice", "current", true, false, ""},
        {"newer version: both names", "newer", true, true, "V20190501"},
        {"empty reply: empty newest version", "empty", true, true, ""},
        {"no markers: empty newest version", "no-markers", true, true, ""},
        {"untrusted certificate: nothing fetched", "current", false, true, ""},
    };
    test::PoolSim stand_in;
    const std::unique_ptr<web::FetchTransport> trusting =
        web::make_platform_fetch_transport(stand_in.ca_file());
    const std::unique_ptr<web::FetchTransport> untrusting = web::make_platform_fetch_transport();
    for (const StandInRow& row : rows) {
#ifdef _WIN32
        // WinINet trusts the machine's store, where the stand-in's CA is put.
        if (!row.trust_its_certificate) {
            continue;
        }
#endif
        ASSERT_FALSE(web::wininet_fetch(*trusting, "https://" + stand_in.host() +
                                                       "/__control?version=" + row.version_mode)
                         .empty())
            << row.label;
        UpdateRun run(row.trust_its_certificate ? *trusting : *untrusting, stand_in.host());

        ASSERT_TRUE(run.activate_and_wait()) << row.label;
        EXPECT_EQ(run.notice_open(), row.notice) << row.label;
        EXPECT_EQ(run.main().window_enabled(), !row.notice) << row.label;
        EXPECT_EQ(run.context().update.update_flag, row.notice ? web::kUpdateFound : 0)
            << row.label;
        if (row.notice && run.notice_open()) {
            EXPECT_TRUE(run.notice().visible(kConfirmButton)) << row.label;
            EXPECT_EQ(run.notice().text(kNoticeLabel), expected_message(row.latest)) << row.label;
        }
    }
}

TEST(UpdateNotice, ConfirmOpensTheReleasePageAndEndsTheProgramWithExitCode0) {
    runtime::HeadlessRuntime runtime;
    test::AppTestServices test_services;
    test::ScriptedFetchTransport fetch;
    fetch.reply.body = gbk_version_file("V20190501");
    Services services = test_services.services();
    const Services with_update{
        .regex = services.regex,
        .http = services.http,
        .fetch = fetch,
        .clock = services.clock,
        .deployment = {.download_host = "dl.example", .release_host = kReleaseHost.data()},
    };
    bool main_disabled_under_notice = false;
    bool confirmed = false;
    // Runs inside the message loop, once the program has shown its window.
    runtime.post([&] {
        const auto windows = runtime.windows();
        ASSERT_EQ(windows.size(), 1U);
        ASSERT_TRUE(runtime.activate(*windows[0]));
        ASSERT_TRUE(runtime.wait_until([&] { return runtime.windows().size() == 2; }, 10s));
        const auto both = runtime.windows();
        main_disabled_under_notice = !both[0]->window_enabled();
        EXPECT_FALSE(runtime.click(*both[0], "开始"));
        confirmed = runtime.click(*both[1], kConfirmButton);
    });

    EXPECT_EQ(run_program(runtime, with_update), 0);
    EXPECT_TRUE(main_disabled_under_notice);
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(runtime.opened_urls(),
              std::vector<std::string>{"https://bbs.example:8443/thread-100001-1-1.html"});
    EXPECT_TRUE(runtime.windows().empty());
}

TEST(UpdateNotice, WithoutTheUpdateFlagTheNoticeStaysEmptyAndGoesAlone) {
    test::ScriptedFetchTransport fetch;
    UpdateRun run(fetch, "dl.example");
    ASSERT_TRUE(open_notice_window(run.context()));
    EXPECT_FALSE(run.notice().visible(kConfirmButton));
    EXPECT_EQ(run.notice().text(kNoticeLabel), "");
    EXPECT_FALSE(run.main().window_enabled());

    on_notice_confirm_clicked(run.context());

    EXPECT_FALSE(run.notice_open());
    ASSERT_TRUE(run.main().exists());
    EXPECT_TRUE(run.main().window_enabled());
    EXPECT_TRUE(run.runtime().opened_urls().empty());
    EXPECT_FALSE(run.runtime().exit_code().has_value());
}

TEST(UpdateNotice, ASecondActivationDoesNotCheckAgain) {
    test::ScriptedFetchTransport fetch;
    fetch.reply.body = gbk_version_file("V20190423");
    UpdateRun run(fetch, "dl.example");

    ASSERT_TRUE(run.activate_and_wait());
    ASSERT_TRUE(run.activate_and_wait());
    on_first_activation(run.context());
    run.runtime().process_posted();

    EXPECT_EQ(fetch.opened.size(), 1U);
    EXPECT_FALSE(run.notice_open());
}

TEST(UpdateNotice, AnEmptyDownloadHostMakesNoCheck) {
    test::ScriptedFetchTransport fetch;
    UpdateRun run(fetch, "");

    ASSERT_TRUE(run.activate_and_wait());

    EXPECT_TRUE(fetch.opened.empty());
    EXPECT_FALSE(run.notice_open());
    EXPECT_TRUE(run.main().window_enabled());
    EXPECT_EQ(run.context().update.update_flag, 0);
}

// The check's fetch does not hold the window or the end of the program: a
// download host that takes the connection and never answers leaves the
// window working, and closing it ends the program at once.
TEST(UpdateNotice, ClosingDuringTheVersionFetchEndsPromptly) {
    test_support::TestServerOptions options;
    options.silent = true;
    test_support::TestServer silent(options);
    const std::unique_ptr<web::FetchTransport> fetch = web::make_platform_fetch_transport();
    auto run = std::make_unique<UpdateRun>(*fetch, silent.host_port());
    ASSERT_TRUE(run->runtime().activate(run->main()));
    EXPECT_FALSE(run->runtime().wait_until(
        [&] { return run->context().background.in_flight() == 0; }, 500ms));
    // The help button still answers meanwhile.
    EXPECT_TRUE(run->runtime().click(run->main(), "按钮1"));
    EXPECT_EQ(run->runtime().message_boxes().size(), 1U);

    const auto closing = std::chrono::steady_clock::now();
    ASSERT_TRUE(run->runtime().close(run->main()));
    run.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 1000ms);
}

}  // namespace
}  // namespace qorvex::app
