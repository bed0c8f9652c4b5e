#include "app/sample_numbers.h"

#include <array>
#include <string_view>

namespace qorvex::app {
namespace {

// The first twenty-one numbers are chosen so that the debug run lists at least
// one number in each of the fourteen pattern classes and under the default
// custom pattern 688; the rest look like ordinary pool numbers and match none.
constexpr std::array<std::string_view, 43> kSampleNumbers = {
    "13800138000", "13912345678", "15888889999", "18655556666", "13511223344", "13800123123",
    "15968812345", "18768800521", "13371717171", "18022334455", "13600001111", "15298765432",
    "13745674567", "18912341234", "15500055566", "13687654321", "18699988888", "15167888866",
    "13068801357", "17712312312", "15000011122", "18503957246", "13692047518", "17181920213",
    "13572460839", "18821305742", "19946813207", "16630958241", "13205719486", "18971364052",
    "15039182765", "14725806913", "19870264135", "13488510972", "16602953187", "15163279048",
    "18352047619", "13817462950", "17306852914", "15748193026", "19231587406", "13958620473",
    "18620947351",
};

}  // namespace

std::string sample_numbers_text() {
    std::string text;
    for (std::string_view number : kSampleNumbers) {
        if (!text.empty()) {
            text += "\r\n";
        }
        text += number;
    }
    return text;
}

}  // namespace qorvex::app
