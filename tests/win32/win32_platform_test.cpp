#include <gtest/gtest.h>
#include <windows.h>
// The common controls header builds on <windows.h>.
#include <commctrl.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "regex/match_list.h"
#include "regex/vbscript/thread_time.h"
#include "regex/vbscript/vbscript_engine.h"
#include "runtime/win32/png_pictures.h"
#include "runtime/win32/win32_form.h"
#include "support/runtime_contract_form.h"
#include "win32/wide_text.h"
#include "win32/win32_driver.h"

// What only the Win32 back end and the Windows platform services promise:
// the message box, the page owner, the fonts, the standard controls' modes,
// and the VBScript engine's groups, positions and work bound.

namespace qorvex::test {

namespace {

using runtime::ComponentType;

HWND control_of(runtime::Form& form, const std::string& name) {
    return dynamic_cast<runtime::Win32Form&>(form).control(name);
}

runtime::FormDescription font_form() {
    runtime::FormDescription form;
    form.name = "fonts";
    form.caption = "fonts";
    form.width = 300;
    form.height = 240;
    runtime::ComponentDescription list;
    list.name = "超级列表框1";
    list.type = ComponentType::ListView;
    list.geometry = {10, 10, 150, 100};
    list.font = {14, "宋体", runtime::Charset::Gb2312};
    list.columns = {{"点击选卡种类", 145}};
    list.items = {"Tavikmax"};
    runtime::ComponentDescription combo;
    combo.name = "组合框1";
    combo.type = ComponentType::ComboBox;
    combo.geometry = {170, 10, 115, 30};
    combo.font = {16, "", runtime::Charset::Gb2312};
    combo.items = {"北京", "上海", "广东", "福建", "浙江", "天津",
                   "辽宁", "江苏", "山西", "新疆", "青海", "河北"};
    form.components = {list, combo};
    return form;
}

LOGFONTW font_of(HWND control) {
    LOGFONTW font{};
    auto* handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    GetObjectW(handle, sizeof(font), &font);
    return font;
}

TEST(Win32Platform, MessageBoxIsTaskModalWithItsCaption) {
    Win32Driver driver;
    ContractWindow window(driver);
    driver.runtime().message_box("网络正常");
    ASSERT_EQ(driver.shown_message_boxes().size(), 1U);
    const ShownMessageBox& shown = driver.shown_message_boxes().front();
    EXPECT_EQ(shown.caption, "信息：");
    EXPECT_EQ(shown.text, "网络正常");
    EXPECT_TRUE(shown.task_modal);
    // Closing the box gives the window back.
    EXPECT_TRUE(window.form().window_enabled());
}

// A modal window made while a task-modal box is open (by a task run in the
// box's own loop) still blocks the others once the box, closing, has enabled
// the windows it disabled.
TEST(Win32Platform, ModalWindowMadeBeneathAMessageBoxStaysModal) {
    Win32Driver driver;
    ContractWindow main(driver);
    std::unique_ptr<ContractWindow> notice;
    driver.runtime().post([&driver, &notice] {
        notice =
            std::make_unique<ContractWindow>(driver, contract_dialog(), runtime::WindowMode::Modal);
    });
    driver.runtime().message_box("网络正常");
    ASSERT_TRUE(notice != nullptr && notice->opened());
    EXPECT_FALSE(main.form().window_enabled());
    EXPECT_FALSE(driver.click(main.form(), "按钮1"));
    EXPECT_TRUE(notice->form().window_enabled());
    notice.reset();
    EXPECT_TRUE(main.form().window_enabled());
}

TEST(Win32Platform, PageOwnerIsTheInternetExplorerWindowIfOne) {
    Win32Driver driver;
    ContractWindow window(driver);
    driver.runtime().open_url("https://example.com/a");
    HWND explorer = CreateWindowExW(0, L"STATIC", L"Microsoft Internet Explorer", WS_POPUP, 0, 0,
                                    10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(explorer, nullptr);
    driver.runtime().open_url("https://example.com/b");
    DestroyWindow(explorer);
    ASSERT_EQ(driver.opened_pages().size(), 2U);
    EXPECT_EQ(driver.opened_pages()[0].owner, nullptr);
    EXPECT_EQ(driver.opened_pages()[1].owner, explorer);
    EXPECT_EQ(driver.opened_pages()[1].url, "https://example.com/b");
}

TEST(Win32Platform, FontsByPixelHeightFaceAndCharacterSet) {
    Win32Driver driver;
    ContractWindow window(driver, font_form());
    ASSERT_TRUE(window.opened());
    const LOGFONTW list = font_of(control_of(window.form(), "超级列表框1"));
    EXPECT_EQ(list.lfHeight, -14);
    EXPECT_EQ(list.lfWeight, FW_NORMAL);
    EXPECT_EQ(list.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(win32::to_utf8(list.lfFaceName), "宋体");
    const LOGFONTW combo = font_of(control_of(window.form(), "组合框1"));
    EXPECT_EQ(combo.lfHeight, -16);
    EXPECT_EQ(combo.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(win32::to_utf8(combo.lfFaceName), "");
}

TEST(Win32Platform, DropDownListAndReportView) {
    Win32Driver driver;
    ContractWindow window(driver, font_form());
    HWND combo = control_of(window.form(), "组合框1");
    EXPECT_EQ(GetWindowLongPtrW(combo, GWL_STYLE) & 0x3, CBS_DROPDOWNLIST);
    // Opened with more items than fit, the field and the list below it
    // reach 160 pixels down (a short list shrinks to its items).
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof(parts);
    ASSERT_TRUE(GetComboBoxInfo(combo, &parts));
    RECT field{};
    RECT opened{};
    GetWindowRect(combo, &field);
    GetWindowRect(parts.hwndList, &opened);
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_GE(opened.bottom - field.top, 160);

    HWND list = control_of(window.form(), "超级列表框1");
    EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    wchar_t title[32] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title;
    column.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(win32::to_utf8(title), "点击选卡种类");
    EXPECT_EQ(column.cx, 145);
}

// Wine draws a thinner frame than Windows: the client area is what the
// designed frame leaves of the described size either way, so a main window
// hides the components the form places beyond it.
TEST(Win32Platform, ClientAreaIsWhatTheDesignedFrameLeaves) {
    struct FrameCase {
        const char* label;
        bool title_bar;
        SIZE frame;
    };
    const FrameCase cases[] = {
        {"title bar", true, {16, 38}},
        {"dialog frame", false, {6, 6}},
    };
    for (const FrameCase& row : cases) {
        SCOPED_TRACE(row.label);
        Win32Driver driver;
        runtime::FormDescription description = font_form();
        description.width = 400;
        description.height = 300;
        description.style.title_bar = row.title_bar;
        ContractWindow window(driver, description);
        ASSERT_TRUE(window.opened());
        HWND frame = dynamic_cast<runtime::Win32Form&>(window.form()).handle();
        const auto client_size = [frame]() {
            RECT client{};
            GetClientRect(frame, &client);
            return SIZE{client.right, client.bottom};
        };
        EXPECT_EQ(client_size().cx, 400 - row.frame.cx);
        EXPECT_EQ(client_size().cy, 300 - row.frame.cy);
        EXPECT_EQ(window.form().window_width(), 400);
        EXPECT_EQ(window.form().window_height(), 300);
        window.form().set_window_size(380, 250);
        EXPECT_EQ(client_size().cx, 380 - row.frame.cx);
        EXPECT_EQ(client_size().cy, 250 - row.frame.cy);
        EXPECT_EQ(window.form().window_width(), 380);
        EXPECT_EQ(window.form().window_height(), 250);
    }
}

TEST(Win32Platform, PicturesDecodeWithThePlatformDecoder) {
    // A 4 x 2 PNG and bytes that are no picture at all.
    static constexpr std::array<std::uint8_t, 73> kPicture{
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
        0x52, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xf0,
        0xca, 0xea, 0x34, 0x00, 0x00, 0x00, 0x10, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x50,
        0x48, 0x38, 0x00, 0x47, 0x0c, 0xc8, 0x1c, 0x00, 0x7d, 0x1a, 0x0a, 0x01, 0xd7, 0x12, 0xd8,
        0x86, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    static constexpr std::array<std::uint8_t, 4> kNoPicture{1, 2, 3, 4};
    Win32Driver driver;  // the runtime initialises OLE for the decoder
    const std::vector<std::span<const std::uint8_t>> pngs{kPicture, kNoPicture, kPicture};
    runtime::PictureSet pictures(pngs);
    ASSERT_EQ(pictures.size(), 2U);
    EXPECT_EQ(pictures.picture_size(0).cx, 4);
    EXPECT_EQ(pictures.picture_size(0).cy, 2);
}

TEST(VbscriptEngine, CaptureGroupsAreCounted) {
    struct Row {
        const wchar_t* pattern;
        std::size_t groups;
    };
    const std::vector<Row> rows{
        {L"1[0-9]{10}", 0},       {L"\\d*(\\d)\\1{2}\\d*", 1},
        {L"(?:ab)(c)(?=(d))", 2}, {L"[(]\\(x\\)", 0},
        {L"((a)(b))", 3},         {L"[\\]()](y)", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(win32::to_utf8(row.pattern));
        EXPECT_EQ(rx::count_capture_groups(row.pattern), row.groups);
    }
}

TEST(VbscriptEngine, PositionsAreBytesOfTheUtf8Subject) {
    const auto engine = rx::make_vbscript_engine();
    const auto pattern = engine->compile("卡(\\d)");
    ASSERT_NE(pattern, nullptr);
    rx::MatchList matches;
    const std::string subject = "云朵卡1星河卡2";
    ASSERT_EQ(pattern->find(subject, rx::FindScope::All, matches), rx::FindStatus::Complete);
    ASSERT_EQ(matches.size(), 2U);
    EXPECT_EQ(matches.span(0).text_in(subject), "卡1");
    EXPECT_EQ(matches.span(0).begin, 6U);
    EXPECT_EQ(matches.span(1, 1).text_in(subject), "2");
    EXPECT_EQ(matches.span(1).begin, 16U);
}

rx::VbscriptSettings with_budget(std::chrono::milliseconds budget) {
    rx::VbscriptSettings settings;
    settings.processor_budget = budget;
    return settings;
}

constexpr rx::CompileOptions kUserPattern{.budget = rx::SearchBudget::WorkAndProcessorTime};

// The nested repeat tries about 2 to the power n + 1 ways over n ones before
// it fails: Wine's engine takes about a second and a half for 22, and four
// times as long for each two more.
constexpr const char* kRunaway = "(\\d+)+x";

std::string ones(std::size_t count) {
    return std::string(count, '1');
}

TEST(VbscriptEngine, RunawaySearchIsGivenUpAtItsBudget) {
    const auto engine = rx::make_vbscript_engine(with_budget(std::chrono::milliseconds(300)));
    const auto runaway = engine->compile(kRunaway, kUserPattern);
    ASSERT_NE(runaway, nullptr);
    rx::MatchList matches;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(runaway->find(ones(24), rx::FindScope::All, matches), rx::FindStatus::BoundReached);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_TRUE(matches.empty());
    // The engine goes on with a fresh search thread.
    const auto digits = engine->compile("\\d{2}$");
    ASSERT_NE(digits, nullptr);
    ASSERT_EQ(digits->find("123\r\n456\r\n", rx::FindScope::All, matches),
              rx::FindStatus::Complete);
    EXPECT_EQ(matches.size(), 2U);
}

TEST(VbscriptEngine, ThreadProcessorTimeStandsStillWhileTheThreadSleeps) {
    const rx::OwnThreadHandle thread;
    const auto before = rx::thread_processor_time(thread.get());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_LT(rx::thread_processor_time(thread.get()) - before, std::chrono::milliseconds(50));
}

struct ClockCase {
    const char* label;
    rx::SearchBudget budget;
    bool processor_time_jumps;
    rx::FindStatus expected;
};

TEST(VbscriptEngine, OnlyProcessorTimeGivesUpOnlyAUserPattern) {
    // The wall clock jumps an hour at every reading, as it does for a search
    // that is descheduled on a busy machine or runs while the machine sleeps.
    const std::vector<ClockCase> cases = {
        {"program pattern, wall clock jumps", rx::SearchBudget::Work, false,
         rx::FindStatus::Complete},
        {"program pattern, processor time jumps too", rx::SearchBudget::Work, true,
         rx::FindStatus::Complete},
        {"user pattern, wall clock jumps", rx::SearchBudget::WorkAndProcessorTime, false,
         rx::FindStatus::Complete},
        {"user pattern, processor time jumps too", rx::SearchBudget::WorkAndProcessorTime, true,
         rx::FindStatus::BoundReached},
    };
    std::string subject;
    for (int i = 0; i < 400; ++i) {
        subject += std::to_string(10000000000LL + i * 7919LL) + "\r\n";
    }
    const char* pattern = "\\d*(\\d)\\1{2}\\d*";
    for (const auto& test_case : cases) {
        SCOPED_TRACE(test_case.label);
        std::chrono::hours wall{0};
        std::chrono::hours processor{0};
        rx::VbscriptSettings settings;
        settings.clocks.wall = [&] { return ++wall; };
        settings.clocks.processor = [&](void*) {
            return test_case.processor_time_jumps ? ++processor : processor;
        };
        const auto compiled =
            rx::make_vbscript_engine(settings)->compile(pattern, {.budget = test_case.budget});
        ASSERT_NE(compiled, nullptr);
        rx::MatchList matches;
        EXPECT_EQ(compiled->find(subject, rx::FindScope::All, matches), test_case.expected);
        EXPECT_EQ(matches.empty(), test_case.expected != rx::FindStatus::Complete);
    }
}

std::chrono::steady_clock::duration time_to_find(const rx::CompiledPattern& pattern,
                                                 const std::string& subject,
                                                 rx::FindStatus expected) {
    rx::MatchList matches;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(pattern.find(subject, rx::FindScope::All, matches), expected);
    return std::chrono::steady_clock::now() - started;
}

TEST(VbscriptEngine, NoSearchThatCouldBeGivenUpStartsWhileOneGivenUpRuns) {
    const auto budget = std::chrono::milliseconds(300);
    const auto engine = rx::make_vbscript_engine(with_budget(budget));
    const auto runaway = engine->compile(kRunaway, kUserPattern);
    const auto other_runaway = engine->compile("(\\d+)+y", kUserPattern);
    ASSERT_NE(runaway, nullptr);
    ASSERT_NE(other_runaway, nullptr);
    // Given up at its budget, it goes on for a second or more.
    EXPECT_GE(time_to_find(*runaway, ones(22), rx::FindStatus::BoundReached), budget);
    for (int cycle = 0; cycle < 3; ++cycle) {
        EXPECT_LT(time_to_find(*other_runaway, ones(22), rx::FindStatus::BoundReached), budget / 2)
            << "a second search was started beside the one given up";
    }
    // The program's own patterns still run, to their end.
    const auto digits = engine->compile("\\d{2}$");
    ASSERT_NE(digits, nullptr);
    rx::MatchList matches;
    ASSERT_EQ(digits->find("123\r\n456\r\n", rx::FindScope::All, matches),
              rx::FindStatus::Complete);
    EXPECT_EQ(matches.size(), 2U);
}

TEST(VbscriptEngine, PatternGivenUpIsNotSearchedAgainUntilItsTextChanges) {
    const auto budget = std::chrono::milliseconds(300);
    const auto engine = rx::make_vbscript_engine(with_budget(budget));
    const auto runaway = engine->compile(kRunaway, kUserPattern);
    const auto cheap = engine->compile("\\d{2}", kUserPattern);
    ASSERT_NE(runaway, nullptr);
    ASSERT_NE(cheap, nullptr);
    EXPECT_GE(time_to_find(*runaway, ones(22), rx::FindStatus::BoundReached), budget);
    // Wait for the search given up to end: until then nothing timed starts.
    rx::MatchList matches;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (cheap->find("12", rx::FindScope::All, matches) != rx::FindStatus::Complete) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_LT(time_to_find(*runaway, ones(22), rx::FindStatus::BoundReached), budget / 2)
        << "the pattern given up was searched again";
    // An edited text is a new pattern, and is searched.
    const auto edited = engine->compile("(\\d+)+xx", kUserPattern);
    ASSERT_NE(edited, nullptr);
    EXPECT_GE(time_to_find(*edited, ones(22), rx::FindStatus::BoundReached), budget);
}

TEST(VbscriptEngine, InvalidPatternIsRefused) {
    const auto engine = rx::make_vbscript_engine();
    EXPECT_EQ(engine->compile("("), nullptr);
}

}  // namespace

}  // namespace qorvex::test
