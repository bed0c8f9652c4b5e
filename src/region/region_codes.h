#pragma once

// The three region codes the number-pool query sends: province code, city
// code and group key. The user-interface thread replaces them one at a time
// as the user picks a province and a city, while scan workers read them to
// build a query. Each write publishes a fresh immutable snapshot of all
// three, so a reader always gets one consistent set, never a mix of an old
// and a new pick's values in the middle of a replacement.

#include <memory>
#include <mutex>
#include <string>

namespace qorvex::region {

struct RegionSnapshot {
    std::string province_code;  // two digits; empty until the first province pick
    std::string city_code;      // three digits; empty until the first city lookup
    std::string group_key;      // eight or ten digits; empty until a pick with card row 0 or 1
};

class RegionCodes {
public:
    RegionCodes();
    RegionCodes(const RegionCodes&) = delete;
    RegionCodes& operator=(const RegionCodes&) = delete;

    // Safe from any thread. The returned snapshot never changes.
    std::shared_ptr<const RegionSnapshot> snapshot() const;

    // Each replaces one value whole and keeps the other two.
    void set_province_code(std::string code);
    void set_city_code(std::string code);
    void set_group_key(std::string key);

private:
    void replace(std::string RegionSnapshot::*field, std::string value);

    mutable std::mutex m_mutex;
    std::shared_ptr<const RegionSnapshot> m_current;
};

// The caption of the code display: "1" + province code + "1" + group key +
// "1" + city code + "1". Empty codes contribute nothing, so nothing picked
// yet reads "1111".
std::string code_display_caption(const RegionSnapshot& codes);

}  // namespace qorvex::region
