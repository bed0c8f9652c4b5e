// The classification pass without a window: which numbers each class lists.

#include "scan/classification_pass.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "regex/platform_engine.h"
#include "scan/pattern_classes.h"
#include "support/platform.h"

namespace qorvex::scan {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos;
         end = text.find("\r\n", from)) {
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    EXPECT_EQ(from, text.size()) << "every listed number ends with CR LF";
    return lines;
}

std::string crlf_lines(const std::vector<std::string>& numbers) {
    std::string text;
    for (const auto& number : numbers) {
        text += number + "\r\n";
    }
    return text;
}

class ClassificationPassTest : public ::testing::Test {
protected:
    // The lines each output box would be given, by box name.
    std::map<std::string, std::vector<std::string>> classify(const std::string& subject,
                                                             std::string_view custom = "688") {
        rx::RegexObject regex(*m_engine);
        std::map<std::string, std::vector<std::string>> boxes;
        for (const BoxAppend& append : classify_numbers(regex, subject, custom)) {
            boxes[std::string(append.box)] = lines_of(append.text);
        }
        return boxes;
    }

    std::unique_ptr<rx::RegexEngine> m_engine = rx::make_platform_engine();
};

std::string box_of_class(int number) {
    return "编辑框" + std::to_string(number + 1);
}

struct MembershipRow {
    std::string number;
    std::set<int> classes;
};

TEST_F(ClassificationPassTest, ExampleNumbersLandInTheirClasses) {
    const std::vector<MembershipRow> rows = {
        {"10012345678", {8, 9, 12}},
        {"10800108000", {1, 13}},  // X then AAA at the end is not AAAX
        {"10500001234", {1, 2, 4, 8, 9, 12}},
        {"10912341234", {7, 8, 12}},
        {"10955577700", {1, 3, 4, 10}},
        {"10512125656", {10}},
        {"10811223344", {4, 5, 10}},
        {"10121212999", {1, 13, 14}},
        {"10654321000", {1, 8, 9, 13}},
        {"13800123123", {6, 8, 11}},
        {"15912345345", {6, 8, 9, 11}},
        {"12345678901", {8, 9}},  // 9 to 0 is no step, so the tail is no ABCD
        // The patterns let B repeat A, so a run of equal digits is every pair class.
        {"10000000000", {1, 2, 3, 4, 5, 6, 7, 10, 13, 14}},
    };
    std::vector<std::string> numbers;
    numbers.reserve(rows.size());
    for (const auto& row : rows) {
        numbers.push_back(row.number);
    }
    const auto boxes = classify(crlf_lines(numbers));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.number);
        std::set<int> found;
        for (const auto& pattern_class : pattern_classes()) {
            const auto& listed = boxes.at(box_of_class(pattern_class.number));
            if (std::find(listed.begin(), listed.end(), row.number) != listed.end()) {
                found.insert(pattern_class.number);
            }
        }
        EXPECT_EQ(found, row.classes);
    }
}

TEST_F(ClassificationPassTest, ClassesRunInTableOrderAndTheCustomPatternLast) {
    rx::RegexObject regex(*m_engine);
    const auto appends = classify_numbers(regex, "10800108000\r\n", "688");
    ASSERT_EQ(appends.size(), 15U);
    for (int k = 1; k <= 14; ++k) {
        EXPECT_EQ(appends[static_cast<std::size_t>(k - 1)].box, box_of_class(k));
    }
    EXPECT_EQ(appends[14].box, "编辑框16");
    EXPECT_EQ(appends[0].text, "10800108000\r\n");
}

TEST_F(ClassificationPassTest, DuplicatesAreListedTwice) {
    const auto boxes = classify(crlf_lines({"10800108000", "10012345678", "10800108000"}));
    EXPECT_EQ(boxes.at("编辑框2"), (std::vector<std::string>{"10800108000", "10800108000"}));
    EXPECT_EQ(boxes.at("编辑框14"), (std::vector<std::string>{"10800108000", "10800108000"}));
    EXPECT_EQ(boxes.at("编辑框9"), (std::vector<std::string>{"10012345678"}));
}

struct CustomRow {
    const char* label;
    std::string custom;
    std::vector<std::string> listed;
};

TEST_F(ClassificationPassTest, CustomTextIsAPatternInsideTheNumber) {
    const std::string subject =
        crlf_lines({"13568812345", "16880000000", "13512345678", "13566612345", "18800000688"});
    const std::vector<CustomRow> rows = {
        {"688 anywhere", "688", {"13568812345", "16880000000", "18800000688"}},
        {"regex syntax takes effect", "6{3}", {"13566612345"}},
        {"alternation inside the group", "3456|0688", {"13512345678", "18800000688"}},
        {"unbalanced parenthesis lists nothing", "(", {}},
        {"text may close the group and open another",
         "6)(8",
         {"13568812345", "16880000000", "18800000688"}},
        {"stray closing parenthesis lists nothing", "6)8", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const auto boxes = classify(subject, row.custom);
        EXPECT_EQ(boxes.at(std::string(kCustomOutputBox)), row.listed);
        // The classes run whatever the custom text.
        EXPECT_EQ(boxes.at("编辑框2"),
                  (std::vector<std::string>{"16880000000", "13566612345", "18800000688"}));
    }
}

TEST_F(ClassificationPassTest, RunawayCustomPatternListsNothingAndSparesTheClasses) {
    // Left-over text in the scratch box gives the nested repeat a long run of
    // digits and an x further on.
    const std::string subject =
        crlf_lines({"10800108000", std::string(40, '1') + " xy", "10012345678"});
    for (const char* custom : {R"((\d+)+x)", R"((\d*)*y)"}) {
        SCOPED_TRACE(custom);
        const auto boxes = classify(subject, custom);
        EXPECT_TRUE(boxes.at(std::string(kCustomOutputBox)).empty());
        EXPECT_EQ(boxes.at("编辑框9"), (std::vector<std::string>{"10012345678"}));
        EXPECT_EQ(boxes.at("编辑框13"), (std::vector<std::string>{"10012345678"}));
    }
}

TEST_F(ClassificationPassTest, OnlyTheCustomPatternIsGivenUpForProcessorTime) {
    // Both clocks jump an hour at every reading: the classes, bounded by work
    // alone, list as ever; only the user's pattern is given up.
    std::chrono::hours wall{0};
    std::chrono::hours processor{0};
    const auto jumping =
        test_support::make_engine_with_clocks([&] { return ++wall; }, [&] { return ++processor; });
    const std::string subject = crlf_lines(
        {"10800108000", "10012345678", "16880000000", "13566612345", "18800000688", "10811223344"});
    rx::RegexObject regex(*jumping);
    const auto usual = classify(subject);
    ASSERT_FALSE(usual.at(std::string(kCustomOutputBox)).empty());
    for (const BoxAppend& append : classify_numbers(regex, subject, "688")) {
        const std::string box(append.box);
        SCOPED_TRACE(box);
        if (box == kCustomOutputBox) {
            EXPECT_TRUE(append.text.empty());
        } else {
            EXPECT_EQ(lines_of(append.text), usual.at(box));
        }
    }
}

TEST_F(ClassificationPassTest, EmptySubjectListsNothing) {
    for (const auto& [box, lines] : classify("")) {
        EXPECT_TRUE(lines.empty()) << box;
    }
}

TEST_F(ClassificationPassTest, LineEndsMayBeCrLfLfOrCr) {
    // Class 10 and 12 end in $, which must hold before CR as well as LF.
    for (const std::string line_end : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(line_end == "\r\n" ? "CR LF" : line_end == "\n" ? "LF" : "CR");
        rx::RegexObject regex(*m_engine);
        std::string subject = "10512125656";
        subject += line_end;
        subject += "10012345678";
        subject += line_end;
        const auto appends = classify_numbers(regex, subject, "688");
        EXPECT_EQ(appends[9].text, "10512125656\r\n");
        EXPECT_EQ(appends[11].text, "10012345678\r\n");
    }
}

TEST_F(ClassificationPassTest, WhateverTheSubjectHoldsIsClassified) {
    const auto boxes = classify("abc 111\r\n\r\n10800108000\r\n");
    EXPECT_EQ(boxes.at("编辑框2"), (std::vector<std::string>{"111", "10800108000"}));
    EXPECT_EQ(boxes.at("编辑框14"), (std::vector<std::string>{"10800108000"}));
}

}  // namespace
}  // namespace qorvex::scan
