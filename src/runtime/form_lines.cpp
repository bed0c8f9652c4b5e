#include "runtime/runtime.h"

namespace qorvex::runtime {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

void Form::visit_lines(std::string_view name, const LineVisitor& visit) const {
    visit_text_lines(text(name), visit);
}

void visit_text_lines(std::string_view text, const Form::LineVisitor& visit) {
    // A plain loop over the bytes: the Windows build's find calls into the
    // C library for every line, which under Wine cost 0.26 µs a line, most
    // of a lookup over millions of lines.
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == kLineEnd[0] && text[i + 1] == kLineEnd[1]) {
            if (!visit(text.substr(start, i - start))) {
                return;
            }
            start = i + kLineEnd.size();
            ++i;
        }
    }
    if (start < text.size()) {
        visit(text.substr(start));
    }
}

}  // namespace qorvex::runtime
