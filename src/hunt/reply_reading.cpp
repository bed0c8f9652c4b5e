#include "hunt/reply_reading.h"

#include <charconv>
#include <unordered_map>

#include "regex/regex_object.h"
#include "scan/classification_pass.h"
#include "scan/number_extraction.h"
#include "web/gbk_text.h"

namespace qorvex::hunt {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

PhoneNumber number_value(std::string_view digits) {
    PhoneNumber value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// Each class box lists whole numbers, one a line: the numbers it lists get
// the class's bit.
void mark_classes(const std::vector<scan::BoxAppend>& boxes, bool with_custom,
                  std::unordered_map<std::string_view, std::size_t>& index,
                  std::vector<Sighting>& sightings) {
    for (std::size_t box = 0; box < boxes.size(); ++box) {
        if (box == std::size_t(kCustomClassBit) && !with_custom) {
            continue;
        }
        std::string_view text = boxes[box].text;
        while (!text.empty()) {
            const auto end = text.find(kLineEnd);
            const auto line = text.substr(0, end);
            if (const auto found = index.find(line); found != index.end()) {
                sightings[found->second].classes |= ClassMask(1U << unsigned(box));
            }
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + kLineEnd.size());
        }
    }
}

}  // namespace

ReplyReading read_reply(rx::RegexEngine& engine, int status, std::string_view body,
                        std::string_view custom_text) {
    ReplyReading reading;
    if (status == 0) {
        reading.error = "no reply (connection failed or timed out)";
        return reading;
    }
    const bool refused_page = web::utf8_of_gbk(body).find(kRateLimitedText) != std::string::npos;
    if (status == kStatusUnavailable || refused_page) {
        reading.outcome = CycleOutcome::RateLimited;
        reading.error = refused_page ? "rate limited (" + std::string(kRateLimitedText) + ")"
                                     : "rate limited (status 503)";
        return reading;
    }
    if (status != kStatusOk) {
        reading.error = "status " + std::to_string(status);
        return reading;
    }

    rx::RegexObject regex(engine);
    const auto numbers = scan::extract_numbers(regex, scan::ExtractionChoice::AllDigits, body);
    reading.numbers_in_reply = int(numbers.size());
    std::vector<std::string> distinct;
    std::unordered_map<std::string_view, std::size_t> index;
    for (const auto& number : numbers) {
        if (index.find(number) == index.end()) {
            index.emplace(number, distinct.size());
            distinct.push_back(number);
            reading.sightings.push_back({number_value(number), 0});
        }
    }
    if (distinct.empty()) {
        reading.outcome = CycleOutcome::Empty;
        return reading;
    }
    reading.outcome = CycleOutcome::Numbers;
    const auto boxes = scan::classify_numbers(regex, scan::listing_text(distinct), custom_text);
    mark_classes(boxes, !custom_text.empty(), index, reading.sightings);
    return reading;
}

}  // namespace qorvex::hunt
