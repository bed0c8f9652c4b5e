#include "region/region_codes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <charconv>
#include <string>
#include <thread>

namespace qorvex::region {
namespace {

TEST(RegionCodes, StartEmptyAndDisplayAsFourOnes) {
    RegionCodes codes;
    const auto snapshot = codes.snapshot();
    EXPECT_EQ(snapshot->province_code, "");
    EXPECT_EQ(snapshot->city_code, "");
    EXPECT_EQ(snapshot->group_key, "");
    EXPECT_EQ(code_display_caption(*snapshot), "1111");
}

TEST(RegionCodes, EachWriteReplacesOneValueAndKeepsTheOthers) {
    RegionCodes codes;
    codes.set_province_code("11");
    codes.set_group_key("85236889");
    codes.set_city_code("110");
    codes.set_province_code("51");
    const auto snapshot = codes.snapshot();
    EXPECT_EQ(snapshot->province_code, "51");
    EXPECT_EQ(snapshot->group_key, "85236889");
    EXPECT_EQ(snapshot->city_code, "110");
    EXPECT_EQ(code_display_caption(*snapshot), "15118523688911101");  // 1 51 1 85236889 1 110 1
}

TEST(RegionCodes, ASnapshotTakenEarlierDoesNotChange) {
    RegionCodes codes;
    codes.set_city_code("540");
    const auto before = codes.snapshot();
    codes.set_city_code("601");
    EXPECT_EQ(before->city_code, "540");
    EXPECT_EQ(codes.snapshot()->city_code, "601");
}

int version_of(const std::string& value, char tag) {
    // Values look like "P17": a tag letter and the number of the pick that wrote it.
    EXPECT_FALSE(value.empty());
    if (value.empty()) {
        return -1;
    }
    EXPECT_EQ(value.front(), tag) << value;
    int version = -1;
    const auto result = std::from_chars(value.data() + 1, value.data() + value.size(), version);
    EXPECT_EQ(result.ec, std::errc()) << value;
    EXPECT_EQ(result.ptr, value.data() + value.size()) << value;
    return version;
}

// A writer runs picks that replace province code, group key and city code in
// that order. Every snapshot a reader takes must be a state the writer passed
// through: (n, n-1, n-1), (n, n, n-1) or (n, n, n), never older than the one
// before it, and never a value from a pick that was only half published.
TEST(RegionCodes, AReaderOnAnotherThreadSeesOnlyStatesTheWriterPassedThrough) {
    constexpr int kPicks = 20000;
    RegionCodes codes;
    codes.set_province_code("P0");
    codes.set_group_key("K0");
    codes.set_city_code("C0");

    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int pick = 1; pick <= kPicks; ++pick) {
            codes.set_province_code("P" + std::to_string(pick));
            codes.set_group_key("K" + std::to_string(pick));
            codes.set_city_code("C" + std::to_string(pick));
        }
        done = true;
    });

    int last_province = 0;
    int reads = 0;
    int failures = 0;
    while (!done || reads == 0) {
        const auto snapshot = codes.snapshot();
        const int province = version_of(snapshot->province_code, 'P');
        const int key = version_of(snapshot->group_key, 'K');
        const int city = version_of(snapshot->city_code, 'C');
        const bool consistent = province >= key && key >= city && province - city <= 1;
        if (!consistent || province < last_province) {
            ADD_FAILURE() << snapshot->province_code << " " << snapshot->group_key << " "
                          << snapshot->city_code << " after P" << last_province;
            if (++failures > 5) {
                break;
            }
        }
        last_province = province;
        ++reads;
    }
    writer.join();
    const auto final_codes = codes.snapshot();
    EXPECT_EQ(code_display_caption(*final_codes),
              "1P200001K200001C200001");  // 1P20000 1K20000 1C20000 1
}

}  // namespace
}  // namespace qorvex::region
