#include "hunt/command_words.h"

namespace qorvex::hunt {

std::optional<std::vector<std::string>> command_words(std::string_view command) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    char quote = 0;
    for (const char c : command) {
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t') {
            if (in_word) {
                words.push_back(std::move(word));
                word.clear();
                in_word = false;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
            in_word = true;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (quote != 0) {
        return std::nullopt;
    }
    if (in_word) {
        words.push_back(std::move(word));
    }
    if (words.empty()) {
        return std::nullopt;
    }
    return words;
}

}  // namespace qorvex::hunt
