#include "hunt_cli/scan_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>
#include <thread>

#include "hunt/capture_counts.h"
#include "hunt/class_names.h"
#include "hunt/local_hunters/local_hunters.h"
#include "hunt/postgres/pg_errors.h"
#include "hunt/reply_reading.h"
#include "hunt/stop_rules.h"
#include "hunt_cli/exchange_worker.h"
#include "hunt_cli/exit_codes.h"
#include "hunt_cli/hook_runner.h"
#include "hunt_cli/hunt_view.h"
#include "hunt_cli/notify_channels.h"
#include "hunt_cli/outbox_sender.h"
#include "hunt_cli/scan_plan.h"
#include "hunt_cli/serve_command.h"
#include "hunt_cli/status_text.h"
#include "hunt_cli/stop_signals.h"
#include "hunt_cli/store_factory.h"
#include "hunt_cli/target_states.h"
#include "regex/platform_engine.h"
#include "scan/number_pool_query.h"
#include "web/platform_transports.h"
#include "web/time_stamp.h"

namespace qorvex::hunt_cli {

namespace {

using hunt::TimeMs;
using std::chrono::milliseconds;

constexpr milliseconds kTick{100};  // the longest the loop sleeps
constexpr TimeMs kRedrawMs = 250;   // the live block's refresh
constexpr TimeMs kShortestLeaseMs = 60'000;
constexpr TimeMs kLeaseIntervals = 4;     // a lease outlasts a few intervals
constexpr milliseconds kHookGrace{2000};  // hooks still running at the end
constexpr double kMsPerHour = 3'600'000.0;
// How often a target's capture history is read back from the store: on a
// shared store other hunters add to it, and the estimate and the stop rule
// count every hunter's sightings.
constexpr TimeMs kHistoryRefreshMs = 10'000;
// A history locked by another program past the store's own wait: how long
// the hunt rests before it tries the same write again.
constexpr TimeMs kLockedRetryMs = 1'000;
// Once every target ended, how long the hunt goes on sending the messages
// that fall due by then; what is left waits for the next run. Shorter than
// half the shortest lease: on a shared history the hunter's leases and
// watches are not renewed meanwhile, and another hunter must not judge it
// gone and take over a message it is still sending.
constexpr TimeMs kLastSendsMs = 30'000;

TimeMs steady_ms() {
    return std::chrono::duration_cast<milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TimeMs wall_ms() {
    return std::chrono::duration_cast<milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

struct InFlight {
    std::size_t target = 0;
    TimeMs started_steady = 0;
    TimeMs started_wall = 0;
};

// A cycle read from its reply that the locked history could not take yet.
struct UnstoredCycle {
    InFlight flight;
    hunt::ReplyReading reading;
    int status = 0;  // the reply's HTTP status, 0: none came back
    int duration_ms = 0;
};

std::vector<std::string> labels_of(const ScanPlan& plan) {
    std::vector<std::string> labels;
    for (const auto& target : plan.targets) {
        labels.push_back(target.label);
    }
    return labels;
}

class Hunt {
public:
    Hunt(ScanPlan plan, std::string host, hunt::StopRules rules, hunt::HuntStore& store,
         HuntView& view, HookRunner* hooks, rx::RegexEngine& engine, std::string hunter)
        : m_plan(std::move(plan)),
          m_host(std::move(host)),
          m_rules(rules),
          m_store(store),
          m_view(view),
          m_hooks(hooks),
          m_engine(engine),
          m_random([this] { return m_uniform(m_generator); }),
          m_scheduler(m_plan.targets.size(), m_plan.schedule, m_random, steady_ms()),
          m_worker(web::make_platform_http_transport()),
          m_hunter(std::move(hunter)),
          m_states(store, labels_of(m_plan)),
          m_generator(std::random_device{}()) {
        for (const auto& target : m_plan.targets) {
            m_progress.emplace_back(m_store.capture_history(target.label), wall_ms());
            m_history_read.push_back(steady_ms());
        }
    }

    // Hits' messages go out through `sender` from now on, when given.
    void send_through(OutboxSender* sender) { m_sender = sender; }

    // Runs until every target ended or a stop; StoreError leaves it.
    std::string run() {
        TimeMs last_draw = 0;
        for (;;) {
            if (stop_requested()) {
                store_last_unstored();
                return "stopped";
            }
            if (m_hooks != nullptr) {
                m_hooks->poll();
            }
            take_late_commits();
            if (m_sender != nullptr) {
                m_sender->poll(wall_ms());
            }
            if (m_unstored) {
                retry_unstored();
            } else if (m_in_flight) {
                if (auto result = m_worker.result(kTick)) {
                    finish(*result);
                    last_draw = 0;
                }
            } else if (m_scheduler.all_ended()) {
                if (!sending_last_messages()) {
                    return "every target reached its stop rule";
                }
                std::this_thread::sleep_for(kTick);
            } else {
                next_query();
            }
            if (m_view.shows_status() && steady_ms() - last_draw >= kRedrawMs) {
                m_view.status(lines(), m_store.degraded_note());
                last_draw = steady_ms();
            }
        }
    }

    std::vector<TargetLine> lines() const {
        std::vector<TargetLine> all;
        for (std::size_t i = 0; i < m_progress.size(); ++i) {
            all.push_back(line_of(i));
        }
        return all;
    }

    // Every target the hunt leaves is stopped, for the page to show.
    void end_states(const std::string& reason) {
        m_states.end_all("the hunt ended: " + reason, wall_ms());
    }

    void release() {
        try {
            m_store.release_targets(m_hunter);
        } catch (const hunt::StoreError& error) {
            m_view.message(std::string("the targets' leases are left to run out: ") + error.what());
        }
    }

    bool never_answered() const { return m_cycles > 0 && !m_answered; }

private:
    bool sending_last_messages() {
        if (m_sender == nullptr) {
            return false;
        }
        const TimeMs now = wall_ms();
        if (m_last_sends_until == 0) {
            m_last_sends_until = now + kLastSendsMs;
            if (m_sender->busy_until(m_last_sends_until)) {
                m_view.message("every target ended; sending the last hits' messages (up to " +
                               seconds_text(kLastSendsMs) +
                               "; what is left waits for the next run)");
            }
        }
        return now < m_last_sends_until && m_sender->busy_until(m_last_sends_until);
    }

    void next_query() {
        const TimeMs now = steady_ms();
        if (now < m_retry_at) {
            std::this_thread::sleep_for(kTick);
            return;
        }
        const auto pick = m_scheduler.pick(now);
        if (!pick.target) {
            std::this_thread::sleep_for(
                std::min(milliseconds(std::max<TimeMs>(pick.wake_at - now, 1)), kTick));
            return;
        }
        const std::size_t i = *pick.target;
        const auto& target = m_plan.targets[i];
        const TimeMs wall = wall_ms();
        const TimeMs lease =
            std::max(kShortestLeaseMs, kLeaseIntervals * m_plan.schedule.interval_ms);
        const auto leased = unless_locked(
            [&] { return m_store.lease_target(target.label, m_hunter, wall, wall + lease); });
        if (!leased) {
            return;
        }
        if (!*leased) {
            m_scheduler.held_elsewhere(i, now);
            // The holder adds to the target: its figures here follow.
            if (now - m_history_read[i] >= kHistoryRefreshMs) {
                refresh_history(i);
            }
            return;
        }
        m_worker.start(scan::number_pool_url(m_host, target.codes, web::time_stamp_text(m_clock)));
        m_scheduler.started(i, now);
        m_in_flight = InFlight{i, now, wall};
    }

    void finish(const ExchangeResult& result) {
        m_unstored = UnstoredCycle{
            *m_in_flight,
            hunt::read_reply(m_engine, result.status, result.body, m_plan.alerts.custom_text),
            result.status, result.duration_ms};
        m_in_flight.reset();
        store_unstored();
    }

    // Another program holding the history's lock past the store's wait costs
    // no cycle: the write's result, or nothing while the lock holds, in which
    // case the hunt says so once, rests, then tries the same write again.
    template <typename Write>
    auto unless_locked(Write&& write) -> std::optional<decltype(write())> {
        try {
            auto result = write();
            m_lock_reported = false;
            return result;
        } catch (const hunt::StoreError& error) {
            if (error.kind() != hunt::StoreError::Kind::Busy) {
                throw;
            }
            if (!m_lock_reported) {
                m_view.message(std::string(error.what()) + "; the hunt waits and tries again");
                m_lock_reported = true;
            }
            m_retry_at = steady_ms() + kLockedRetryMs;
            return std::nullopt;
        }
    }

    void retry_unstored() {
        if (steady_ms() < m_retry_at) {
            std::this_thread::sleep_for(kTick);
            return;
        }
        store_unstored();
    }

    // A stop keeps the cycle read last if the history takes it in one more wait.
    void store_last_unstored() {
        if (!m_unstored) {
            return;
        }
        store_unstored();
        if (m_unstored) {
            m_view.message("the last cycle of " + m_plan.targets[m_unstored->flight.target].label +
                           " was not stored: the history stayed locked");
        }
    }

    void store_unstored() {
        const UnstoredCycle& cycle = *m_unstored;
        const auto& label = m_plan.targets[cycle.flight.target].label;
        const hunt::CycleRecord record{label,
                                       cycle.flight.started_wall,
                                       cycle.reading.outcome,
                                       cycle.reading.numbers_in_reply,
                                       cycle.duration_ms,
                                       cycle.reading.error};
        const auto commit = unless_locked([&] {
            return m_store.record_cycle(record, cycle.reading.sightings, m_plan.alerts.classes);
        });
        if (!commit) {
            return;
        }
        const UnstoredCycle stored = std::move(*m_unstored);
        m_unstored.reset();
        stored_cycle(stored, *commit);
    }

    void stored_cycle(const UnstoredCycle& cycle, const hunt::CycleCommit& commit) {
        const InFlight& flight = cycle.flight;
        const hunt::ReplyReading& reading = cycle.reading;
        const auto& label = m_plan.targets[flight.target].label;
        ++m_cycles;
        m_answered = m_answered || cycle.status != 0;
        const std::size_t hits = hits_in(commit.new_numbers);
        auto& progress = m_progress[flight.target];
        // A cycle the store only queued adds its reply to the estimate once
        // it is stored (a late commit): until then its numbers are unknown,
        // and would all count as repeats.
        progress.add_cycle(reading.outcome, commit.stored ? reading.sightings.size() : 0,
                           commit.new_numbers.size(), hits, commit.repeats);
        if (steady_ms() - m_history_read[flight.target] >= kHistoryRefreshMs) {
            refresh_history(flight.target);
        }
        const TimeMs rest = m_scheduler.finished(flight.target, reading.outcome,
                                                 flight.started_steady, steady_ms());

        const TimeMs now_wall = wall_ms();
        m_view.cycle(
            {now_wall, reading.outcome, reading.numbers_in_reply, reading.sightings.size(),
             commit.new_numbers, reading.error, cycle.duration_ms, m_store.degraded_note()},
            line_of(flight.target));
        alert(now_wall, label, commit.new_numbers);
        if (rest > 0) {
            m_view.backoff(label, reading.outcome, reading.error, rest);
        }
        std::optional<std::string> stopped;
        // Nor does a stop rule act on figures that lack queued cycles.
        if (reading.outcome == hunt::CycleOutcome::Numbers && commit.stored &&
            m_store.degraded_note().empty()) {
            const TargetLine line = line_of(flight.target);
            if (const auto stop =
                    hunt::stop_decision(line.assessment, m_rules, cycles_per_hour(flight.target))) {
                m_scheduler.end(flight.target);
                stopped = stop_text(*stop, line, m_rules);
                m_view.ended(line_of(flight.target), *stopped);
            }
        }
        note_state(flight.target, stopped,
                   rest > 0 ? reading.error + ", next query " + seconds_text(rest) : std::string(),
                   now_wall);
    }

    // Stopped, resting (when there is a reason to rest) or scanning.
    void note_state(std::size_t target, const std::optional<std::string>& stopped,
                    const std::string& resting, TimeMs now) {
        const auto problem = stopped            ? m_states.set(target, "stopped", *stopped, now)
                             : !resting.empty() ? m_states.set(target, "resting", resting, now)
                                                : m_states.set(target, "scanning", "", now);
        if (problem) {
            m_view.message(*problem);
        }
    }

    // A shared store whose server is away keeps the cycles aside and cannot
    // answer: the estimate then goes on from what this hunter counted, and
    // the history is read again once the server is back.
    void refresh_history(std::size_t target) {
        m_history_read[target] = steady_ms();
        if (!m_store.degraded_note().empty()) {
            return;
        }
        try {
            // The frequencies take a read of every number; they are read
            // only when other hunters' cycles changed the counts, or when
            // this hunter's own no longer account for every sighting (a
            // cycle stored late that brought no new number), as it keeps
            // them up to date itself.
            const auto& label = m_plan.targets[target].label;
            const auto sizes = m_store.capture_sizes(label);
            const auto own = m_progress[target].capture();
            if (sizes.distinct_numbers != own.distinct_numbers ||
                sizes.reply_sizes != own.reply_sizes ||
                hunt::sightings_of(own) != hunt::sightings_in_frequencies(own)) {
                m_progress[target].refresh(m_store.capture_history(label));
            }
        } catch (const hunt::StoreError&) {
            // Read again at the next refresh; the next stored cycle reports
            // a store that really failed.
        }
    }

    void alert(TimeMs now_wall, const std::string& label,
               const std::vector<hunt::NewNumber>& fresh) {
        for (const auto& number : fresh) {
            if (number.hit) {
                if (m_sender != nullptr) {
                    m_sender->hits_stored();
                }
                m_view.hit(now_wall, label, number);
                if (m_hooks != nullptr) {
                    m_hooks->start(
                        {std::to_string(number.number), hunt::class_list(number.classes), label});
                }
            }
        }
    }

    static std::size_t hits_in(const std::vector<hunt::NewNumber>& fresh) {
        return std::size_t(
            std::count_if(fresh.begin(), fresh.end(), [](const auto& n) { return n.hit; }));
    }

    // Cycles a shared store queued while its server was away, stored since
    // (this hunter's, or those of a hunter of this machine that died), and
    // hits of other hunters' cycles that this hunter's alert set claims.
    // Every hit among them is alerted here, whatever the target.
    void take_late_commits() {
        for (const auto& late : m_store.take_late_commits()) {
            const auto& fresh = late.commit.new_numbers;
            const auto planned = std::find_if(
                m_plan.targets.begin(), m_plan.targets.end(),
                [&](const hunt::Target& target) { return target.label == late.target; });
            if (!late.alerts_only && planned != m_plan.targets.end()) {
                const auto i = std::size_t(planned - m_plan.targets.begin());
                m_progress[i].add_late(late.outcome, late.distinct_numbers, fresh.size(),
                                       hits_in(fresh), late.commit.repeats);
                m_view.late(line_of(i), fresh);
            }
            alert(wall_ms(), late.target, fresh);
        }
    }

    // This run's pace of the target, or the interval's until it has one.
    double cycles_per_hour(std::size_t i) const {
        const double planned = kMsPerHour / double(m_plan.schedule.interval_ms);
        return m_progress[i].cycles_per_hour(wall_ms(), planned);
    }

    TargetLine line_of(std::size_t i) const {
        const TimeMs now = steady_ms();
        const TimeMs wall = wall_ms();
        const auto& progress = m_progress[i];
        const auto& schedule = m_scheduler.target(i);
        TargetLine line;
        line.label = m_plan.targets[i].label;
        line.progress = &progress;
        line.assessment = progress.assessment();
        line.yield_per_hour = progress.yield_per_hour(wall);
        line.expected_new_per_hour = line.assessment.expected_new_per_cycle * cycles_per_hour(i);
        line.stop_at = m_rules.coverage;
        const TimeMs wait = schedule.next_due - now;
        switch (schedule.state) {
            case hunt::TargetState::Ended:
                line.note = "ended";
                break;
            case hunt::TargetState::BackingOff:
                line.note = std::string(schedule.last_outcome == hunt::CycleOutcome::RateLimited
                                            ? "rate limited"
                                            : "failing") +
                            ", next try in " + seconds_text(wait);
                break;
            case hunt::TargetState::HeldElsewhere:
                line.note = "held by another hunter, next try in " + seconds_text(wait);
                break;
            case hunt::TargetState::Due:
                if (m_unstored && m_unstored->flight.target == i) {
                    line.note = "reply kept until the locked history takes it";
                } else if (!m_in_flight || m_in_flight->target != i) {
                    line.next_in_ms = std::max<TimeMs>(wait, 0);
                }
                break;
        }
        return line;
    }

    ScanPlan m_plan;
    std::string m_host;
    hunt::StopRules m_rules;
    hunt::HuntStore& m_store;
    HuntView& m_view;
    HookRunner* m_hooks;
    rx::RegexEngine& m_engine;
    hunt::RandomSource m_random;
    hunt::Scheduler m_scheduler;
    ExchangeWorker m_worker;
    std::string m_hunter;
    TargetStates m_states;
    std::mt19937_64 m_generator;
    std::uniform_real_distribution<double> m_uniform{0.0, 1.0};
    web::SystemClock m_clock;
    std::vector<hunt::TargetProgress> m_progress;
    std::vector<TimeMs> m_history_read;  // steady time of each target's last history read
    std::optional<InFlight> m_in_flight;
    std::optional<UnstoredCycle> m_unstored;
    TimeMs m_retry_at = 0;  // steady time of the next write to a locked history
    bool m_lock_reported = false;
    std::int64_t m_cycles = 0;
    bool m_answered = false;
    OutboxSender* m_sender = nullptr;
    TimeMs m_last_sends_until = 0;  // wall time; 0 until every target ended
};

// The reader's local offset from UTC, for the messages' times.
int local_utc_offset_minutes() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return 0;
    }
    return int(local.tm_gmtoff / 60);
}

OutboxSettings outbox_settings(const ScanOptions& options) {
    OutboxSettings settings;
    const auto language =
        options.lang == "en" ? hunt::notify::Language::English : hunt::notify::Language::Chinese;
    settings.style =
        hunt::notify::message_style(language, local_utc_offset_minutes(), options.host);
    settings.send.timeout = milliseconds(std::llround(options.notify_timeout_s * 1000));
    settings.send.connect_timeout = std::min(settings.send.connect_timeout, settings.send.timeout);
    settings.retry.base_ms = std::llround(options.notify_backoff_s * 1000);
    settings.retry_hint =
        "qorvex-hunt notify-retry --db " + hunt::postgres::without_password(options.db);
    return settings;
}

// The page beside the hunt, on the history the hunt has just opened; none,
// with the reason shown, when it cannot be served.
std::unique_ptr<ServerBesideHunt> serve_beside_hunt(const ScanOptions& options, HuntView& view) {
    try {
        auto server = std::make_unique<ServerBesideHunt>(
            ServeOptions{options.db, *options.serve, options.serve_token_file, options.host,
                         hunt_serve::ServeSettings{}.requests_per_minute});
        view.message("serving the hunt's page on port " + std::to_string(server->port()));
        return server;
    } catch (const hunt_serve::ServeError& error) {
        report_error(error.what());
        return nullptr;
    }
}

}  // namespace

int run_scan(const ScanOptions& options) {
    const auto engine = rx::make_platform_engine();
    auto made = make_scan_plan(options, *engine);
    if (auto* refusals = std::get_if<std::vector<std::string>>(&made)) {
        for (const auto& refusal : *refusals) {
            report_error(refusal);
        }
        return kExitUsage;
    }
    auto plan = std::get<ScanPlan>(std::move(made));
    auto channels = read_channels(options.notify_urls, options.notify_file);
    if (auto* refusals = std::get_if<std::vector<std::string>>(&channels)) {
        for (const auto& refusal : *refusals) {
            report_error(refusal);
        }
        return kExitUsage;
    }
    std::unique_ptr<HuntView> view = make_view(choose_view(options.json), stdout);
    std::unique_ptr<HookRunner> hooks;
    if (plan.hook_words) {
        hooks = std::make_unique<HookRunner>(
            *plan.hook_words, milliseconds(std::llround(options.hook_timeout_s * 1000)),
            [&view](const std::string& text) { view->message(text); });
    }

    install_stop_signals();
    std::unique_ptr<hunt::HuntStore> store;
    int code = kExitOk;
    std::string reason;
    std::optional<Hunt> session;
    std::optional<OutboxSender> sender;
    std::unique_ptr<ServerBesideHunt> server;
    const std::string hunter = hunt::this_hunter_id();
    try {
        store =
            open_store(options.db, StoreUse::Hunt, {hunter, plan.alerts.classes, options.queue});
        if (options.serve) {
            server = serve_beside_hunt(options, *view);
            if (!server) {
                return kExitUsage;
            }
        }
        session.emplace(std::move(plan), options.host,
                        hunt::StopRules{options.stop_at_coverage, options.stop_when_new_below},
                        *store, *view, hooks.get(), *engine, hunter);
        auto& named = std::get<std::vector<NamedChannel>>(channels);
        if (!named.empty()) {
            std::mt19937_64 generator(std::random_device{}());
            sender.emplace(*store, std::move(named), outbox_settings(options), *view,
                           [generator]() mutable {
                               return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
                           });
            session->send_through(&*sender);
        }
        reason = session->run();
        session->end_states(reason);
        session->release();
        if (sender) {
            if (const auto left = sender->left_over(); !left.empty()) {
                view->message(left);
            }
        }
    } catch (const std::exception& error) {
        // StoreError, or a failure the store did not foresee: either ends
        // the hunt with its summary, never with a crash.
        view->message("the history store failed: " + std::string(error.what()));
        reason = "the history store failed";
        code = kExitFailure;
    }
    if (session) {
        view->summary(session->lines(), reason);
        if (code == kExitOk && session->never_answered()) {
            report_error("the number-selection service at " + options.host + " never answered");
            code = kExitFailure;
        }
    }
    if (hooks) {
        hooks->finish(kHookGrace, stop_requested);
    }
    // A send still in flight is abandoned unmarked: its message stays
    // waiting and goes out in the next run.
    sender.reset();
    server.reset();
    session.reset();
    store.reset();
    if (ExchangeWorker::abandoned() || NotifyWorker::abandoned() || store_work_running()) {
        // A query still waits for its reply on the worker; the program ends
        // without the static destructors it might still be using.
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

}  // namespace qorvex::hunt_cli
