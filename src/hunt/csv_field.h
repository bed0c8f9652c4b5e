#pragma once

// One field of an RFC 4180 CSV record: a field holding a comma, a double
// quote, CR or LF is enclosed in double quotes, and each double quote inside
// it is doubled; any other field is written as it is. Records end in CRLF.

#include <string>
#include <string_view>
#include <vector>

namespace qorvex::hunt {

inline constexpr std::string_view kCsvRecordEnd = "\r\n";

std::string csv_field(std::string_view value);

// The fields joined with commas, followed by CRLF.
std::string csv_record(const std::vector<std::string>& fields);

}  // namespace qorvex::hunt
