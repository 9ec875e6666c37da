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
#include "bench/process_stats.h"

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

// Times every tick of the form's clock: the clock's timer events are
// handled here, between two readings of the clock.
struct TTickTimer : QObject {
    std::vector<Clock::time_point> Starts;
    std::vector<double> Durations;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::Timer) return false;
        const auto t0 = Clock::now();
        watched->event(e);
        Starts.push_back(t0);
        Durations.push_back(Ms(Clock::now() - t0));
        return true;
    }
};

// Args: seed, frames a second, tenths of a second a morph.
void BM_Program(benchmark::State& st) {
    TShowOptions show;
    show.Fps = static_cast<int>(st.range(1));
    show.Morph = static_cast<double>(st.range(2)) / 10;
    const pid_t xserver = XServerPid();
    for (auto _ : st) {
        const auto start = Clock::now();
        TForm1 form(SystemMonitors, MakeQtNotificationArea,
                    TRunOptions{static_cast<uint32_t>(st.range(0)), nullptr, show});
        TTickTimer ticks;
        form.Timer1.installEventFilter(&ticks);
        double firstFigure = 0;
        QTimer firstFigureWatch;
        QObject::connect(&firstFigureWatch, &QTimer::timeout, [&] {
            if (firstFigure == 0 && form.Morph->FrameCounter > form.Morph->Timing.HoldLastCounter)
                firstFigure = Ms(Clock::now() - start);
        });
        firstFigureWatch.start(1);
        // From the first tick on, as the program runs: the first cycle is start-up.
        while (!form.Started()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double cpu0 = OwnCpuSeconds(), x0 = CpuSecondsOf(xserver);
        const auto wall0 = Clock::now();
        QTimer::singleShot(Seconds * 1000, &form, [] { QCoreApplication::quit(); });
        QApplication::exec();
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        const double cpu = OwnCpuSeconds() - cpu0, x = CpuSecondsOf(xserver) - x0;
        std::vector<double> intervals;
        for (size_t i = 1; i < ticks.Starts.size(); ++i) intervals.push_back(Ms(ticks.Starts[i] - ticks.Starts[i - 1]));
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        st.counters["ticks_per_s"] = static_cast<double>(ticks.Starts.size()) / wall;
        Percentiles(st, intervals);
        std::sort(ticks.Durations.begin(), ticks.Durations.end());
        st.counters["tick_median_ms"] = ticks.Durations.empty() ? 0 : ticks.Durations[ticks.Durations.size() / 2];
        st.counters["cpu_program_s_per_s"] = cpu / wall;
        st.counters["cpu_xserver_s_per_s"] = xserver ? x / wall : -1;
        st.counters["peak_rss_MB"] = static_cast<double>(u.ru_maxrss) / 1024;
        st.counters["first_figure_ms"] = firstFigure;
        form.Close();
    }
}

// With every display out of sight: what the program and the X server still spend.
void BM_Unseen(benchmark::State& st) {
    const pid_t xserver = XServerPid();
    for (auto _ : st) {
        TForm1 form(SystemMonitors, MakeQtNotificationArea, TRunOptions{20261207, nullptr, {}});
        QTimer::singleShot(3000, &form, [&form] {
            for (auto& d : form.DisplayForms) d->Hide();
            QTimer::singleShot(1000, &form, [] { QCoreApplication::quit(); });
        });
        QApplication::exec();
        const double cpu0 = OwnCpuSeconds(), x0 = CpuSecondsOf(xserver);
        const auto wall0 = Clock::now();
        QTimer::singleShot(20 * 1000, &form, [] { QCoreApplication::quit(); });
        QApplication::exec();
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        const double cpu = OwnCpuSeconds() - cpu0, x = CpuSecondsOf(xserver) - x0;
        st.counters["cpu_program_s_per_s"] = cpu / wall;
        st.counters["cpu_xserver_s_per_s"] = xserver ? x / wall : -1;
        st.counters["cpu_both_s_per_s"] = (cpu + (xserver ? x : 0)) / wall;
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

// A typical run, one whose figures are often dense (150 000 points and
// more), 60 frames a second, and a 10-second morph at 60 (peak memory: run it last).
BENCHMARK(BM_Program)->Name("Program/typical")->Args({20261207, 25, 20})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Program)->Name("Program/dense")->Args({24, 25, 20})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Program)->Name("Program/fps60")->Args({20261207, 60, 20})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Unseen)->Name("Program/unseen")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Program)->Name("Program/morph10-fps60")->Args({20261207, 60, 100})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Ifs)->Name("XScreenSaver/ifs")->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
