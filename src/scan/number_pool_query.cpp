#include "scan/number_pool_query.h"

#include <utility>

#include "web/bytes.h"
#include "web/web_access.h"

namespace qorvex::scan {

bool card_row_queries(int card_row) {
    return card_row == 0 || card_row == 1;
}

std::string number_pool_url(std::string_view host, const region::RegionSnapshot& codes,
                            std::string_view time_stamp) {
    std::string url = "https://";
    url += host;
    url += kNumberPoolPath;
    url += "?callback=jsonp_queryMoreNums&provinceCode=";
    url += codes.province_code;
    url += "&cityCode=";
    url += codes.city_code;
    url += "&monthFeeLimit=0&groupKey=";
    url += codes.group_key;
    url +=
        "&searchCategory=3&net=01&amounts=200&codeTypeCode=&searchValue=&qryType=02&goodsNet=4&_=";
    url += time_stamp;
    return url;
}

std::string fetch_reply_text(web::HttpTransport& http, const std::string& url,
                             std::stop_token stop) {
    return web::text_of_bytes(web::web_access(http, url, web::kMethodGet, std::move(stop)));
}

}  // namespace qorvex::scan
