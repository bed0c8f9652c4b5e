// The pipeline on the main window, as the scan cycle and the sample run use
// it: what the user sees in the boxes and the running count afterwards.

#include "scan/pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window_form.h"
#include "regex/platform_engine.h"
#include "runtime/headless/headless_runtime.h"
#include "scan/pattern_classes.h"

namespace qorvex::scan {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = std::min(text.find("\r\n", from), text.size());
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window =
            m_runtime.create_window(app::main_window_form(), {}, runtime::WindowMode::Normal);
        ASSERT_NE(m_window, nullptr);
    }

    void run(std::string_view subject) {
        run_pipeline(*m_window, *m_engine, subject, read_pipeline_choices(*m_window));
    }

    std::vector<std::string> lines(std::string_view box) { return lines_of(m_window->text(box)); }

    void check_only(std::string_view radio) {
        for (const auto name : {kAllDigitsRadio, kWithout4Radio, kWithout4And7Radio}) {
            m_window->set_checked(name, name == radio);
        }
    }

    runtime::HeadlessRuntime m_runtime;
    std::unique_ptr<rx::RegexEngine> m_engine = rx::make_platform_engine();
    std::shared_ptr<runtime::Form> m_window;
};

bool has_three_in_a_row(const std::string& n) {
    for (std::size_t i = 0; i + 2 < n.size(); ++i) {
        if (n[i] == n[i + 1] && n[i] == n[i + 2]) {
            return true;
        }
    }
    return false;
}

TEST_F(PipelineTest, SampleNumbersAreListedCountedAndClassified) {
    const std::string sample = m_window->text("编辑框161");
    const auto numbers = lines_of(sample);
    ASSERT_EQ(numbers.size(), 43U);

    run(sample);

    EXPECT_EQ(lines(kAllNumbersBox), numbers);
    EXPECT_EQ(m_window->text("透明签6"), "43");
    EXPECT_EQ(m_window->text(kScratchBox), "");
    std::vector<std::string> triples;
    std::vector<std::string> with_688;
    for (const auto& number : numbers) {
        if (has_three_in_a_row(number)) {
            triples.push_back(number);
        }
        if (number.find("688") != std::string::npos) {
            with_688.push_back(number);
        }
    }
    EXPECT_EQ(lines("编辑框2"), triples);
    EXPECT_EQ(lines("编辑框16"), with_688);
}

TEST_F(PipelineTest, RadioButtonsChooseTheExtraction) {
    check_only(kWithout4Radio);
    m_window->set_text("透明签6", "5");
    run("x10412345678y x20512356789y");
    EXPECT_EQ(m_window->text(kAllNumbersBox), "20512356789\r\n");
    EXPECT_EQ(m_window->text("透明签6"), "6");
}

TEST_F(PipelineTest, NoRadioButtonCheckedFindsNoNumbers) {
    check_only("");
    run("13512345678 18800008888");
    EXPECT_EQ(m_window->text(kAllNumbersBox), "");
    EXPECT_EQ(m_window->text("编辑框2"), "");
    EXPECT_EQ(m_window->text("透明签6"), "0");
}

TEST_F(PipelineTest, DuplicatesAreListedTwiceEverywhere) {
    run("[18800008888,13512345678,18800008888]");
    const std::vector<std::string> twice = {"18800008888", "18800008888"};
    EXPECT_EQ(lines(kAllNumbersBox),
              (std::vector<std::string>{"18800008888", "13512345678", "18800008888"}));
    EXPECT_EQ(lines("编辑框2"), twice);
    EXPECT_EQ(lines("编辑框14"), twice);
    EXPECT_EQ(m_window->text("透明签6"), "3");
}

TEST_F(PipelineTest, OutputBoxesOnlyGrow) {
    m_window->set_text("编辑框2", "10800108000\r\n");
    m_window->set_text(kAllNumbersBox, "13512345678\r\n");
    run("18800008888");
    EXPECT_EQ(lines("编辑框2"), (std::vector<std::string>{"10800108000", "18800008888"}));
    EXPECT_EQ(lines(kAllNumbersBox), (std::vector<std::string>{"13512345678", "18800008888"}));
}

TEST_F(PipelineTest, LeftOversInTheScratchBoxAreClassifiedThenErased) {
    m_window->set_text(kScratchBox, "10800108000\r\n");
    run("13512345678");
    EXPECT_EQ(lines(kAllNumbersBox), (std::vector<std::string>{"13512345678"}));
    EXPECT_EQ(lines("编辑框2"), (std::vector<std::string>{"10800108000"}));
    EXPECT_EQ(m_window->text(kScratchBox), "");
}

TEST_F(PipelineTest, EmptySubjectAppendsNothingAndEmptiesTheScratchBox) {
    run("");
    for (int box = 1; box <= 16; ++box) {
        EXPECT_EQ(m_window->text("编辑框" + std::to_string(box)), "") << box;
    }
    EXPECT_EQ(m_window->text(kScratchBox), "");
    EXPECT_EQ(m_window->text("透明签6"), "0");
}

TEST_F(PipelineTest, InvalidCustomTextListsNothingInItsBoxOnly) {
    m_window->set_text(kCustomTextBox, "(");
    run("18800008888");
    EXPECT_EQ(m_window->text("编辑框16"), "");
    EXPECT_EQ(lines("编辑框2"), (std::vector<std::string>{"18800008888"}));
}

TEST_F(PipelineTest, ChoicesTakenEarlierOutweighTheWindowsCurrentOnes) {
    // A scan cycle reads its choices when it begins; the user may change
    // them while its exchange runs.
    const PipelineChoices choices = read_pipeline_choices(*m_window);
    m_window->set_text(kCustomTextBox, "999");
    check_only(kWithout4And7Radio);
    run_pipeline(*m_window, *m_engine, "13568812345 17768800000", choices);
    EXPECT_EQ(lines(kAllNumbersBox), (std::vector<std::string>{"13568812345", "17768800000"}));
    EXPECT_EQ(lines("编辑框16"), (std::vector<std::string>{"13568812345", "17768800000"}));
}

}  // namespace
}  // namespace qorvex::scan
