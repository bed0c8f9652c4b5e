// Times the Linux program from process start to its first painted main
// window. The program is started again and again as a child of this one
// (with the Qt back end, PCRE2 and libcurl put together as src/main.cpp
// does); the child reports, on its standard output, the time from just
// before its start to the moment its first top-level window is painted and
// shown on screen, and ends. Run with QT_QPA_PLATFORM=offscreen or under
// Xvfb.
//
//   bench_startup [runs]

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/built_program.h"
#include "runtime/qt/qt_runtime.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDefaultRuns = 10;

// Ends the process once the first top-level window has been painted: the
// paint of a window and of its children is one pass, and the zero timer
// runs after the pass has been put on screen.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(long long started) : m_started(started) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && widget != nullptr && widget->isWindow() && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, [started = m_started] {
                const long long elapsed = Clock::now().time_since_epoch().count() - started;
                std::printf("%lld\n", elapsed);
                std::fflush(stdout);
                std::_Exit(EXIT_SUCCESS);
            });
        }
        return false;
    }

private:
    long long m_started;
    bool m_seen = false;
};

int child(int argc, char** argv, long long started) {
    QApplication application(argc, argv);
    FirstPaint first_paint(started);
    application.installEventFilter(&first_paint);
    qorvex::runtime::qt::QtRuntime runtime;
    return qorvex::app::run_built_program(runtime);
}

struct Start {
    double wall_ms = -1;  // what the child reports; negative when it reported nothing
    double cpu_ms = 0;    // the child's user and system time
};

double milliseconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) * 1000.0 + static_cast<double>(time.tv_usec) / 1000.0;
}

Start one_start(const char* self) {
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string started = std::to_string(Clock::now().time_since_epoch().count());
    std::string mode = "--child";
    std::string started_arg = started;
    char* arguments[] = {const_cast<char*>(self), mode.data(), started_arg.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return {};
    }
    char reply[64] = {};
    const ssize_t read_bytes = read(out[0], reply, sizeof(reply) - 1);
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (read_bytes <= 0) {
        return {};
    }
    return {std::chrono::duration<double, std::milli>(Clock::duration(std::atoll(reply))).count(),
            milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--child") {
        return child(argc, argv, std::atoll(argv[2]));
    }
    const int runs = argc > 1 ? std::atoi(argv[1]) : kDefaultRuns;
    std::vector<double> walls;
    std::vector<double> cpus;
    for (int run = 0; run < runs; ++run) {
        const Start start = one_start("/proc/self/exe");
        if (start.wall_ms < 0) {
            std::fprintf(stderr, "bench_startup: the child reported nothing\n");
            return EXIT_FAILURE;
        }
        walls.push_back(start.wall_ms);
        cpus.push_back(start.cpu_ms);
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    std::printf(
        "process start to first painted main window: median %.0f ms, fastest %.0f ms; "
        "CPU time median %.0f ms (%d runs)\n",
        walls[walls.size() / 2], walls.front(), cpus[cpus.size() / 2], runs);
    return EXIT_SUCCESS;
}
