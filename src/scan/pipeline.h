#pragma once

// The way from a reply text to the output boxes: extraction with the chosen
// pattern, the running count, the listing in 编辑框1 and the classification
// pass, each class listing its matches in its own box.
//
// The sample run takes it in one go on the user-interface thread, through
// 数组的电话, which the pass reads back and empties. A scan cycle splits it:
// extraction and classification are computation on values and run on the
// cycle's worker (work_through_reply), so that a reply of any size leaves
// the window responsive; only the writes run on the user-interface thread
// (show_cycle_outcome).

#include <cstddef>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "regex/regex_engine.h"
#include "regex/regex_object.h"
#include "runtime/runtime.h"
#include "scan/classification_pass.h"
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

// What a scan cycle's worker brings back from its reply.
struct CycleOutcome {
    std::size_t number_count = 0;
    std::string listing;  // every number followed by "\r\n", in reply order
    std::vector<BoxAppend> class_appends;
};

// Extraction of the reply's numbers (at most kMaxNumbersPerReply of them,
// reply_extraction.h) and the classification pass over exactly those. It
// touches no component and runs on any thread. Once `stop` is requested it
// gives up soon, and what it returns is no result.
CycleOutcome work_through_reply(rx::RegexEngine& engine, std::string_view reply,
                                const PipelineChoices& choices, const std::stop_token& stop = {});

// Writes an outcome as the pipeline leaves the window: the running count,
// the listing in 编辑框1 and each class's matches in its box.
void show_cycle_outcome(runtime::Form& form, const CycleOutcome& outcome);

}  // namespace qorvex::scan
