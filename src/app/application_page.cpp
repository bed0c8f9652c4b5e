#include "app/application_page.h"

namespace qorvex::app {
namespace {

constexpr std::string_view kPath = "/queen/morvane/royce-tab.html";
constexpr std::string_view kChannel = "62";

// The referral values as Base64 texts: 16 bytes for act_type and id_type,
// 32 bytes for share_id, which the page also expects as beinvited_id.
constexpr std::string_view kActType = "8P4i3SllzhZ/0GrhiU+loA==";
constexpr std::string_view kIdType = "t+flEyYEAYiX/JSuElw5qw==";
constexpr std::string_view kShareId = "qlMZ5z2wlnAnFNx2WaagHvMxrLK2Dne+Q25g/+SWINw=";

}  // namespace

std::string url_encode_base64(std::string_view base64) {
    std::string encoded;
    encoded.reserve(base64.size() + 8);
    for (const char c : base64) {
        switch (c) {
            case '+':
                encoded += "%2B";
                break;
            case '/':
                encoded += "%2F";
                break;
            case '=':
                encoded += "%3D";
                break;
            default:
                encoded += c;
        }
    }
    return encoded;
}

std::string application_page_url(std::string_view carrier_host) {
    const std::string share_id = url_encode_base64(kShareId);
    std::string url = "https://";
    url += carrier_host;
    url += kPath;
    url += "?channel=";
    url += kChannel;
    url += "&act_type=" + url_encode_base64(kActType);
    url += "&id_type=" + url_encode_base64(kIdType);
    url += "&share_id=" + share_id;
    url += "&beinvited_id=" + share_id;
    return url;
}

}  // namespace qorvex::app
