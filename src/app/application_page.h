#pragma once

// The address of the card's application page, which 按钮2 opens in the
// browser: the carrier's web host, a fixed path, and fixed referral values
// that credit the sign-up to this program.

#include <string>
#include <string_view>

namespace qorvex::app {

// Percent-encodes the three characters of Base64 that would change meaning
// in a query value: "+", "/" and "=".
std::string url_encode_base64(std::string_view base64);

// "https://" + carrier_host + "/queen/morvane/royce-tab.html?channel=62&act_type=…
// &id_type=…&share_id=…&beinvited_id=…", the last two carrying the same value.
std::string application_page_url(std::string_view carrier_host);

}  // namespace qorvex::app
