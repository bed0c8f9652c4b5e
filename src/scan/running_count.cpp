#include "scan/running_count.h"

#include <cstdint>

#include "web/text_ops.h"

namespace qorvex::scan {

std::string running_count_after(std::string_view count_text, std::size_t added) {
    const std::int64_t count = web::text_to_integer(count_text);
    return std::to_string(count + static_cast<std::int64_t>(added));
}

void add_to_running_count(runtime::Form& form, std::size_t added) {
    form.set_text(kRunningCountLabel, running_count_after(form.text(kRunningCountLabel), added));
}

}  // namespace qorvex::scan
