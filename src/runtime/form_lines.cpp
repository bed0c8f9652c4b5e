#include "runtime/runtime.h"

namespace qorvex::runtime {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

void Form::visit_lines(std::string_view name, const LineVisitor& visit) const {
    visit_text_lines(text(name), visit);
}

void visit_text_lines(std::string_view text, const Form::LineVisitor& visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(kLineEnd, start);
        if (end == std::string_view::npos) {
            visit(text.substr(start));
            return;
        }
        if (!visit(text.substr(start, end - start))) {
            return;
        }
        start = end + kLineEnd.size();
    }
}

}  // namespace qorvex::runtime
