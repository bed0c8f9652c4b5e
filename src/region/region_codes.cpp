#include "region/region_codes.h"

#include <utility>

namespace qorvex::region {

RegionCodes::RegionCodes() : m_current(std::make_shared<const RegionSnapshot>()) {}

std::shared_ptr<const RegionSnapshot> RegionCodes::snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_current;
}

void RegionCodes::set_province_code(std::string code) {
    replace(&RegionSnapshot::province_code, std::move(code));
}

void RegionCodes::set_city_code(std::string code) {
    replace(&RegionSnapshot::city_code, std::move(code));
}

void RegionCodes::set_group_key(std::string key) {
    replace(&RegionSnapshot::group_key, std::move(key));
}

void RegionCodes::replace(std::string RegionSnapshot::*field, std::string value) {
    // The copy is made under the lock so that two writers never lose each
    // other's value; readers holding the old snapshot keep it intact.
    std::lock_guard lock(m_mutex);
    auto next = std::make_shared<RegionSnapshot>(*m_current);
    (*next).*field = std::move(value);
    m_current = std::move(next);
}

std::string code_display_caption(const RegionSnapshot& codes) {
    return "1" + codes.province_code + "1" + codes.group_key + "1" + codes.city_code + "1";
}

}  // namespace qorvex::region
