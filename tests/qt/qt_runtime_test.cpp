// The Qt runtime around its windows: message boxes, the message loop and its
// activations, delay, posted tasks, refused pictures and screenshots.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <thread>

#include "qt/qt_driver.h"
#include "qt/qt_test_forms.h"
#include "runtime/qt/png_image.h"
#include "runtime/qt/qt_form.h"
#include "runtime/qt/screenshot.h"
#include "support/runtime_contract_form.h"

namespace qorvex::test {
namespace {

using runtime::ComponentType;
using Events = std::vector<std::string>;

TEST(QtRuntime, MessageBoxIsAnApplicationModalBoxWithOkOnly) {
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({}));
    QMessageBox::Icon icon = QMessageBox::Warning;
    QMessageBox::StandardButtons buttons;
    Qt::WindowModality modality = Qt::NonModal;
    bool owned = true;
    QTimer::singleShot(0, [&]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        buttons = box->standardButtons();
        modality = box->windowModality();
        owned = box->parentWidget() != nullptr;
    });
    driver.runtime().message_box("1.打开申请Tavik官网\r\n2.选择扫描的对应号码归属地");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, QMessageBox::Ok);
    EXPECT_EQ(modality, Qt::ApplicationModal);
    EXPECT_FALSE(owned);
    EXPECT_EQ(driver.message_box_captions(), Events{"信息："});
    EXPECT_EQ(*driver.message_boxes(), Events{"1.打开申请Tavik官网\r\n2.选择扫描的对应号码归属地"});
}

TEST(QtRuntime, RunActivatesTheWindowsAndEndsWithTheLastOne) {
    QtDriver driver;
    auto first = std::make_unique<ContractWindow>(driver, qt_test_form({}));
    auto second = std::make_unique<ContractWindow>(driver, qt_test_form({}));
    driver.process_events();
    EXPECT_EQ(first->events(), Events{"window created"});
    Events made_in_loop;
    QTimer::singleShot(0, [&]() {
        // A window made while the loop runs is activated as it is shown.
        ContractWindow third(driver, qt_test_form({}));
        made_in_loop = third.events();
        first->form().destroy();
        second->form().destroy();
    });
    EXPECT_EQ(driver.runtime().run(), 0);
    EXPECT_EQ(first->events(), (Events{"window created", "window first activation"}));
    EXPECT_EQ(second->events(), (Events{"window created", "window first activation"}));
    EXPECT_EQ(made_in_loop, (Events{"window created", "window first activation"}));
    EXPECT_EQ(driver.exit_code(), 0);
}

TEST(QtRuntime, RunWithoutWindowsReturnsAtOnce) {
    QtDriver driver;
    EXPECT_EQ(driver.runtime().run(), 0);
}

TEST(QtRuntime, DelayKeepsDispatchingEvents) {
    auto timer = qt_component("时钟1", ComponentType::Timer, {560, 8, 26, 26});
    timer.timer_period_ms = 5;
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({timer}));
    bool posted_ran = false;
    std::thread poster([&]() { driver.runtime().post([&]() { posted_ran = true; }); });
    poster.join();
    driver.runtime().delay(100);
    EXPECT_TRUE(posted_ran);
    EXPECT_GE(std::count(window.events().begin(), window.events().end(), "时钟1 elapsed"), 2);
}

TEST(QtRuntime, TasksStillQueuedWhenTheLastWindowGoesAreDropped) {
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({}));
    int ran = 0;
    driver.runtime().post([&ran]() { ++ran; });
    driver.runtime().post([&ran]() { ++ran; });
    window.form().destroy();
    driver.process_events();
    EXPECT_EQ(ran, 0);
}

TEST(QtRuntime, PictureThatIsNoPngRefusesTheWindow) {
    const std::vector<std::uint8_t> not_png{'G', 'I', 'F', '8', '9', 'a', 0, 0};
    auto button = qt_component("长确定", ComponentType::PictureButton, {112, 184, 120, 30});
    button.pictures = {not_png, not_png, not_png};
    QtDriver driver;
    EXPECT_EQ(
        driver.runtime().create_window(qt_test_form({button}), {}, runtime::WindowMode::Normal),
        nullptr);
    EXPECT_EQ(driver.exit_code(), std::nullopt);
}

// Writes the picture beside the test binary, where a developer can look at it.
TEST(QtRuntime, ScreenshotShowsTheWindowWithChineseCaptions) {
    auto group = qt_component("分组框1", ComponentType::GroupBox, {10, 10, 240, 80}, "通用设置");
    auto radio =
        qt_component("单选框1", ComponentType::RadioButton, {8, 20, 110, 24}, "包含所有数字");
    radio.parent = "分组框1";
    radio.checked = true;
    auto label = qt_component("透明标签1", ComponentType::TransparentLabel, {10, 100, 240, 40},
                              "扫建议5秒以上,时间太短会不出号,也容易导致当前IP暂时性禁止访问");
    label.font.pixel_height = 12;
    auto button = qt_component("按钮2", ComponentType::Button, {10, 150, 108, 50},
                               "打开直达\r\nTavik申请官网");
    button.font.pixel_height = 16;
    auto box = qt_component("编辑框1", ComponentType::EditBox, {260, 10, 115, 130},
                            "13800000001\r\n13900000002\r\n18612345678");
    box.edit_style = runtime::EditStyle::MultiLineWithScrollBar;
    box.font = {.pixel_height = 16, .charset = runtime::Charset::Gb2312};
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({group, radio, label, button, box}));
    const std::string path = std::string(QORVEX_BINARY_DIR) + "/qt_screenshot_test.png";
    QFile::remove(QString::fromStdString(path));
    ASSERT_TRUE(runtime::qt::save_screenshot(window.form(), path));

    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QImage picture =
        runtime::qt::decode_png({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size())});
    // The client area of a 400 x 300 window with a title bar.
    EXPECT_EQ(picture.size(), QSize(384, 262));

    window.form().destroy();
    EXPECT_FALSE(runtime::qt::save_screenshot(window.form(), path));
}

}  // namespace
}  // namespace qorvex::test
