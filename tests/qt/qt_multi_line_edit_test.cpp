// Multi-line edit boxes on the Qt back end: what the user types reads back
// with CR LF, the program's own line ends survive the user's edits, lines
// are walked as the text splits, the user can edit, select and copy while
// the program's appends go on at the end, and the scroll bars follow the
// style.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

#include "qt/qt_driver.h"
#include "qt/qt_test_forms.h"
#include "runtime/qt/multi_line_edit.h"
#include "runtime/qt/qt_form.h"
#include "support/runtime_contract_form.h"

namespace qorvex::test {
namespace {

using runtime::ComponentType;
using runtime::EditStyle;
using runtime::qt::MultiLineEdit;

long caret(const MultiLineEdit& edit) {
    return edit.SendScintilla(MultiLineEdit::SCI_GETCURRENTPOS);
}

bool caret_at_end(const MultiLineEdit& edit) {
    return caret(edit) == edit.SendScintilla(MultiLineEdit::SCI_GETLENGTH);
}

// Whether the caret's line is inside the box's visible area.
bool caret_shown(const MultiLineEdit& edit) {
    const auto top = static_cast<int>(
        edit.SendScintilla(MultiLineEdit::SCI_POINTYFROMPOSITION, 0UL, caret(edit)));
    const auto height = static_cast<int>(edit.SendScintilla(MultiLineEdit::SCI_TEXTHEIGHT, 0UL));
    return top >= 0 && top + height <= edit.viewport()->height();
}

runtime::ComponentDescription box(std::string name, EditStyle style, runtime::Rect geometry) {
    auto edit = qt_component(std::move(name), ComponentType::EditBox, geometry);
    edit.edit_style = style;
    edit.font.pixel_height = 16;
    return edit;
}

class QtMultiLineEdit : public ::testing::Test {
protected:
    QtMultiLineEdit()
        : m_window(
              m_driver,
              qt_test_form({box("编辑框1", EditStyle::MultiLineWithScrollBar, {10, 10, 115, 180}),
                            box("数组的电话", EditStyle::MultiLinePlain, {130, 10, 115, 60})})) {}

    runtime::Form& form() { return m_window.form(); }
    MultiLineEdit& edit(const char* name) {
        return *qobject_cast<MultiLineEdit*>(qt_form(m_window.form()).widget(name));
    }
    // The user clicks into the box and puts the caret at the end of a line.
    void caret_to_line_end(const char* name, int line) {
        ASSERT_TRUE(m_driver.focus(form(), name));
        QTest::keyClick(&edit(name), Qt::Key_Home, Qt::ControlModifier);
        for (int i = 0; i < line; ++i) {
            QTest::keyClick(&edit(name), Qt::Key_Down);
        }
        QTest::keyClick(&edit(name), Qt::Key_End);
    }

    QtDriver m_driver;
    ContractWindow m_window;
};

TEST_F(QtMultiLineEdit, TypedLineBreaksReadBackAsCrLf) {
    ASSERT_TRUE(m_driver.focus(form(), "编辑框1"));
    QTest::keyClicks(&edit("编辑框1"), "123");
    QTest::keyClick(&edit("编辑框1"), Qt::Key_Return);
    QTest::keyClicks(&edit("编辑框1"), "456");
    QTest::keyClick(&edit("编辑框1"), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&edit("编辑框1"), "789");
    EXPECT_EQ(form().text("编辑框1"), "123\r\n456\r\n789");
}

TEST_F(QtMultiLineEdit, UserEditsKeepTheProgramsLineEnds) {
    struct Row {
        const char* label;
        const char* written;
        int line;  // where the user puts the caret, at the end of that line
        Qt::Key key;
        const char* expected;
    };
    const std::vector<Row> rows{
        {"break after a line ended by LF", "a\nb", 0, Qt::Key_Return, "a\r\n\nb"},
        {"break after a line ended by CR", "a\rb\r\n", 0, Qt::Key_Return, "a\r\n\rb\r\n"},
        {"break in a CR LF text", "a\r\nb\nc", 1, Qt::Key_Return, "a\r\nb\r\n\nc"},
        {"joining across a lone LF", "a\nb\r\nc", 0, Qt::Key_Delete, "ab\r\nc"},
        {"joining across CR LF", "a\nb\r\nc", 1, Qt::Key_Delete, "a\nbc"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        form().set_text("编辑框1", row.written);
        caret_to_line_end("编辑框1", row.line);
        QTest::keyClick(&edit("编辑框1"), row.key);
        EXPECT_EQ(form().text("编辑框1"), row.expected);
        // The program appends after the user's edit as before.
        form().append_text("编辑框1", "x\n");
        EXPECT_EQ(form().text("编辑框1"), std::string(row.expected) + "x\n");
    }
}

TEST_F(QtMultiLineEdit, LinesAreVisitedAsTheTextSplits) {
    struct Row {
        const char* label;
        std::vector<std::string> pieces;  // the first is set, the others appended
    };
    const std::vector<Row> rows{
        {"CR LF lines", {"13800000001\r\n13800000002"}},
        {"final line end", {"13800000001\r\n"}},
        {"empty lines", {"\r\n\r\na\r\n"}},
        {"lone LF and CR inside lines", {"a\nb\r\nc\rd"}},
        {"CR LF split over two appends", {"a\r", "\nb\r\n"}},
        {"Chinese text", {"北京\r\n上海"}},
        {"appended in pieces", {"", "1\r\n", "2\r\n", "3"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        form().set_text("编辑框1", row.pieces.front());
        for (std::size_t i = 1; i < row.pieces.size(); ++i) {
            form().append_text("编辑框1", row.pieces[i]);
        }
        std::vector<std::string> visited;
        form().visit_lines("编辑框1", [&visited](std::string_view line) {
            visited.emplace_back(line);
            return true;
        });
        std::vector<std::string> expected;
        runtime::visit_text_lines(form().text("编辑框1"), [&expected](std::string_view line) {
            expected.emplace_back(line);
            return true;
        });
        EXPECT_EQ(visited, expected);
    }
    // The walk stops when the visitor says so.
    form().set_text("编辑框1", "1\r\n2\r\n3\r\n");
    int seen = 0;
    form().visit_lines("编辑框1", [&seen](std::string_view) { return ++seen < 2; });
    EXPECT_EQ(seen, 2);
}

TEST_F(QtMultiLineEdit, ManyAppendsReadBackWhole) {
    std::string expected;
    for (int cycle = 0; cycle < 100; ++cycle) {
        std::string numbers;
        for (int i = 0; i < 200; ++i) {
            numbers += std::to_string(13800000000LL + 200LL * cycle + i) + "\r\n";
        }
        form().append_text("编辑框1", numbers);
        expected += numbers;
    }
    EXPECT_EQ(form().text("编辑框1"), expected);
    // The box shows the end of what was appended, caret there, like a native edit box.
    m_driver.process_events();
    EXPECT_TRUE(caret_at_end(edit("编辑框1")));
    EXPECT_TRUE(caret_shown(edit("编辑框1")));
    EXPECT_GT(edit("编辑框1").verticalScrollBar()->value(), 0);
}

TEST_F(QtMultiLineEdit, AppendMovesACaretInsideTheTextToTheEnd) {
    std::string lines;
    for (int i = 0; i < 50; ++i) {
        lines += std::to_string(13800000000LL + i) + "\r\n";
    }
    form().set_text("编辑框1", lines);
    caret_to_line_end("编辑框1", 3);
    ASSERT_FALSE(caret_at_end(edit("编辑框1")));
    form().append_text("编辑框1", "13900000000\r\n");
    m_driver.process_events();
    EXPECT_TRUE(caret_at_end(edit("编辑框1")));
    EXPECT_TRUE(caret_shown(edit("编辑框1")));
    EXPECT_EQ(edit("编辑框1").verticalScrollBar()->value(),
              edit("编辑框1").verticalScrollBar()->maximum());
    EXPECT_EQ(form().text("编辑框1"), lines + "13900000000\r\n");
}

TEST_F(QtMultiLineEdit, TheUserEditsSelectsAndCopiesWhileAppendsGoToTheEnd) {
    form().set_text("编辑框1", "13800000001\r\n13800000002\r\n");
    ASSERT_TRUE(m_driver.focus(form(), "编辑框1"));
    MultiLineEdit& box = edit("编辑框1");
    // A click at the start of the second line, then typing there.
    const QPoint second_line(
        2, static_cast<int>(box.SendScintilla(MultiLineEdit::SCI_TEXTHEIGHT, 0UL) * 3 / 2));
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, second_line);
    QTest::keyClicks(&box, "9");
    QTest::keyClick(&box, Qt::Key_Delete);
    // The line selected with Shift+End, copied, and pasted at the end.
    QTest::keyClick(&box, Qt::Key_Home);
    QTest::keyClick(&box, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("93800000002"));
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(form().text("编辑框1"), "13800000001\r\n93800000002\r\n9380000000");
    // The user leaves the caret inside the text; the program's next lines
    // still go to the end.
    QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
    form().append_text("编辑框1", "\r\n13900000000\r\n");
    EXPECT_EQ(form().text("编辑框1"),
              "13800000001\r\n93800000002\r\n9380000000\r\n13900000000\r\n");
    EXPECT_TRUE(caret_at_end(box));
}

// The result boxes of the main window: 115 pixels wide with a scroll bar and
// a 16-pixel Chinese font. An eleven-digit number fits on one line; longer
// lines break at the box's width, as in a native edit box.
TEST(QtResultBox, ShowsAnElevenDigitNumberOnOneLine) {
    struct Row {
        const char* label;
        const char* text;
        bool wraps;
    };
    const std::vector<Row> rows{
        {"numbers", "13800000001\r\n18888888888\r\n", false},
        {"a long line", "13800000001 13800000002 13800000003", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        auto result_box = box("编辑框1", EditStyle::MultiLineWithScrollBar, {10, 10, 115, 180});
        result_box.font.charset = runtime::Charset::Gb2312;
        result_box.text = row.text;
        QtDriver driver;
        ContractWindow window(driver, qt_test_form({result_box}));
        auto& edit = *qobject_cast<MultiLineEdit*>(qt_form(window.form()).widget("编辑框1"));
        driver.process_events();
        const long lines = edit.SendScintilla(MultiLineEdit::SCI_GETLINECOUNT);
        long shown_lines = 0;
        for (long line = 0; line < lines; ++line) {
            shown_lines +=
                edit.SendScintilla(MultiLineEdit::SCI_WRAPCOUNT, static_cast<unsigned long>(line));
        }
        EXPECT_EQ(shown_lines > lines, row.wraps);
    }
}

TEST_F(QtMultiLineEdit, ALineTheUserTypesBreaksAtTheBoxsWidth) {
    form().set_text("编辑框1", "13800000001\r\n");
    ASSERT_TRUE(m_driver.focus(form(), "编辑框1"));
    MultiLineEdit& box = edit("编辑框1");
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&box, "13800000002 13800000003 13800000004");
    m_driver.process_events();
    EXPECT_GT(box.SendScintilla(MultiLineEdit::SCI_WRAPCOUNT, 1UL), 1);
    EXPECT_EQ(box.SendScintilla(MultiLineEdit::SCI_WRAPCOUNT, 0UL), 1);
    EXPECT_TRUE(box.verticalScrollBar()->isVisible());
}

TEST_F(QtMultiLineEdit, ScrollBarsFollowTheEditStyle) {
    form().set_text("编辑框1", "1");
    form().set_text("数组的电话", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8");
    m_driver.process_events();
    EXPECT_TRUE(edit("编辑框1").verticalScrollBar()->isVisible());
    EXPECT_FALSE(edit("编辑框1").horizontalScrollBar()->isVisible());
    EXPECT_FALSE(edit("数组的电话").verticalScrollBar()->isVisible());
    EXPECT_FALSE(edit("数组的电话").horizontalScrollBar()->isVisible());
}

}  // namespace
}  // namespace qorvex::test
