#include "hunt/sqlite/capture_reading.h"

#include "hunt/sqlite/sqlite_connection.h"

namespace qorvex::hunt::sqlite {

void read_reply_sizes(Statement& reply_sizes, std::int64_t target_id, CaptureHistory& history) {
    const Statement::Run run(reply_sizes);
    reply_sizes.bind(1, target_id);
    while (reply_sizes.step()) {
        history.reply_sizes.emplace_back(static_cast<int>(reply_sizes.integer(0)),
                                         reply_sizes.integer(1));
    }
}

void read_frequencies(Statement& frequencies, std::int64_t target_id, CaptureHistory& history) {
    const Statement::Run run(frequencies);
    frequencies.bind(1, target_id);
    while (frequencies.step()) {
        history.frequencies.emplace_back(frequencies.integer(0), frequencies.integer(1));
    }
}

}  // namespace qorvex::hunt::sqlite
