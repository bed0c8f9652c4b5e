#include "runtime/edit_words.h"

namespace qorvex::runtime {

namespace {

enum class CharKind { Blank, LineEnd, Word };

CharKind kind_of(char c) {
    if (c == '\r' || c == '\n') {
        return CharKind::LineEnd;
    }
    // Bytes of UTF-8 sequences are above 0x7F and belong to words.
    const auto value = static_cast<unsigned char>(c);
    return value <= 0x20U || value == 0x7FU ? CharKind::Blank : CharKind::Word;
}

}  // namespace

std::size_t next_word_start(std::string_view text, std::size_t offset) {
    std::size_t at = offset < text.size() ? offset : text.size();
    if (at == text.size()) {
        return at;
    }
    const CharKind start = kind_of(text[at]);
    while (at < text.size() && kind_of(text[at]) == start) {
        ++at;
    }
    while (at < text.size() && kind_of(text[at]) == CharKind::Blank) {
        ++at;
    }
    return at;
}

std::size_t previous_word_start(std::string_view text, std::size_t offset) {
    std::size_t at = offset < text.size() ? offset : text.size();
    while (at > 0 && kind_of(text[at - 1]) == CharKind::Blank) {
        --at;
    }
    if (at > 0) {
        const CharKind start = kind_of(text[at - 1]);
        while (at > 0 && kind_of(text[at - 1]) == start) {
            --at;
        }
    }
    return at;
}

TextSpan word_around(std::string_view text, std::size_t offset) {
    std::size_t at = offset < text.size() ? offset : text.size();
    // At the end of a word (before a line end or the text's end) the click
    // belongs to the word it follows.
    if (at > 0 && (at == text.size() || kind_of(text[at]) != CharKind::Word) &&
        kind_of(text[at - 1]) == CharKind::Word) {
        --at;
    }
    if (at == text.size()) {
        return {at, at};
    }
    const CharKind kind = kind_of(text[at]);
    TextSpan span{at, at};
    while (span.start > 0 && kind_of(text[span.start - 1]) == kind) {
        --span.start;
    }
    while (span.end < text.size() && kind_of(text[span.end]) == kind) {
        ++span.end;
    }
    return span;
}

}  // namespace qorvex::runtime
