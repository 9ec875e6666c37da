// The whole program on the X server named by DISPLAY (scripts/bench starts
// one with two monitors, 1920x1080 and 1280x1024), 30 s from fixed seeds:
// ticks per second, the intervals between ticks, CPU per second of the
// program and of the X server, peak memory (of the whole benchmark process)
// and the time from start-up to the first figure.
// XScreenSaver's ifs hack runs on the same screen for comparison.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/control_form.h"

using namespace ombrel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Seconds = 30;
const char* const IfsHack = "/usr/libexec/xscreensaver/ifs";

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double OwnCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// User and system time of a process, from /proc; -1 when it cannot be read.
double CpuSecondsOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14) utime = std::stoull(f);
        if (i == 15) stime = std::stoull(f);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The X server of DISPLAY, from its lock file; 0 when unknown.
pid_t XServerPid() {
    const char* display = std::getenv("DISPLAY");
    if (!display || display[0] != ':') return 0;
    std::ifstream lock("/tmp/.X" + std::string(display + 1, std::strcspn(display + 1, ".")) + "-lock");
    long pid = 0;
    lock >> pid;
    return static_cast<pid_t>(pid);
}

void Percentiles(benchmark::State& st, std::vector<double> intervals) {
    std::sort(intervals.begin(), intervals.end());
    st.counters["interval_p95_ms"] = intervals.empty() ? 0 : intervals[intervals.size() * 95 / 100];
    st.counters["interval_worst_ms"] = intervals.empty() ? 0 : intervals.back();
}

void BM_Program(benchmark::State& st) {
    const auto seed = static_cast<uint32_t>(st.range(0));
    const pid_t xserver = XServerPid();
    for (auto _ : st) {
        const auto start = Clock::now();
        TForm1 form(SystemMonitors, MakeQtNotificationArea, TRunOptions{seed});
        // Time every tick: our slot takes the place of the form's own.
        QObject::disconnect(&form.Timer1, &QTimer::timeout, &form, &TForm1::Timer1Timer);
        std::vector<Clock::time_point> starts;
        std::vector<double> durations;
        double firstFigure = 0;
        QObject::connect(&form.Timer1, &QTimer::timeout, &form, [&] {
            const auto t0 = Clock::now();
            form.Timer1Timer();
            starts.push_back(t0);
            durations.push_back(Ms(Clock::now() - t0));
            if (firstFigure == 0 && form.FrameCounter >= 51) firstFigure = Ms(Clock::now() - start);
        });
        const double cpu0 = OwnCpuSeconds(), x0 = CpuSecondsOf(xserver);
        const auto wall0 = Clock::now();
        QTimer::singleShot(Seconds * 1000, &form, [] { QCoreApplication::quit(); });
        QApplication::exec();
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        const double cpu = OwnCpuSeconds() - cpu0, x = CpuSecondsOf(xserver) - x0;
        std::vector<double> intervals;
        for (size_t i = 1; i < starts.size(); ++i) intervals.push_back(Ms(starts[i] - starts[i - 1]));
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        st.counters["ticks_per_s"] = static_cast<double>(starts.size()) / wall;
        Percentiles(st, intervals);
        std::sort(durations.begin(), durations.end());
        st.counters["tick_median_ms"] = durations.empty() ? 0 : durations[durations.size() / 2];
        st.counters["cpu_program_s_per_s"] = cpu / wall;
        st.counters["cpu_xserver_s_per_s"] = xserver ? x / wall : -1;
        st.counters["peak_rss_MB"] = static_cast<double>(u.ru_maxrss) / 1024;
        st.counters["first_figure_ms"] = firstFigure;
        form.Close();
    }
}

// XScreenSaver's ifs on the root window of the same screen, as a yardstick.
void BM_Ifs(benchmark::State& st) {
    if (access(IfsHack, X_OK) != 0) {
        st.SkipWithError("no /usr/libexec/xscreensaver/ifs (package xscreensaver-data-extra)");
        return;
    }
    const pid_t xserver = XServerPid();
    for (auto _ : st) {
        const pid_t hack = fork();
        if (hack == 0) {
            execl(IfsHack, IfsHack, "--root", static_cast<char*>(nullptr));
            _exit(127);
        }
        const double x0 = CpuSecondsOf(xserver);
        const auto wall0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(Seconds));
        const double cpu = CpuSecondsOf(hack), x = CpuSecondsOf(xserver) - x0;
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        kill(hack, SIGTERM);
        waitpid(hack, nullptr, 0);
        st.counters["cpu_program_s_per_s"] = cpu / wall;
        st.counters["cpu_xserver_s_per_s"] = xserver ? x / wall : -1;
    }
}

}  // namespace

// A typical run, and one whose figures are often dense (150 000 points and more).
BENCHMARK(BM_Program)->Name("Program/typical")->Arg(20261207)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Program)->Name("Program/dense")->Arg(24)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Ifs)->Name("XScreenSaver/ifs")->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
