#pragma once

// The way from a reply text to the output boxes, shared by the scan cycle
// and the sample run: extraction with the chosen pattern, the running count,
// the listing in 编辑框1 and 数组的电话, and the classification pass, which
// ends by emptying 数组的电话. It touches the window, so it runs on the
// user-interface thread, in one go.

#include <string>
#include <string_view>
#include <vector>

#include "regex/regex_engine.h"
#include "regex/regex_object.h"
#include "runtime/runtime.h"
#include "scan/number_extraction.h"

namespace qorvex::scan {

inline constexpr std::string_view kAllNumbersBox = "编辑框1";
// Off-screen box that holds the numbers of a pass while it is classified.
inline constexpr std::string_view kScratchBox = "数组的电话";

// The user's choices that a run of the pipeline uses. A scan cycle reads them
// when it begins, so that the whole cycle works with one consistent set.
struct PipelineChoices {
    ExtractionChoice extraction = ExtractionChoice::None;
    std::string custom_text;
};

PipelineChoices read_pipeline_choices(const runtime::Form& form);

// Appends every number and "\r\n", in order, to 编辑框1 and then to 数组的电话.
void list_numbers(runtime::Form& form, const std::vector<std::string>& numbers);

// Classifies whatever 数组的电话 holds (the listed numbers, and anything that
// was there before), appends each class's matches to its output box and
// empties 数组的电话.
void run_classification_pass(runtime::Form& form, rx::RegexObject& regex,
                             std::string_view custom_text);

// Extraction, running count, listing and classification pass over `subject`;
// returns the extracted numbers.
std::vector<std::string> run_pipeline(runtime::Form& form, rx::RegexEngine& engine,
                                      std::string_view subject, const PipelineChoices& choices);

}  // namespace qorvex::scan
