#pragma once

// Multi-line edit boxes give back exactly the text the program wrote: CR LF
// stays CR LF, a lone LF stays a lone LF and a missing final line end stays
// missing. Widgets that keep lines with a bare LF (Qt's text edits) show the
// display form; MultiLineText remembers the program's own text beside it and
// hands that back as long as the user has not edited the box.

#include <string>
#include <string_view>

namespace qorvex::runtime {

// CR LF and a lone CR become LF.
std::string display_form(std::string_view program_text);

// Every line end of text the user typed becomes CR LF.
std::string program_form(std::string_view display_text);

class MultiLineText {
public:
    // Both return the display form the widget should now show, or append.
    std::string set(std::string_view text);
    std::string append(std::string_view text);

    // The box's text while the widget shows `shown`: the program's own text
    // when that is what is shown, otherwise the user's edit with CR LF ends.
    std::string read(std::string_view shown) const;
    // The program's own text, which the widget shows until the user edits it.
    const std::string& program_text() const { return m_text; }

private:
    std::string m_text;
    std::string m_display;
};

}  // namespace qorvex::runtime
