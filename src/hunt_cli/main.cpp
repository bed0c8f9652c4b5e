// qorvex-hunt: the unattended hunter. The command line is parsed here and
// handed to one of its commands; everything else lives in the units
// beside this file and in the hunt library.

#include <CLI/CLI.hpp>
#include <cstdio>

#include "hunt_cli/exit_codes.h"
#include "hunt_cli/notify_retry_command.h"
#include "hunt_cli/notify_test_command.h"
#include "hunt_cli/report_command.h"
#include "hunt_cli/scan_command.h"
#include "hunt_cli/serve_command.h"
#include "qorvex/deployment.h"

namespace {

using namespace qorvex::hunt_cli;

constexpr const char* kExamples = R"(Examples:
  qorvex-hunt scan --db hunt.db --target Tavikmax/广东/深圳
  qorvex-hunt scan --db hunt.db --target Tavikmax/广东/深圳 --target 星河梦想e卡/北京/北京 \
      --interval 10 --max-rate 20 --alert AAA --alert ABCDE --alert-pattern 888 \
      --on-hit "notify-send 'number found'" --stop-at-coverage 0.95
  qorvex-hunt scan --db hunt.db --target 0/广东/深圳 --json | jq .
  qorvex-hunt scan --db hunt.db --target 0/广东/深圳 --stop-when-new-below 5
  qorvex-hunt report --db hunt.db
  qorvex-hunt report --db hunt.db --json
  qorvex-hunt scan --db postgresql://hunter@127.0.0.1:5432/qorvex --target Tavikmax/广东/深圳
      (the password from PGPASSWORD or ~/.pgpass; several hunters may share the history)
  qorvex-hunt export --db hunt.db --format csv --class AAA --since 2026-12-01 --output aaa.csv
  NTFY_TOKEN=tk_... qorvex-hunt notify-test --notify 'ntfys://ntfy.sh/my-hunt?token={env:NTFY_TOKEN}' --lang en
  qorvex-hunt notify-test --notify-file ~/.config/qorvex-hunt/channels
  BARK_KEY=... qorvex-hunt scan --db hunt.db --target Tavikmax/广东/深圳 --alert AAA \
      --notify 'barks://api.day.app/{env:BARK_KEY}' --notify-file ~/.config/qorvex-hunt/channels
  qorvex-hunt notify-retry --db hunt.db
  qorvex-hunt notify-retry --db hunt.db --notify 'wecom://{env:WECOM_KEY}'
  qorvex-hunt serve --db hunt.db --listen 127.0.0.1:8080
  qorvex-hunt serve --db hunt.db --listen 0.0.0.0:8080 --token-file ~/.config/qorvex-hunt/token

Exit status: 0 done, 1 the work failed (history store, service never answered),
2 bad usage, 130 a second Ctrl-C.)";

constexpr const char* kNotifyHelp =
    "a channel URL (json://, ntfy://, bark://, wecom://, dingtalk://, feishu://, tgram://, "
    "smtp://, desktop://); {env:NAME} takes a secret from the environment; repeat for more "
    "channels";
constexpr const char* kNotifyFileHelp =
    "a file of channel URLs, one a line; refused when others may read it";
constexpr const char* kLangHelp = "the messages' language: zh or en";

void add_scan(CLI::App& app, ScanOptions& scan) {
    auto* command = app.add_subcommand("scan", "query targets in turn and store what they hold");
    command
        ->add_option("--db", scan.db,
                     "history file (created when missing), or postgresql://USER@HOST:PORT/DATABASE "
                     "for a history shared by several hunters (the password from PGPASSWORD or "
                     "~/.pgpass, never on the command line)")
        ->required();
    command
        ->add_option("--target", scan.targets,
                     "CARD/PROVINCE/CITY as the window names them, e.g. Tavikmax/广东/深圳; "
                     "CARD may be its row number (0 or 1); repeat for more targets")
        ->required();
    command
        ->add_option("--interval", scan.interval,
                     "seconds between a target's queries: a plain number, fractions "
                     "allowed (2.5); 5m or 1e3 are refused")
        ->capture_default_str();
    command->add_option("--max-rate", scan.max_rate, "queries per minute over all targets")
        ->capture_default_str();
    command
        ->add_option("--backoff-cap", scan.backoff_cap_s,
                     "longest rest, in seconds, of a target whose queries fail")
        ->capture_default_str();
    command->add_option(
        "--stop-at-coverage", scan.stop_at_coverage,
        "end a target once the share of its pool seen reaches this (0-1), by the uniform-draw "
        "estimate while the draws test uniform, else by the high end of the lower bound's "
        "interval");
    command->add_option("--stop-when-new-below", scan.stop_when_new_below,
                        "end a target once its replies are expected to bring fewer new numbers "
                        "per hour than this (from the share of replies already known)");
    command->add_option("--alert", scan.alerts,
                        "a class whose new numbers are hits, as the window's captions name "
                        "them (AAA, ABCDE, 尾AAA, ...); repeat for more");
    command->add_option("--alert-pattern", scan.alert_pattern,
                        "digits (or a pattern) that make a new number a hit, with the rules of "
                        "the window's custom pattern");
    command->add_option("--on-hit", scan.on_hit,
                        "command run for each hit, with QORVEX_NUMBER, QORVEX_CLASSES and "
                        "QORVEX_TARGET set; words split at spaces, quotes group, no shell");
    command->add_option(
        "--notify", scan.notify_urls,
        std::string(kNotifyHelp) + "; each hit's message waits in the history until delivered");
    command->add_option("--notify-file", scan.notify_file, kNotifyFileHelp);
    command
        ->add_option("--notify-timeout", scan.notify_timeout_s,
                     "seconds a service has to answer one message before it is tried again")
        ->check(CLI::Range(0.1, 600.0))
        ->capture_default_str();
    command
        ->add_option("--notify-backoff", scan.notify_backoff_s,
                     "seconds before a message that did not go through is tried again, doubled "
                     "each time up to 30 minutes (longer when the service asks)")
        ->check(CLI::Range(0.1, 1800.0))
        ->capture_default_str();
    command->add_option("--lang", scan.lang, kLangHelp)
        ->check(CLI::IsMember({"zh", "en"}))
        ->capture_default_str();
    command
        ->add_option("--hook-timeout", scan.hook_timeout_s,
                     "seconds before a hit command is stopped")
        ->capture_default_str();
    command->add_option("--queue", scan.queue,
                        "with a postgresql:// history: the local file that keeps cycles while "
                        "the server is away (default: $XDG_STATE_HOME/qorvex-hunt/queue.db, else "
                        "~/.local/state/qorvex-hunt/queue.db); hunters may share it, each sends "
                        "its own cycles");
    command->add_flag("--json", scan.json, "one JSON object per event on standard output");
    command->add_option("--host", scan.host, "host[:port] of the number-selection service")
        ->capture_default_str();
    command->add_option("--serve", scan.serve,
                        "HOST:PORT: serve the hunt's page, API and /metrics there while it runs "
                        "(as `serve` does; any address but loopback needs a token)");
    command->add_option("--serve-token-file", scan.serve_token_file,
                        "with --serve: the token file, as serve's --token-file");
}

void add_export(CLI::App& app, ExportOptions& options) {
    auto* command = app.add_subcommand("export", "write the stored numbers as CSV or JSON lines");
    command->add_option("--db", options.db, "history file or postgresql:// URI")->required();
    command->add_option("--format", options.format, "csv (RFC 4180) or json (one object a line)")
        ->capture_default_str();
    command->add_option("--class", options.classes, "only numbers in this class; repeatable");
    command->add_option("--target", options.target, "only this target's numbers");
    command->add_option("--since", options.since,
                        "only numbers first seen since this ISO 8601 time: 2026-12-08, "
                        "2026-12-08T22:13[:30[.5]], local time unless Z or +08:00 follows");
    command->add_option("--output", options.output, "file to write instead of standard output");
}

void add_notify_test(CLI::App& app, NotifyTestOptions& options) {
    auto* command = app.add_subcommand(
        "notify-test", "send a test message over each channel and print the service's answer");
    command->add_option("--notify", options.urls, kNotifyHelp);
    command->add_option("--notify-file", options.file, kNotifyFileHelp);
    command->add_option("--lang", options.lang, kLangHelp)
        ->check(CLI::IsMember({"zh", "en"}))
        ->capture_default_str();
    command->add_option("--timeout", options.timeout_s, "seconds to wait for each service")
        ->check(CLI::Range(0.1, 600.0))
        ->capture_default_str();
}

void add_notify_retry(CLI::App& app, NotifyRetryOptions& options) {
    auto* command = app.add_subcommand(
        "notify-retry", "hits' messages that a service refused for good wait to be sent again");
    command->add_option("--db", options.db, "history file or postgresql:// URI")->required();
    command->add_option("--notify", options.urls,
                        "only this channel's messages, its URL as the hunt was given it "
                        "({env:NAME} parts resolved alike); repeat for more; none: every channel");
}

void add_serve(CLI::App& app, ServeOptions& options) {
    auto* command = app.add_subcommand(
        "serve", "a web page, JSON API and Prometheus /metrics over a history, read-only");
    command->add_option("--db", options.db, "history file or postgresql:// URI")->required();
    command
        ->add_option("--listen", options.listen,
                     "HOST:PORT to listen on; any address but loopback needs a token")
        ->capture_default_str();
    command->add_option("--token-file", options.token_file,
                        "a file only its owner may read, holding the token that requests must "
                        "carry as 'Authorization: Bearer TOKEN' (else QORVEX_SERVE_TOKEN)");
    command->add_option("--host", options.host, "the carrier host, for the hits' application link")
        ->capture_default_str();
    command
        ->add_option("--client-rate", options.client_rate,
                     "requests a client address may make in any minute; more are answered 429")
        ->check(CLI::Range(1, 1'000'000))
        ->capture_default_str();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "qorvex-hunt: hunts the carrier's number pool unattended, remembers every "
        "number, estimates each pool and alerts on lucky numbers"};
    app.set_version_flag("--version", QORVEX_VERSION);
    app.footer(kExamples);
    app.require_subcommand(1);

    ScanOptions scan;
    scan.host = qorvex::deployment::kCarrierHost;
    add_scan(app, scan);
    std::string report_db;
    bool report_json = false;
    auto* report = app.add_subcommand(
        "report",
        "per target: numbers, draw model, pool estimate, yield, classes, best finds; "
        "per notification channel: messages waiting, delivered and failed");
    report->add_option("--db", report_db, "history file or postgresql:// URI")->required();
    report->add_flag("--json", report_json,
                     "one JSON object per target on standard output, then one for the outbox when "
                     "the history has messages");
    ExportOptions export_options;
    add_export(app, export_options);
    NotifyTestOptions notify_test;
    notify_test.host = qorvex::deployment::kCarrierHost;
    add_notify_test(app, notify_test);
    NotifyRetryOptions notify_retry;
    add_notify_retry(app, notify_retry);
    ServeOptions serve;
    serve.host = qorvex::deployment::kCarrierHost;
    add_serve(app, serve);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? kExitOk : kExitUsage;
    }
    try {
        if (app.got_subcommand("scan")) {
            return run_scan(scan);
        }
        if (app.got_subcommand("report")) {
            return run_report(report_db, report_json);
        }
        if (app.got_subcommand("serve")) {
            return run_serve(serve);
        }
        if (app.got_subcommand("notify-test")) {
            return run_notify_test(notify_test);
        }
        if (app.got_subcommand("notify-retry")) {
            return run_notify_retry(notify_retry);
        }
        return run_export(export_options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qorvex-hunt: %s\n", error.what());
        return kExitFailure;
    }
}
