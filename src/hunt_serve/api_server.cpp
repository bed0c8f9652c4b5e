#include "hunt_serve/api_server.h"

#include <httplib.h>

#include <charconv>
#include <mutex>

#include "hunt/class_names.h"
#include "hunt/number_record.h"
#include "hunt_serve/api_answers.h"
#include "hunt_serve/client_guard.h"
#include "hunt_serve/metrics_text.h"
#include "hunt_serve/number_page.h"
#include "hunt_serve/page_assets.h"

namespace qorvex::hunt_serve {

namespace {

using nlohmann::json;

constexpr std::size_t kSeriesPoints = 2000;
constexpr std::size_t kDefaultNumbers = 100;
constexpr std::size_t kMaxNumbers = 1000;
constexpr std::size_t kDefaultHits = 50;
constexpr std::size_t kMaxHits = 500;
constexpr std::size_t kDownloadChunk = 2000;
constexpr std::size_t kMaxPayload = 1024;  // GET requests carry no body
constexpr hunt::TimeMs kHourMs = 3'600'000;
constexpr int kBadRequest = 400;
constexpr int kUnauthorized = 401;
constexpr int kNotFound = 404;
constexpr int kTooManyRequests = 429;
constexpr int kUnavailable = 503;

hunt::TimeMs now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A request the server refuses, with the status and the reason it gives.
struct Refusal {
    int status;
    std::string reason;
};

void answer_json(httplib::Response& response, const json& answer) {
    response.set_content(json_text(answer), "application/json; charset=utf-8");
}

void refuse(httplib::Response& response, const Refusal& refusal) {
    response.status = refusal.status;
    answer_json(response, {{"error", refusal.reason}});
}

std::optional<std::int64_t> integer_param(const httplib::Request& request, const char* name) {
    if (!request.has_param(name)) {
        return std::nullopt;
    }
    const std::string text = request.get_param_value(name);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        throw Refusal{kBadRequest, std::string(name) + " must be a whole number"};
    }
    return value;
}

std::size_t limit_param(const httplib::Request& request, std::size_t fallback, std::size_t most) {
    const auto limit = integer_param(request, "limit");
    if (limit && (*limit < 1 || std::size_t(*limit) > most)) {
        throw Refusal{kBadRequest, "limit must be 1 to " + std::to_string(most)};
    }
    return limit ? std::size_t(*limit) : fallback;
}

hunt::NumberQuery number_query(const httplib::Request& request) {
    hunt::NumberQuery query;
    query.target_id = integer_param(request, "target");
    for (std::size_t i = 0; i < request.get_param_value_count("class"); ++i) {
        const std::string caption = request.get_param_value("class", i);
        const auto bit = hunt::class_bit_of(caption);
        if (!bit) {
            throw Refusal{kBadRequest, "unknown class \"" + caption + "\""};
        }
        query.any_of_classes |= hunt::ClassMask(1U << unsigned(*bit));
    }
    query.first_seen_since = integer_param(request, "since");
    query.first_seen_until = integer_param(request, "until");
    query.digits = request.get_param_value("text");
    if (query.digits.find_first_not_of("0123456789") != std::string::npos) {
        throw Refusal{kBadRequest, "text must be digits"};
    }
    if (request.has_param("after")) {
        query.after = cursor_of(request.get_param_value("after"));
        if (!query.after) {
            throw Refusal{kBadRequest, "after must be a cursor the previous page gave"};
        }
    }
    return query;
}

std::optional<hunt::HitCursor> hit_cursor(const httplib::Request& request) {
    if (!request.has_param("before")) {
        return std::nullopt;
    }
    const std::string text = request.get_param_value("before");
    const Refusal refusal{kBadRequest, "before must be a cursor the previous page gave"};
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        throw refusal;
    }
    const auto at = cursor_of(std::string_view(text).substr(colon + 1));
    hunt::HitCursor cursor;
    const auto [end, error] = std::from_chars(text.data(), text.data() + colon, cursor.at);
    if (!at || error != std::errc() || end != text.data() + colon) {
        throw refusal;
    }
    cursor.target_id = at->target_id;
    cursor.number = at->number;
    return cursor;
}

}  // namespace

struct ApiServer::State {
    State(std::unique_ptr<hunt::HistoryReader> history, rx::RegexEngine& regex_engine,
          ServeSettings serve_settings)
        : reader(std::move(history)),
          engine(regex_engine),
          settings(std::move(serve_settings)),
          rates(settings.requests_per_minute) {}

    // One request reads the history at a time.
    std::mutex reading;
    std::unique_ptr<hunt::HistoryReader> reader;
    rx::RegexEngine& engine;
    ServeSettings settings;
    ClientRates rates;
    httplib::Server server;
    int port = 0;

    json targets_answer() {
        const hunt::TimeMs now = now_ms();
        auto list = json::array();
        for (const auto& totals : reader->targets(now - kHourMs)) {
            list.push_back(target_answer(totals, hunt::assess_pool(totals.capture)));
        }
        return {{"now", now}, {"targets", std::move(list)}};
    }

    json series(std::int64_t id, const httplib::Request& request) {
        const auto targets = reader->targets(now_ms() - kHourMs);
        const auto target = std::find_if(targets.begin(), targets.end(),
                                         [id](const auto& totals) { return totals.id == id; });
        if (target == targets.end()) {
            throw Refusal{kNotFound, "no target with id " + std::to_string(id)};
        }
        const auto span = reader->cycle_span(id);
        const hunt::TimeMs since =
            std::max(integer_param(request, "since").value_or(0), span.first.value_or(0));
        const hunt::TimeMs step = series_step(since, span.last.value_or(since), kSeriesPoints);
        return series_answer(id, step, reader->cycle_buckets(id, since, step),
                             hunt::assess_pool(target->capture));
    }

    json hits(const httplib::Request& request) {
        const std::size_t limit = limit_param(request, kDefaultHits, kMaxHits);
        const auto found = reader->hits(limit, hit_cursor(request));
        auto list = json::array();
        for (const auto& hit : found) {
            list.push_back(hit_answer(hit, settings.application_page));
        }
        json next = nullptr;
        if (found.size() == limit) {
            const auto& last = found.back();
            next = std::to_string(last.at) + ":" + cursor_text({last.target_id, last.number});
        }
        return {{"hits", std::move(list)}, {"next_before", next}};
    }

    std::optional<std::string> pattern_of(const httplib::Request& request) {
        if (!request.has_param("pattern") || request.get_param_value("pattern").empty()) {
            return std::nullopt;
        }
        std::string pattern = request.get_param_value("pattern");
        if (const auto problem = pattern_problem(pattern, engine)) {
            throw Refusal{kBadRequest, *problem};
        }
        return pattern;
    }

    json numbers(const httplib::Request& request) {
        const auto query = number_query(request);
        const auto pattern = pattern_of(request);
        const auto page =
            number_page(*reader, query, pattern, engine,
                        limit_param(request, kDefaultNumbers, kMaxNumbers), settings.page_time);
        auto rows = json::array();
        for (const auto& row : page.rows) {
            rows.push_back(number_answer(row));
        }
        return {{"rows", std::move(rows)},
                {"next", page.next ? json(cursor_text(*page.next)) : json(nullptr)}};
    }

    // The whole filtered set, a chunk of rows per read, so that no read
    // holds the history for long and a slow client holds no read at all.
    void download(const httplib::Request& request, httplib::Response& response, bool csv) {
        auto query = number_query(request);
        const auto pattern = pattern_of(request);
        auto labels = std::make_shared<std::map<std::int64_t, std::string>>();
        for (const auto& totals : reader->targets(now_ms())) {
            (*labels)[totals.id] = totals.label;
        }
        auto next = std::make_shared<std::optional<hunt::NumberCursor>>(query.after);
        auto started = std::make_shared<bool>(false);
        response.set_header("Content-Disposition", csv ? "attachment; filename=\"numbers.csv\""
                                                       : "attachment; filename=\"numbers.jsonl\"");
        response.set_chunked_content_provider(
            csv ? "text/csv; charset=utf-8" : "application/x-ndjson; charset=utf-8",
            [this, query, pattern, labels, next, started, csv](std::size_t,
                                                               httplib::DataSink& sink) mutable {
                std::string text;
                if (!*started) {
                    *started = true;
                    text = csv ? hunt::number_csv_header() : std::string();
                }
                NumberPage page;
                try {
                    const std::lock_guard lock(reading);
                    query.after = *next;
                    page = number_page(*reader, query, pattern, engine, kDownloadChunk,
                                       settings.read_timeout);
                } catch (const std::exception&) {
                    // The status went out with the first chunk: a download
                    // that cannot go on is cut off, never ended as if whole.
                    return false;
                }
                for (const auto& row : page.rows) {
                    if (csv) {
                        const auto label = labels->find(row.target_id);
                        text += hunt::number_csv_record(
                            {label == labels->end() ? std::string() : label->second, row.number,
                             row.classes, row.first_seen, row.last_seen, row.times_seen});
                    } else {
                        text += json_text(number_answer(row)) + "\n";
                    }
                }
                if (!text.empty() && !sink.write(text.data(), text.size())) {
                    return false;
                }
                *next = page.next;
                if (!page.next) {
                    sink.done();
                }
                return true;
            });
    }
};

ApiServer::ApiServer(std::unique_ptr<hunt::HistoryReader> reader, rx::RegexEngine& engine,
                     ServeSettings settings)
    : m_state(std::make_unique<State>(std::move(reader), engine, std::move(settings))) {
    State& state = *m_state;
    if (!is_loopback(state.settings.address.host) && !state.settings.token) {
        throw ServeError("listening on " + state.settings.address.host +
                         " reaches other machines: give a token (--token-file or "
                         "QORVEX_SERVE_TOKEN)");
    }
    auto& server = state.server;
    server.new_task_queue = [threads = state.settings.threads] {
        return new httplib::ThreadPool(threads);
    };
    server.set_payload_max_length(kMaxPayload);
    server.set_read_timeout(state.settings.read_timeout);
    server.set_write_timeout(state.settings.write_timeout);
    server.set_keep_alive_timeout(1);
    server.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                                {"Cache-Control", "no-store"},
                                {"Referrer-Policy", "no-referrer"},
                                {"X-Frame-Options", "DENY"},
                                {"Content-Security-Policy",
                                 "default-src 'self'; img-src 'self' data:; style-src 'self'"}});

    server.set_pre_routing_handler(
        [&state](const httplib::Request& request, httplib::Response& response) {
            if (!state.rates.admit(request.remote_addr, now_ms())) {
                response.set_header("Retry-After", "60");
                refuse(response, {kTooManyRequests, "too many requests from this address"});
                return httplib::Server::HandlerResponse::Handled;
            }
            const bool guarded = request.path.starts_with("/api/") || request.path == "/metrics";
            if (guarded && state.settings.token &&
                !bearer_matches(request.get_header_value("Authorization"), *state.settings.token)) {
                response.set_header("WWW-Authenticate", "Bearer");
                refuse(response, {kUnauthorized, "this server needs its token"});
                return httplib::Server::HandlerResponse::Handled;
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });

    // Every answer is read under the reading lock and refused as a whole.
    const auto reading = [&state](auto body) {
        return [&state, body](const httplib::Request& request, httplib::Response& response) {
            try {
                const std::lock_guard lock(state.reading);
                body(request, response);
            } catch (const Refusal& refusal) {
                refuse(response, refusal);
            } catch (const PatternError& error) {
                refuse(response, {kBadRequest, error.what()});
            } catch (const hunt::StoreError& error) {
                refuse(response, {kUnavailable, error.what()});
            }
        };
    };
    server.Get("/api/targets", reading([&state](const auto&, auto& response) {
                   answer_json(response, state.targets_answer());
               }));
    server.Get(R"(/api/targets/(\d{1,18})/series)",
               reading([&state](const httplib::Request& request, auto& response) {
                   answer_json(response, state.series(std::stoll(request.matches[1]), request));
               }));
    server.Get("/api/hits", reading([&state](const auto& request, auto& response) {
                   answer_json(response, state.hits(request));
               }));
    server.Get("/api/numbers",
               [&state, reading](const httplib::Request& request, httplib::Response& response) {
                   const std::string format = request.get_param_value("format");
                   if (format == "csv" || format == "json") {
                       try {
                           // The first chunk is read only once the answer goes out.
                           const std::lock_guard lock(state.reading);
                           state.download(request, response, format == "csv");
                       } catch (const Refusal& refusal) {
                           refuse(response, refusal);
                       } catch (const hunt::StoreError& error) {
                           refuse(response, {kUnavailable, error.what()});
                       }
                       return;
                   }
                   if (!format.empty()) {
                       refuse(response, {kBadRequest, "format must be csv or json"});
                       return;
                   }
                   reading([&state](const auto& r, auto& a) { answer_json(a, state.numbers(r)); })(
                       request, response);
               });
    server.Get("/metrics", reading([&state](const auto&, auto& response) {
                   const auto targets = state.reader->targets(now_ms() - kHourMs);
                   std::vector<TargetMetrics> metrics;
                   for (const auto& totals : targets) {
                       metrics.push_back({&totals, hunt::assess_pool(totals.capture)});
                   }
                   response.set_content(metrics_text(metrics),
                                        "text/plain; version=0.0.4; charset=utf-8");
               }));
    // What no handler answered (an unknown path, a method other than GET)
    // is refused in the same form as the rest.
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) {
            refuse(response, {response.status, "no such page or method"});
        }
    });
    // The page's files, built into the program; anything else is not found.
    server.Get(
        R"(/[A-Za-z0-9_.\-]*)", [](const httplib::Request& request, httplib::Response& response) {
            const auto asset = page_asset(request.path);
            if (!asset) {
                refuse(response, {kNotFound, "no such page"});
                return;
            }
            response.set_header(
                "Content-Security-Policy",
                "default-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; "
                "frame-ancestors 'none'");
            response.set_content(std::string(asset->body), std::string(asset->content_type));
        });
}

ApiServer::~ApiServer() {
    stop();
}

void ApiServer::start() {
    State& state = *m_state;
    const auto& address = state.settings.address;
    if (address.port == 0) {
        state.port = state.server.bind_to_any_port(address.host);
    } else if (state.server.bind_to_port(address.host, address.port)) {
        state.port = address.port;
    }
    if (state.port <= 0) {
        throw ServeError("cannot listen on " + address.host + ":" + std::to_string(address.port) +
                         " (in use, or not this machine's address)");
    }
    m_listener = std::thread([&state] { state.server.listen_after_bind(); });
}

void ApiServer::stop() {
    if (m_listener.joinable()) {
        m_state->server.stop();
        m_listener.join();
    }
}

int ApiServer::port() const {
    return m_state->port;
}

}  // namespace qorvex::hunt_serve
