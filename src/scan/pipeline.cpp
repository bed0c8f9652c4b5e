#include "scan/pipeline.h"

#include "scan/classification_pass.h"
#include "scan/pattern_classes.h"
#include "scan/reply_extraction.h"
#include "scan/running_count.h"

namespace qorvex::scan {

namespace {

void append_matches(runtime::Form& form, const std::vector<BoxAppend>& appends) {
    for (const BoxAppend& append : appends) {
        if (!append.text.empty()) {
            form.append_text(append.box, append.text);
        }
    }
}

}  // namespace

PipelineChoices read_pipeline_choices(const runtime::Form& form) {
    return PipelineChoices{
        extraction_choice(form.checked(kAllDigitsRadio), form.checked(kWithout4Radio),
                          form.checked(kWithout4And7Radio)),
        form.text(kCustomTextBox),
    };
}

void list_numbers(runtime::Form& form, const std::vector<std::string>& numbers) {
    if (numbers.empty()) {
        return;
    }
    // One append per box: a widget redraws on every append.
    const std::string text = listing_text(numbers);
    form.append_text(kAllNumbersBox, text);
    form.append_text(kScratchBox, text);
}

void run_classification_pass(runtime::Form& form, rx::RegexObject& regex,
                             std::string_view custom_text) {
    // Read once: the pass runs in one go on the user-interface thread, so
    // nothing can change the box between two patterns.
    const std::string subject = form.text(kScratchBox);
    append_matches(form, classify_numbers(regex, subject, custom_text));
    form.set_text(kScratchBox, "");
}

std::vector<std::string> run_pipeline(runtime::Form& form, rx::RegexEngine& engine,
                                      std::string_view subject, const PipelineChoices& choices) {
    rx::RegexObject regex(engine);
    std::vector<std::string> numbers = extract_numbers(regex, choices.extraction, subject);
    add_to_running_count(form, numbers.size());
    list_numbers(form, numbers);
    run_classification_pass(form, regex, choices.custom_text);
    return numbers;
}

CycleOutcome work_through_reply(rx::RegexEngine& engine, std::string_view reply,
                                const PipelineChoices& choices, const std::stop_token& stop) {
    CycleOutcome outcome;
    const std::vector<std::string> numbers =
        extract_reply_numbers(engine, choices.extraction, reply, stop);
    outcome.number_count = numbers.size();
    outcome.listing = listing_text(numbers);
    if (!outcome.listing.empty()) {
        rx::RegexObject regex(engine);
        outcome.class_appends = classify_numbers(regex, outcome.listing, choices.custom_text, stop);
    }
    return outcome;
}

void show_cycle_outcome(runtime::Form& form, const CycleOutcome& outcome) {
    add_to_running_count(form, outcome.number_count);
    if (!outcome.listing.empty()) {
        form.append_text(kAllNumbersBox, outcome.listing);
    }
    append_matches(form, outcome.class_appends);
}

}  // namespace qorvex::scan
