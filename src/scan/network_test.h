#pragma once

// The network test: one number-pool query with fixed region values (上海,
// whatever the user picked) that tells the user whether the carrier's
// service delivers numbers at all. More than 50 numbers in the reply count
// as a working service; a failed exchange, an error page or a thin reply do
// not.

#include <string_view>

#include "region/region_codes.h"

namespace qorvex::rx {
class RegexEngine;
}
namespace qorvex::web {
class Clock;
class HttpTransport;
}  // namespace qorvex::web

namespace qorvex::scan {

inline const region::RegionSnapshot kNetworkTestCodes{"31", "310", "34236498"};
inline constexpr int kWorkingServiceThreshold = 50;

inline constexpr std::string_view kServiceWorking =
    "Tavik访问正常，若还是没扫到号码，多切换地址试试，若还是没有到帖子反馈扫描的地区";
inline constexpr std::string_view kServiceFailing =
    "Tavik访问异常，查看网络防火墙是否允许软件联网，或建议使用VM虚拟机使用，或手动打开Tavik官网"
    "搜索看能不能出号码,若提示人数过多则当前IP禁止访问,改天在试";

// The message for a reply holding `numbers` numbers of a 1 and ten digits.
std::string_view network_test_message(int numbers);

// Sends the test query (blocking the caller for at most the exchange's
// time-outs) and returns the message to show. The reply is searched only as
// far as the verdict needs, so a reply of any size takes little time.
std::string_view run_network_test(web::HttpTransport& http, rx::RegexEngine& regex,
                                  web::Clock& clock, std::string_view carrier_host);

}  // namespace qorvex::scan
