// What the user's first actions reach after start-up: the creation and
// activation handlers, the clear labels, the notice window and the end of
// the program.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/handlers.h"
#include "app/main_window.h"
#include "support/app_started_program.h"
#include "support/app_startup_cases.h"

namespace qorvex::test::startup {
namespace {

using runtime::EventKind;

void creation_handler_picks_the_first_province(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    const auto codes = program.context().region_codes.snapshot();
    EXPECT_EQ(codes->province_code, "11");
    EXPECT_EQ(codes->group_key, "85236889");
    EXPECT_EQ(codes->city_code, "110");
    ASSERT_TRUE(driver.click(program.window(), "网络测试1"));
    driver.process_events();
    EXPECT_EQ(program.window().text("标签2"), "11118523688911101");
}

void creation_handler_finds_its_window_in_the_context(RuntimeDriver& driver) {
    int runs = 0;
    int width_seen = 0;
    StartedProgram program(
        driver.runtime(),
        main_rows_with("", EventKind::CreationComplete, [&](app::AppContext& context) {
            ++runs;
            ASSERT_NE(context.main_window, nullptr);
            width_seen = context.main_window->window_width();
        }));
    ASSERT_TRUE(program.opened());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(width_seen, 1200);
}

// The user sees each window first as its creation handler leaves it: the
// main window already shrunk, the notice window already filled.
void windows_show_only_once_their_creation_handler_ran(RuntimeDriver& driver) {
    std::vector<std::size_t> shows_seen;
    StartedProgram program(
        driver.runtime(),
        main_rows_with("", EventKind::CreationComplete, [&](app::AppContext& context) {
            shows_seen.push_back(driver.shown_sizes(*context.main_window).size());
            app::on_main_window_created(context);
            shows_seen.push_back(driver.shown_sizes(*context.main_window).size());
        }));
    ASSERT_TRUE(program.opened());
    EXPECT_EQ(shows_seen, (std::vector<std::size_t>{0, 0}));
    const std::vector<runtime::WindowSize> main_shows = driver.shown_sizes(program.window());
    ASSERT_EQ(main_shows.size(), 1U);
    EXPECT_EQ(main_shows[0].width, 980);
    EXPECT_EQ(main_shows[0].height, 650);

    std::vector<app::EventWiringRow> notice_rows = app::event_wiring(app::AppWindow::Notice);
    for (app::EventWiringRow& row : notice_rows) {
        if (row.kind == EventKind::CreationComplete) {
            row.handler = [&](app::AppContext& context) {
                shows_seen.push_back(driver.shown_sizes(*context.notice_window).size());
                app::on_notice_created(context);
            };
        }
    }
    ASSERT_TRUE(app::open_window(program.context(), app::AppWindow::Notice, notice_rows));
    EXPECT_EQ(shows_seen, (std::vector<std::size_t>{0, 0, 0}));
    runtime::Form& notice = *program.context().notice_window;
    const std::vector<runtime::WindowSize> notice_shows = driver.shown_sizes(notice);
    ASSERT_EQ(notice_shows.size(), 1U);
    EXPECT_EQ(notice_shows[0].width, 380);
    EXPECT_EQ(notice_shows[0].height, 250);
}

// A change of card offer moves the group key of the province at once; the
// province, the city chosen in its box and the city code stay.
void card_row_change_sets_the_group_key_at_once(RuntimeDriver& driver) {
    struct Row {
        const char* label;
        int province;
        int city;
        int card_row;
        const char* group_key;
        const char* city_code;
    };
    const Row rows[] = {
        {"北京 under 星河梦想e卡", 0, 0, 1, "7200310618", "110"},
        {"福建, 厦门 chosen, back to Tavikmax", 3, 1, 0, "1000313547", "390"},
        {"福建, 厦门 chosen, 星河梦想e卡", 3, 1, 1, "12236361", "390"},
        {"the offer without keys keeps the key", 3, 1, 2, "12236361", "390"},
    };
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    runtime::Form& window = program.window();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ASSERT_TRUE(driver.choose_item(window, "组合框1", row.province));
        driver.process_events();
        ASSERT_TRUE(driver.choose_item(window, "组合框2", row.city));
        driver.process_events();
        const std::vector<std::string> cities = window.items("组合框2");
        const std::string province_code = program.context().region_codes.snapshot()->province_code;

        ASSERT_TRUE(driver.choose_row(window, "超级列表框1", row.card_row));
        driver.process_events();
        const auto codes = program.context().region_codes.snapshot();
        EXPECT_EQ(codes->group_key, row.group_key);
        EXPECT_EQ(codes->province_code, province_code);
        EXPECT_EQ(codes->city_code, row.city_code);
        EXPECT_EQ(window.items("组合框2"), cities);
        EXPECT_EQ(window.selection("组合框2"), row.city);
    }
}

// 组合框1 can show another province than the codes were set for when its
// selection moved without a pick: the card row change keys the codes' one.
void card_row_change_keys_the_province_of_the_codes(RuntimeDriver& driver) {
    constexpr int kFujian = 3;
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    runtime::Form& window = program.window();
    ASSERT_TRUE(driver.choose_item(window, "组合框1", kFujian));
    driver.process_events();
    window.set_selection("组合框1", 0);

    ASSERT_TRUE(driver.choose_row(window, "超级列表框1", 1));
    driver.process_events();
    const auto codes = program.context().region_codes.snapshot();
    EXPECT_EQ(codes->province_code, "38");
    EXPECT_EQ(codes->group_key, "12236361");
}

void first_activation_runs_its_handler_once(RuntimeDriver& driver) {
    int runs = 0;
    StartedProgram program(driver.runtime(), main_rows_with("", EventKind::FirstActivation,
                                                            [&](app::AppContext&) { ++runs; }));
    ASSERT_TRUE(program.opened());
    driver.process_events();
    EXPECT_TRUE(driver.activate(program.window()));
    driver.process_events();
    EXPECT_TRUE(driver.activate(program.window()));
    driver.process_events();
    EXPECT_EQ(runs, 1);
}

// Each "清空" label empties the result box of its own column and no other.
void clear_label_empties_its_own_column_only(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    runtime::Form& window = program.window();
    for (int column = 1; column <= 16; ++column) {
        SCOPED_TRACE("column " + std::to_string(column));
        for (int k = 1; k <= 16; ++k) {
            window.set_text("编辑框" + std::to_string(k), "10800108000\r\n");
        }
        ASSERT_TRUE(driver.press_label(window, "透明标签" + std::to_string(column), 3, 4,
                                       runtime::kKeyShift));
        driver.process_events();
        for (int k = 1; k <= 16; ++k) {
            EXPECT_EQ(window.text("编辑框" + std::to_string(k)),
                      k == column ? "" : "10800108000\r\n")
                << "box " << k;
        }
    }
}

void closing_the_window_ends_with_exit_code_0(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    EXPECT_FALSE(driver.exit_code().has_value());
    ASSERT_TRUE(driver.close(program.window()));
    driver.process_events();
    EXPECT_FALSE(program.window().exists());
    EXPECT_EQ(driver.exit_code(), 0);
}

void notice_window_blocks_the_main_window_until_it_goes(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    ASSERT_TRUE(app::open_notice_window(program.context()));
    runtime::Form& notice = *program.context().notice_window;
    driver.process_events();
    EXPECT_TRUE(notice.exists());
    EXPECT_FALSE(program.window().window_enabled());
    EXPECT_FALSE(driver.click(program.window(), "开始"));
    // Without a title bar the user cannot close it; only its button leads out.
    EXPECT_FALSE(driver.close(notice));

    notice.destroy();
    driver.process_events();
    EXPECT_TRUE(program.window().exists());
    EXPECT_TRUE(program.window().window_enabled());
    EXPECT_FALSE(driver.exit_code().has_value());
}

void notice_window_is_as_designed(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    ASSERT_TRUE(app::open_notice_window(program.context()));
    runtime::Form& notice = *program.context().notice_window;
    EXPECT_EQ(notice.window_width(), 380);
    EXPECT_EQ(notice.window_height(), 250);
    EXPECT_FALSE(notice.description().style.title_bar);
    EXPECT_EQ(notice.description().caption, "");
    EXPECT_EQ(notice.geometry("透明标签2"), (runtime::Rect{10, 40, 360, 115}));
    EXPECT_EQ(notice.geometry("长确定"), (runtime::Rect{112, 184, 120, 30}));
    // No newer version was found, so the creation handler leaves both alone.
    EXPECT_EQ(notice.text("透明标签2"), "");
    EXPECT_FALSE(notice.visible("长确定"));
    notice.set_visible("长确定", true);
    EXPECT_TRUE(notice.visible("长确定"));
}

constexpr std::array kEventCases = {
    DriverCase{"CreationHandlerPicksTheFirstProvince", creation_handler_picks_the_first_province},
    DriverCase{"CreationHandlerFindsItsWindowInTheContext",
               creation_handler_finds_its_window_in_the_context},
    DriverCase{"WindowsShowOnlyOnceTheirCreationHandlerRan",
               windows_show_only_once_their_creation_handler_ran},
    DriverCase{"CardRowChangeSetsTheGroupKeyAtOnce", card_row_change_sets_the_group_key_at_once},
    DriverCase{"CardRowChangeKeysTheProvinceOfTheCodes",
               card_row_change_keys_the_province_of_the_codes},
    DriverCase{"FirstActivationRunsItsHandlerOnce", first_activation_runs_its_handler_once},
    DriverCase{"ClearLabelEmptiesItsOwnColumnOnly", clear_label_empties_its_own_column_only},
    DriverCase{"ClosingTheWindowEndsWithExitCode0", closing_the_window_ends_with_exit_code_0},
    DriverCase{"NoticeWindowBlocksTheMainWindowUntilItGoes",
               notice_window_blocks_the_main_window_until_it_goes},
    DriverCase{"NoticeWindowIsAsDesigned", notice_window_is_as_designed},
};

}  // namespace

std::span<const DriverCase> event_cases() {
    return kEventCases;
}

}  // namespace qorvex::test::startup
