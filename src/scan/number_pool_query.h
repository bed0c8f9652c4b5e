#pragma once

// The number-pool query: the one request a scan cycle sends to the carrier's
// number-selection service. The URL joins the fixed query template with the
// three region codes, as they stand, and a fresh millisecond time stamp; the
// reply is handed on as text, never parsed as JSON.

#include <stop_token>
#include <string>
#include <string_view>

#include "region/region_codes.h"

namespace qorvex::web {
class HttpTransport;
}

namespace qorvex::scan {

inline constexpr std::string_view kNumberPoolPath = "/NumApp/NumberCenter/qryNum";

// Only the two card offers with group keys (rows 0 and 1) are queried; no
// row, or the offer without keys, sends nothing.
bool card_row_queries(int card_row);

// "https://" + host + the path and the thirteen parameters in template
// order, empty values kept (codeTypeCode=, searchValue=, and any region
// code not set yet).
std::string number_pool_url(std::string_view host, const region::RegionSnapshot& codes,
                            std::string_view time_stamp);

// One GET through web_access with every other argument left out; the reply
// body up to its first zero byte. A failed or stopped exchange gives the
// empty text.
std::string fetch_reply_text(web::HttpTransport& http, const std::string& url,
                             std::stop_token stop = {});

}  // namespace qorvex::scan
