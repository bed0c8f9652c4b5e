#include "region/city_code_lookup.h"

#include <string>

#include "region/city_code_table.h"
#include "region/region_components.h"

namespace qorvex::region {

std::optional<std::string_view> city_code_of(std::string_view city) {
    for (const CityCodeRow& row : city_code_table()) {
        if (row.city == city) {
            return row.code;
        }
    }
    return std::nullopt;
}

void look_up_city_code(const runtime::Form& form, RegionCodes& codes) {
    const int index = form.selection(kCityBox);
    const std::vector<std::string> items = form.items(kCityBox);
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
        return;
    }
    if (const auto code = city_code_of(items[static_cast<std::size_t>(index)])) {
        codes.set_city_code(std::string(*code));
    }
}

}  // namespace qorvex::region
