// What the Qt back end's windows look like and accept: frames, fonts,
// cursors, Chinese captions, picture buttons, transparent labels and the
// drop-down list.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "qt/qt_driver.h"
#include "qt/qt_test_forms.h"
#include "runtime/qt/qt_form.h"
#include "support/runtime_contract_form.h"

namespace qorvex::test {
namespace {

using runtime::ComponentType;

TEST(QtWindows, FrameFollowsTheWindowStyle) {
    struct Row {
        const char* label;
        runtime::WindowStyle style;
        bool title_bar;
        bool minimize;
    };
    const std::vector<Row> rows{
        {"main window: title bar, minimize, no maximize", {}, true, true},
        {"notice window: dialog frame only",
         {.title_bar = false, .minimize_box = false},
         false,
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        QtDriver driver;
        runtime::FormDescription description = qt_test_form({});
        description.style = row.style;
        ContractWindow window(driver, description);
        ASSERT_TRUE(window.opened());
        const QWidget& frame = *qt_form(window.form()).window();
        const Qt::WindowFlags flags = frame.windowFlags();
        EXPECT_EQ(flags.testFlag(Qt::WindowTitleHint), row.title_bar);
        EXPECT_EQ(flags.testFlag(Qt::WindowSystemMenuHint), row.title_bar);
        EXPECT_EQ(flags.testFlag(Qt::WindowCloseButtonHint), row.title_bar);
        EXPECT_EQ(flags.testFlag(Qt::WindowMinimizeButtonHint), row.minimize);
        EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
        // The described size is the outer size: the client area is what the
        // designed frame leaves of it, and it cannot be resized.
        const QSize frame_size = row.title_bar ? QSize(16, 38) : QSize(6, 6);
        EXPECT_EQ(frame.size(), QSize(400, 300) - frame_size);
        EXPECT_EQ(frame.minimumSize(), frame.maximumSize());
        window.form().set_window_size(380, 250);
        EXPECT_EQ(frame.minimumSize(), QSize(380, 250) - frame_size);
        EXPECT_EQ(window.form().window_width(), 380);
        EXPECT_EQ(window.form().window_height(), 250);
    }
}

TEST(QtWindows, ComponentListedBeforeItsGroupBoxIsPlacedInIt) {
    auto radio = qt_component("单选框1", ComponentType::RadioButton, {8, 16, 96, 24}, "不带4");
    radio.parent = "分组框1";
    auto group = qt_component("分组框1", ComponentType::GroupBox, {100, 50, 240, 80}, "通用设置");
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({radio, group}));
    ASSERT_TRUE(window.opened());
    QWidget& button = *qt_form(window.form()).widget("单选框1");
    EXPECT_EQ(button.parentWidget(), qt_form(window.form()).widget("分组框1"));
    EXPECT_EQ(button.mapTo(button.window(), QPoint(0, 0)), QPoint(108, 66));
}

TEST(QtWindows, CentredOnTheScreenForTheDescribedSize) {
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({}));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = qt_form(window.form()).window()->geometry();
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1);
}

TEST(QtWindows, FontsCursorsAndFocusFollowTheDescription) {
    auto big = qt_component("按钮1", ComponentType::Button, {10, 10, 70, 30}, "开始");
    big.font.pixel_height = 16;
    big.cursor = runtime::CursorShape::Hand;
    auto list = qt_component("超级列表框1", ComponentType::ListView, {10, 50, 150, 150});
    list.font = {.pixel_height = 14, .face = "宋体"};
    list.columns = {{"点击选卡种类", 145}};
    auto plain = qt_component("按钮2", ComponentType::Button, {90, 10, 70, 30}, "停止");
    plain.tab_stop = false;
    auto label = qt_component("标签1", ComponentType::Label, {200, 10, 100, 24}, "查询");
    label.tab_stop = false;
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({big, list, plain, label}));
    runtime::qt::QtForm& form = qt_form(window.form());

    EXPECT_EQ(form.widget("按钮1")->font().pixelSize(), 16);
    EXPECT_EQ(form.widget("超级列表框1")->font().pixelSize(), 14);
    EXPECT_TRUE(form.widget("超级列表框1")->font().families().contains(QStringLiteral("宋体")));
    // No font in the description: the standard font the forms were laid out
    // against, whatever the desktop's own.
    EXPECT_EQ(form.widget("按钮2")->font().pixelSize(), 12);
    EXPECT_TRUE(form.widget("按钮2")->font().families().contains(QStringLiteral("SimSun")));

    EXPECT_EQ(form.widget("按钮1")->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(form.widget("按钮2")->cursor().shape(), Qt::ArrowCursor);

    // Tab reaches the tab stops only; a click still focuses the others.
    EXPECT_EQ(form.widget("按钮1")->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(form.widget("按钮2")->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(form.widget("标签1")->focusPolicy(), Qt::NoFocus);
}

// Rendered alone in a label: a missing glyph draws the same empty box for
// every character, so two different characters that render alike, or like a
// character no font has, mean that no installed font covers them.
TEST(QtWindows, ChineseCaptionsRenderWithAnInstalledFont) {
    std::vector<runtime::ComponentDescription> labels;
    const std::vector<std::string> captions{"北", "京",
                                            "\xcd\xb8"};  // the last is U+0378, unassigned
    for (std::size_t i = 0; i < captions.size(); ++i) {
        auto label = qt_component("标签" + std::to_string(i + 1), ComponentType::Label,
                                  {10, 10 + 40 * static_cast<int>(i), 40, 30}, captions[i]);
        label.font.pixel_height = 24;
        labels.push_back(label);
    }
    QtDriver driver;
    ContractWindow window(driver, qt_test_form(labels));
    const QImage bei = qt_form(window.form()).widget("标签1")->grab().toImage();
    const QImage jing = qt_form(window.form()).widget("标签2")->grab().toImage();
    const QImage missing = qt_form(window.form()).widget("标签3")->grab().toImage();
    const QImage blank =
        solid_picture(bei.pixelColor(bei.width() - 1, bei.height() - 1), bei.size())
            .convertToFormat(bei.format());
    EXPECT_NE(bei, blank) << "no ink at all";
    EXPECT_NE(bei, jing);
    EXPECT_NE(bei, missing);
    EXPECT_NE(jing, missing);
}

TEST(QtWindows, PictureButtonShowsItsPicturesForEachState) {
    const std::vector<std::uint8_t> normal = png_bytes(solid_picture(QColor(200, 30, 30)));
    const std::vector<std::uint8_t> hover = png_bytes(solid_picture(QColor(30, 200, 30)));
    const std::vector<std::uint8_t> pressed = png_bytes(solid_picture(QColor(30, 30, 200)));
    auto button = qt_component("长确定", ComponentType::PictureButton, {112, 184, 120, 30});
    button.pictures = {normal, hover, pressed};
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({button}));
    ASSERT_TRUE(window.opened());
    QWidget& widget = *qt_form(window.form()).widget("长确定");
    QWindow& platform_window = *widget.window()->windowHandle();
    const QPoint centre = widget.mapTo(widget.window(), widget.rect().center());
    const auto colour_seen = [&widget]() { return widget.grab().toImage().pixelColor(60, 15); };

    EXPECT_EQ(colour_seen(), QColor(200, 30, 30));
    // The offscreen platform reports no pointer entering a widget; the button
    // gets the event that a real pointer entry turns into.
    const QPointF inside(widget.rect().center());
    QEnterEvent entered(inside, inside, QPointF(widget.mapToGlobal(widget.rect().center())));
    QApplication::sendEvent(&widget, &entered);
    EXPECT_EQ(colour_seen(), QColor(30, 200, 30));
    QTest::mousePress(&platform_window, Qt::LeftButton, {}, centre);
    EXPECT_EQ(colour_seen(), QColor(30, 30, 200));
    QTest::mouseRelease(&platform_window, Qt::LeftButton, {}, centre);
    EXPECT_EQ(window.events().back(), "长确定 clicked");
}

TEST(QtWindows, TransparentLabelShowsItsParentsBackground) {
    auto label =
        qt_component("透明标签1", ComponentType::TransparentLabel, {10, 10, 200, 40}, "清空");
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({label}));
    QWidget& frame = *qt_form(window.form()).window();
    QPalette palette = frame.palette();
    palette.setColor(QPalette::Window, QColor(180, 220, 180));
    frame.setPalette(palette);
    const QImage picture = frame.grab().toImage();
    // The right end of the label holds no text.
    EXPECT_EQ(picture.pixelColor(200, 45), QColor(180, 220, 180));
}

TEST(QtWindows, DropDownListOpensAtLeast160PixelsTall) {
    struct Row {
        const char* label;
        int pixel_height;
    };
    for (const Row& row : {Row{"16 px font", 16}, Row{"8 px font", 8}}) {
        SCOPED_TRACE(row.label);
        auto provinces = qt_component("组合框1", ComponentType::ComboBox, {180, 30, 115, 30});
        for (int i = 0; i < 31; ++i) {
            provinces.items.push_back("省" + std::to_string(i));
        }
        provinces.selected_index = 0;
        provinces.font.pixel_height = row.pixel_height;
        QtDriver driver;
        ContractWindow window(driver, qt_test_form({provinces}));
        auto* list = qobject_cast<QComboBox*>(qt_form(window.form()).widget("组合框1"));
        list->showPopup();
        EXPECT_GE(list->view()->window()->height(), 160);
        list->hidePopup();
    }
}

TEST(QtWindows, DropDownListTakesNoTypedText) {
    auto cities = qt_component("组合框2", ComponentType::ComboBox, {180, 60, 115, 30});
    cities.items = {"北京", "上海"};
    cities.selected_index = 0;
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({cities}));
    ASSERT_TRUE(driver.focus(window.form(), "组合框2"));
    auto* list = qobject_cast<QComboBox*>(qt_form(window.form()).widget("组合框2"));
    QTest::keyClicks(list, "abc 12");
    QInputMethodEvent typed;
    typed.setCommitString(QStringLiteral("广州"));
    QApplication::sendEvent(list, &typed);
    driver.process_events();

    EXPECT_EQ(list->lineEdit(), nullptr);
    EXPECT_EQ(window.form().items("组合框2"), (std::vector<std::string>{"北京", "上海"}));
    EXPECT_EQ(window.form().selection("组合框2"), 0);
    EXPECT_EQ(list->currentText(), QStringLiteral("北京"));
}

}  // namespace
}  // namespace qorvex::test
