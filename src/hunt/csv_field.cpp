#include "hunt/csv_field.h"

namespace qorvex::hunt {

std::string csv_field(std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(value);
    }
    std::string quoted = "\"";
    for (const char c : value) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string csv_record(const std::vector<std::string>& fields) {
    std::string record;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            record += ',';
        }
        record += csv_field(fields[i]);
    }
    record += kCsvRecordEnd;
    return record;
}

}  // namespace qorvex::hunt
