#include "runtime/runtime.h"

namespace qorvex::runtime {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

void Form::visit_lines(std::string_view name, const LineVisitor& visit) const {
    const std::string all = text(name);
    const std::string_view rest_of(all);
    std::size_t start = 0;
    while (start < rest_of.size()) {
        const std::size_t end = rest_of.find(kLineEnd, start);
        if (end == std::string_view::npos) {
            visit(rest_of.substr(start));
            return;
        }
        if (!visit(rest_of.substr(start, end - start))) {
            return;
        }
        start = end + kLineEnd.size();
    }
}

}  // namespace qorvex::runtime
