// The update notice as the Qt back end shows it: the program starts against
// the stand-in service serving a newer version, the main window's first
// activation fetches the version file over libcurl, and the notice opens
// modal over the main window. QORVEX_SCREENSHOT_DIR keeps the picture of
// both windows as the user sees them.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QtGlobal>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/main_window.h"
#include "qt/qt_driver.h"
#include "regex/pcre2/pcre2_engine.h"
#include "runtime/qt/qt_form.h"
#include "runtime/qt/screenshot.h"
#include "support/app_fakes.h"
#include "support/pool_sim_fixture.h"
#include "web/clock.h"
#include "web/curl/curl_fetch_transport.h"

namespace qorvex::test {
namespace {

constexpr const char* kReleaseHost = "127.0.0.1:8443";

// The notice drawn over the main window where the screen puts each of them,
// with a thin line for the notice's dialog frame.
QImage notice_over_main(runtime::Form& main, runtime::Form& notice) {
    QImage picture = runtime::qt::grab_window(main).convertToFormat(QImage::Format_RGB32);
    const QImage notice_picture = runtime::qt::grab_window(notice);
    const QPoint offset = qt_form(notice).window()->mapToGlobal(QPoint(0, 0)) -
                          qt_form(main).window()->mapToGlobal(QPoint(0, 0));
    QPainter painter(&picture);
    painter.drawImage(offset, notice_picture);
    painter.setPen(QColor(80, 80, 80));
    painter.drawRect(QRect(offset - QPoint(1, 1), notice_picture.size() + QSize(1, 1)));
    return picture;
}

TEST(UpdateNoticeQt, NewerVersionOpensTheNoticeOverTheDisabledMainWindow) {
    PoolSimOptions options;
    options.version = "newer";
    PoolSim stand_in(options);
    const std::unique_ptr<web::FetchTransport> fetch =
        web::make_curl_fetch_transport(stand_in.ca_file());
    const std::unique_ptr<rx::RegexEngine> regex = rx::make_pcre2_engine();
    OfflineHttpTransport http;
    web::SystemClock clock;
    const std::string download_host = stand_in.host();
    QtDriver driver;
    app::AppContext context(
        driver.runtime(),
        app::Services{
            .regex = *regex,
            .http = http,
            .fetch = *fetch,
            .clock = clock,
            .deployment = {.download_host = download_host.c_str(), .release_host = kReleaseHost},
        });

    ASSERT_TRUE(app::open_main_window(context));
    // The notice opened on the way ends up the active window, not the main one.
    driver.activate(*context.main_window);
    // The version file comes on a worker; the notice follows on the window's thread.
    ASSERT_TRUE(driver.wait_until([&]() { return context.notice_window != nullptr; },
                                  std::chrono::seconds(30)));
    driver.process_events();
    runtime::Form& main = *context.main_window;
    runtime::Form& notice = *context.notice_window;
    EXPECT_FALSE(main.window_enabled());
    EXPECT_TRUE(notice.visible("长确定"));
    EXPECT_EQ(notice.text("透明标签2"),
              "检测到新版本，到论坛下载新版本\r\n\r\n当前版本：V20190423\r\n\r\n最新版本："
              "V20190501\r\n\r\n如果最新版本为空白则软件没网，查看网络防火墙是否允许软件联网，"
              "或建议使用VM虚拟机使用");
    EXPECT_FALSE(driver.click(main, "开始"));

    const QImage picture = notice_over_main(main, notice);
    ASSERT_FALSE(picture.isNull());
    const QString directory = qEnvironmentVariable("QORVEX_SCREENSHOT_DIR");
    if (!directory.isEmpty()) {
        EXPECT_TRUE(picture.save(directory + "/update_notice.png", "PNG"));
    }

    ASSERT_TRUE(driver.click(notice, "长确定"));
    driver.process_events();
    EXPECT_EQ(driver.opened_urls(),
              std::vector<std::string>{"https://127.0.0.1:8443/thread-100001-1-1.html"});
    EXPECT_FALSE(main.exists());
    EXPECT_FALSE(notice.exists());
    EXPECT_EQ(driver.exit_code(), 0);
}

}  // namespace
}  // namespace qorvex::test
