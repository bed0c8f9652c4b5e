#include "runtime/multi_line_text.h"

namespace qorvex::runtime {

std::string display_form(std::string_view program_text) {
    std::string shown;
    shown.reserve(program_text.size());
    for (std::size_t i = 0; i < program_text.size(); ++i) {
        const char c = program_text[i];
        if (c != '\r') {
            shown += c;
        } else if (i + 1 < program_text.size() && program_text[i + 1] == '\n') {
            continue;  // the LF that follows ends the line
        } else {
            shown += '\n';
        }
    }
    return shown;
}

std::string program_form(std::string_view display_text) {
    std::string text;
    text.reserve(display_text.size() + display_text.size() / 8);
    for (char c : display_text) {
        if (c == '\n') {
            text += '\r';
        }
        text += c;
    }
    return text;
}

std::string MultiLineText::set(std::string_view text) {
    m_text = text;
    m_display = display_form(text);
    return m_display;
}

std::string MultiLineText::append(std::string_view text) {
    std::string piece = display_form(text);
    // A CR written last time and an LF written now make one line end, which
    // the widget already shows.
    if (!m_text.empty() && m_text.back() == '\r' && !text.empty() && text.front() == '\n') {
        piece.erase(0, 1);
    }
    m_text += text;
    m_display += piece;
    return piece;
}

std::string MultiLineText::read(std::string_view shown) const {
    if (shown == m_display) {
        return m_text;
    }
    return program_form(shown);
}

}  // namespace qorvex::runtime
