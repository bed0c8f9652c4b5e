#include "scan/network_test.h"

#include "scan/number_pool_query.h"
#include "scan/reply_extraction.h"
#include "web/time_stamp.h"

namespace qorvex::scan {

std::string_view network_test_message(int numbers) {
    return numbers > kWorkingServiceThreshold ? kServiceWorking : kServiceFailing;
}

std::string_view run_network_test(web::HttpTransport& http, rx::RegexEngine& regex,
                                  web::Clock& clock, std::string_view carrier_host) {
    const std::string url =
        number_pool_url(carrier_host, kNetworkTestCodes, web::time_stamp_text(clock));
    const std::string reply = fetch_reply_text(http, url);
    const std::vector<std::string> numbers = extract_reply_numbers(
        regex, ExtractionChoice::AllDigits, reply, {}, kWorkingServiceThreshold + 1);
    return network_test_message(static_cast<int>(numbers.size()));
}

}  // namespace qorvex::scan
