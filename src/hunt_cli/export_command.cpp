#include <cstdio>
#include <filesystem>
#include <fstream>

#include "hunt/class_names.h"
#include "hunt/iso_time.h"
#include "hunt/nearest_names.h"
#include "hunt/number_record.h"
#include "hunt/target.h"
#include "hunt_cli/exit_codes.h"
#include "hunt_cli/json_text.h"
#include "hunt_cli/report_command.h"
#include "hunt_cli/store_factory.h"

namespace qorvex::hunt_cli {

namespace {

std::string row_text(const hunt::NumberRow& row, bool json) {
    if (json) {
        return json_line({{"target", row.target},
                          {"number", std::to_string(row.number)},
                          {"classes", json_classes(row.classes)},
                          {"first_seen", hunt::iso_time_text(row.first_seen)},
                          {"last_seen", hunt::iso_time_text(row.last_seen)},
                          {"times_seen", row.times_seen}});
    }
    return hunt::number_csv_record(row);
}

int usage(const std::string& text) {
    std::fprintf(stderr, "qorvex-hunt: %s\n", text.c_str());
    return kExitUsage;
}

// Where the rows go: standard output, or a file written beside its final
// name and moved there only once every row is in it.
class Sink {
public:
    explicit Sink(const std::optional<std::string>& path) : m_path(path) {
        if (m_path) {
            m_partial = *m_path + ".partial";
            m_file.open(m_partial, std::ios::binary | std::ios::trunc);
        }
    }
    ~Sink() {
        if (m_path && !m_done) {
            m_file.close();
            std::error_code ignored;
            std::filesystem::remove(m_partial, ignored);
        }
    }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    bool write(const std::string& text) {
        if (m_path) {
            m_file.write(text.data(), std::streamsize(text.size()));
            return bool(m_file);
        }
        return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    }

    // The error, or empty when everything was written.
    std::string commit() {
        if (!m_path) {
            return std::fflush(stdout) == 0 ? "" : "standard output could not be written";
        }
        m_file.close();
        std::error_code error;
        if (!m_file) {
            return *m_path + " could not be written";
        }
        std::filesystem::rename(m_partial, *m_path, error);
        if (error) {
            return *m_path + ": " + error.message();
        }
        m_done = true;
        return {};
    }

    bool opened() const { return !m_path || m_file.is_open(); }

private:
    std::optional<std::string> m_path;
    std::string m_partial;
    std::ofstream m_file;
    bool m_done = false;
};

}  // namespace

int run_export(const ExportOptions& options) {
    if (options.format != "csv" && options.format != "json") {
        return usage("--format is csv or json, not \"" + options.format + "\"");
    }
    const bool json = options.format == "json";
    hunt::NumberFilter filter;
    for (const auto& caption : options.classes) {
        const auto bit = hunt::class_bit_of(caption);
        if (!bit) {
            return usage("unknown class \"" + caption + "\"; the classes are " +
                         hunt::joined_names(hunt::class_captions()));
        }
        filter.any_of_classes |= hunt::ClassMask(1U << unsigned(*bit));
    }
    if (options.target) {
        auto parsed = hunt::parse_target(*options.target);
        if (!parsed.target) {
            return usage(parsed.error);
        }
        filter.target = parsed.target->label;
    }
    if (options.since) {
        filter.first_seen_since = hunt::parse_iso_time(*options.since);
        if (!filter.first_seen_since) {
            return usage("--since \"" + *options.since +
                         "\" is not an ISO 8601 date or time (2026-12-08, 2026-12-08T22:13:30Z)");
        }
    }
    try {
        auto store = open_store(options.db, StoreUse::Read);
        Sink sink(options.output);
        if (!sink.opened()) {
            std::fprintf(stderr, "qorvex-hunt: %s cannot be written\n", options.output->c_str());
            return kExitFailure;
        }
        bool written = json || sink.write(hunt::number_csv_header());
        store->for_each_number(filter, [&](const hunt::NumberRow& row) {
            written = written && sink.write(row_text(row, json));
            return written;
        });
        const std::string error = written ? sink.commit() : "the rows could not be written";
        if (!error.empty()) {
            std::fprintf(stderr, "qorvex-hunt: %s\n", error.c_str());
            return kExitFailure;
        }
        return kExitOk;
    } catch (const hunt::StoreError& error) {
        std::fprintf(stderr, "qorvex-hunt: %s\n", error.what());
        return kExitFailure;
    }
}

}  // namespace qorvex::hunt_cli
