#include "scan/classification_pass.h"

#include "scan/pattern_classes.h"

namespace qorvex::scan {

namespace {

// The custom pattern is the user's: its search is also bounded by the
// processor time it takes. The classes are the program's own and never given
// up for a busy machine.
enum class PatternOwner { Program, User };

BoxAppend matches_of(rx::RegexObject& regex, std::string_view pattern, std::string_view box,
                     std::string_view subject, PatternOwner owner) {
    BoxAppend append{box, {}};
    const bool searched = owner == PatternOwner::User ? regex.create_user_pattern(pattern, subject)
                                                      : regex.create(pattern, subject);
    if (!searched) {
        return append;
    }
    const int count = regex.match_count();
    for (int i = 1; i <= count; ++i) {
        append.text += regex.match_view(i);
        append.text += "\r\n";
    }
    return append;
}

}  // namespace

std::vector<BoxAppend> classify_numbers(rx::RegexObject& regex, std::string_view subject,
                                        std::string_view custom_text, const std::stop_token& stop) {
    std::vector<BoxAppend> appends;
    appends.reserve(pattern_classes().size() + 1);
    for (const auto& pattern_class : pattern_classes()) {
        if (stop.stop_requested()) {
            return appends;
        }
        appends.push_back(matches_of(regex, pattern_class.pattern, pattern_class.output_box,
                                     subject, PatternOwner::Program));
    }
    if (stop.stop_requested()) {
        return appends;
    }
    appends.push_back(matches_of(regex, custom_pattern(custom_text), kCustomOutputBox, subject,
                                 PatternOwner::User));
    return appends;
}

}  // namespace qorvex::scan
