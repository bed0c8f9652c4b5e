// Pictures of the real windows as the Qt back end draws them: the main window
// right after start-up and the notice window with its confirm button shown.
// scripts/screenshot sets QORVEX_SCREENSHOT_DIR to keep them as PNG files.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QtGlobal>
#include <string>

#include "app/confirm_button_pictures.h"
#include "app/main_window.h"
#include "qt/qt_driver.h"
#include "runtime/qt/screenshot.h"
#include "support/app_started_program.h"

namespace qorvex::test {
namespace {

void keep_if_asked(const QImage& picture, const char* file_name) {
    const QString directory = qEnvironmentVariable("QORVEX_SCREENSHOT_DIR");
    if (!directory.isEmpty()) {
        EXPECT_TRUE(picture.save(directory + "/" + file_name, "PNG")) << file_name;
    }
}

int distinct_colours(const QImage& picture) {
    QList<QRgb> seen;
    for (int y = 0; y < picture.height(); y += 7) {
        for (int x = 0; x < picture.width(); x += 7) {
            const QRgb pixel = picture.pixel(x, y);
            if (!seen.contains(pixel)) {
                seen.push_back(pixel);
            }
        }
    }
    return static_cast<int>(seen.size());
}

TEST(AppScreenshot, MainWindowAfterStartUp) {
    QtDriver driver;
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    driver.process_events();

    const QImage picture = runtime::qt::grab_window(program.window());
    ASSERT_FALSE(picture.isNull());
    // The picture is the client area: 980 x 650 less the designed frame.
    EXPECT_EQ(picture.width(), 964);
    EXPECT_EQ(picture.height(), 612);
    // The scratch box below the result boxes lies outside what the user sees.
    EXPECT_GE(program.window().geometry("数组的电话").top, picture.height());
    // Captions, lists, buttons and edit boxes leave many colours behind.
    EXPECT_GT(distinct_colours(picture), 10);
    keep_if_asked(picture, "main_window.png");
}

TEST(AppScreenshot, NoticeWindowWithItsConfirmButton) {
    QtDriver driver;
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    ASSERT_TRUE(app::open_notice_window(program.context()));
    runtime::Form& notice = *program.context().notice_window;
    notice.set_text("透明标签2", "发现新版本V20190501，请点击确定前往下载。");
    notice.set_visible("长确定", true);
    driver.process_events();

    const QImage picture = runtime::qt::grab_window(notice);
    ASSERT_FALSE(picture.isNull());
    // The client area inside the 380 x 250 dialog frame.
    EXPECT_EQ(picture.width(), 374);
    EXPECT_EQ(picture.height(), 244);

    // The button is drawn from its normal picture: an opaque pixel of the
    // picture shows at the same place inside the button.
    const app::ConfirmButtonPictures pictures = app::confirm_button_pictures();
    const QImage normal =
        QImage::fromData(pictures.normal.data(), static_cast<int>(pictures.normal.size()), "PNG");
    ASSERT_EQ(normal.size(), QSize(120, 30));
    const QColor expected = normal.pixelColor(110, 15);
    const QColor shown = picture.pixelColor(112 + 110, 184 + 15);
    EXPECT_NEAR(shown.red(), expected.red(), 8);
    EXPECT_NEAR(shown.green(), expected.green(), 8);
    EXPECT_NEAR(shown.blue(), expected.blue(), 8);
    keep_if_asked(picture, "notice_window.png");
}

}  // namespace
}  // namespace qorvex::test
