// What the viewer sees: the real program on a virtual X server of its own,
// every buffer swap of every window timed by the swap log (swap_log.c,
// preloaded), 30 s from the first figure. Per run: the cycle and morph
// lengths, repaints per morph and the intervals between a morph's repaints,
// all from the swaps; CPU per second of the program and of the X server; the
// program's peak RSS. XScreenSaver's ifs runs on the same screens as a yardstick.
// OMBREL_BENCH_LONG_MINUTES adds a long run of glow at 4K that samples the
// resident size, to show it flat.
//
// OMBREL_BENCH_BASELINE names another build of ombrel (scripts/bench
// --baseline REV makes one): each run is then made with it right after the
// current build, on the same machine, as "before/...".
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/process_stats.h"

namespace {

using Clock = std::chrono::steady_clock;
// OMBREL_BENCH_SECONDS shortens a run for a quick look.
const int Seconds = std::getenv("OMBREL_BENCH_SECONDS") ? std::atoi(std::getenv("OMBREL_BENCH_SECONDS")) : 30;
// Longer than any pause inside a morph, shorter than the 2-second hold.
constexpr double MorphGap = 1.0;
const char* const IfsHack = "/usr/libexec/xscreensaver/ifs";

struct TMonitorBox {
    int Width, Height, Left;
};

struct TLayout {
    std::string Name;
    std::vector<TMonitorBox> Monitors;
};

const TLayout TwoMonitors{"two", {{1920, 1080, 0}, {1280, 1024, 1920}}};
const TLayout FourK{"4k", {{3840, 2160, 0}, {1920, 1080, 3840}}};

// VmHWM: the peak; VmRSS: now.
double RssMB(pid_t pid, const std::string& field = "VmHWM:") {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(field.size())) / 1024;
    return -1;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    const pid_t pid = fork();
    if (pid == 0) {
        for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// An Xvfb with the layout's monitors side by side, on a display number it picks itself.
struct TXServer {
    pid_t Pid = 0;
    std::string Display;

    explicit TXServer(const TLayout& layout) {
        int width = 0, height = 0;
        for (const auto& m : layout.Monitors) {
            width = std::max(width, m.Left + m.Width);
            height = std::max(height, m.Height);
        }
        for (int attempt = 0; attempt < 3; ++attempt)
            if (Start(width, height) && SetMonitors(layout)) return;
        throw std::runtime_error("Xvfb did not start");
    }
    ~TXServer() { Stop(Pid); }

private:
    bool Start(int width, int height) {
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("no pipe");
        Pid = fork();
        if (Pid == 0) {
            close(fds[0]);
            const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
            execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-noreset", "-nolisten", "tcp",
                   "-screen", "0", screen.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The number and its newline come in two writes: reading on to the
        // newline keeps the pipe open for the second, which would otherwise kill Xvfb.
        char number[16] = {};
        size_t n = 0;
        while (n < sizeof number - 1 && (n == 0 || number[n - 1] != '\n')) {
            const ssize_t got = read(fds[0], number + n, sizeof number - 1 - n);
            if (got <= 0) break;
            n += static_cast<size_t>(got);
        }
        close(fds[0]);
        if (n > 0) {
            Display = ":" + std::to_string(std::atoi(number));
            return true;
        }
        waitpid(Pid, nullptr, 0);
        return false;
    }

    bool SetMonitors(const TLayout& layout) {
        for (size_t i = 0; i < layout.Monitors.size(); ++i) {
            const auto& m = layout.Monitors[i];
            const std::string command = "DISPLAY=" + Display + " xrandr --setmonitor MON" + std::to_string(i) + " " +
                                        std::to_string(m.Width) + "/508x" + std::to_string(m.Height) + "/286+" +
                                        std::to_string(m.Left) + "+0 " + (i == 0 ? "screen" : "none") +
                                        " >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0) {
                Stop(Pid);
                return false;
            }
        }
        return true;
    }
};

// Swap times per window, in seconds.
std::map<std::string, std::vector<double>> ReadSwaps(const std::string& path) {
    std::map<std::string, std::vector<double>> swaps;
    std::ifstream in(path);
    double t;
    std::string window;
    while (in >> t >> window) swaps[window].push_back(t);
    return swaps;
}

double Percentile(std::vector<double> v, int p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, v.size() * p / 100)];
}

double Mean(const std::vector<double>& v) {
    return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

// A window's swaps fall into morphs, separated by holds in which the picture
// stands and nothing is swapped. The last morph may be cut, and the first is
// start-up, its frames drawn as it runs: both are left out, with the odd
// swaps of the first picture before it.
void ReportSwaps(benchmark::State& st, const std::map<std::string, std::vector<double>>& swaps) {
    std::vector<double> cycles, morphs, repaints, intervals;
    for (const auto& [window, times] : swaps) {
        std::vector<std::pair<size_t, size_t>> runs;
        size_t first = 0;
        for (size_t i = 1; i <= times.size(); ++i)
            if (i == times.size() || times[i] - times[i - 1] > MorphGap) {
                runs.emplace_back(first, i);
                first = i;
            }
        size_t morph = 0;
        while (morph < runs.size() && runs[morph].second - runs[morph].first < 10) ++morph;
        for (size_t r = morph + 1; r + 1 < runs.size(); ++r) {
            const auto [a, b] = runs[r];
            cycles.push_back(times[runs[r + 1].first] - times[a]);
            morphs.push_back(times[b - 1] - times[a]);
            repaints.push_back(static_cast<double>(b - a));
            for (size_t i = a + 1; i < b; ++i) intervals.push_back((times[i] - times[i - 1]) * 1000);
        }
    }
    st.counters["windows"] = static_cast<double>(swaps.size());
    st.counters["cycle_s"] = Mean(cycles);
    st.counters["cycle_max_s"] = cycles.empty() ? 0 : *std::max_element(cycles.begin(), cycles.end());
    st.counters["morph_s"] = Mean(morphs);
    st.counters["repaints_min"] = repaints.empty() ? 0 : *std::min_element(repaints.begin(), repaints.end());
    st.counters["repaints_mean"] = Mean(repaints);
    st.counters["p50_ms"] = Percentile(intervals, 50);
    st.counters["p95_ms"] = Percentile(intervals, 95);
    st.counters["max_ms"] = intervals.empty() ? 0 : *std::max_element(intervals.begin(), intervals.end());
}

struct TRun {
    const TLayout* Layout;
    int Fps;
    bool Glow;
    // The morph's seconds; 0: the default.
    double Morph = 0;
    int Seconds = ::Seconds;
};

void RunProgram(benchmark::State& st, const std::string& program, const TRun& run, uint32_t seed) {
    const TLayout& layout = *run.Layout;
    for (auto _ : st) {
        TXServer x(layout);
        const std::string log = "/tmp/ombrel-swaps-" + std::to_string(getpid()) + ".log";
        std::remove(log.c_str());
        // The default rate without the option: builds from before it run too.
        std::vector<std::string> argv{program, "--seed", std::to_string(seed)};
        if (run.Fps != 25) argv.insert(argv.end(), {"--fps", std::to_string(run.Fps)});
        if (run.Glow) argv.insert(argv.end(), {"--style", "glow"});
        if (run.Morph != 0) argv.insert(argv.end(), {"--morph", std::to_string(run.Morph)});
        const pid_t pid = Spawn(argv,
                                {"DISPLAY=" + x.Display, "QT_QPA_PLATFORM=xcb", "LIBGL_ALWAYS_SOFTWARE=1",
                                 "LD_PRELOAD=" OMBREL_SWAP_LOG_LIBRARY, "OMBREL_SWAP_LOG=" + log});
        // From the first figure on: the first cycle is start-up.
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (ReadSwaps(log).empty() && Clock::now() < deadline && waitpid(pid, nullptr, WNOHANG) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (ReadSwaps(log).empty()) {
            Stop(pid);
            st.SkipWithError("the program showed nothing");
            return;
        }
        const double cpu0 = CpuSecondsOf(pid), x0 = CpuSecondsOf(x.Pid);
        const auto wall0 = Clock::now();
        // The resident size every 10 s: the highest of the first half against
        // the highest of the second shows whether it keeps growing. Halves of
        // one length, as each sees its own densest morphs.
        double firstHalf = 0, secondHalf = 0;
        for (int t = 0; t < run.Seconds; t += 10) {
            std::this_thread::sleep_for(std::chrono::seconds(std::min(10, run.Seconds - t)));
            double& highest = t < run.Seconds / 2 ? firstHalf : secondHalf;
            highest = std::max(highest, RssMB(pid, "VmRSS:"));
        }
        const double cpu = CpuSecondsOf(pid) - cpu0, xcpu = CpuSecondsOf(x.Pid) - x0;
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        const double rss = RssMB(pid);
        Stop(pid);
        ReportSwaps(st, ReadSwaps(log));
        std::remove(log.c_str());
        st.counters["cpu_program_s_per_s"] = cpu / wall;
        st.counters["cpu_xserver_s_per_s"] = xcpu / wall;
        st.counters["cpu_both_s_per_s"] = (cpu + xcpu) / wall;
        st.counters["peak_rss_MB"] = rss;
        if (run.Seconds > 60) {
            st.counters["rss_first_half_MB"] = firstHalf;
            st.counters["rss_second_half_MB"] = secondHalf;
        }
    }
}

void RunIfs(benchmark::State& st, const TLayout& layout) {
    if (access(IfsHack, X_OK) != 0) {
        st.SkipWithError("no /usr/libexec/xscreensaver/ifs (package xscreensaver-data-extra)");
        return;
    }
    for (auto _ : st) {
        TXServer x(layout);
        const pid_t pid = Spawn({IfsHack, "--root"}, {"DISPLAY=" + x.Display});
        const double x0 = CpuSecondsOf(x.Pid);
        const auto wall0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(Seconds));
        const double cpu = CpuSecondsOf(pid), xcpu = CpuSecondsOf(x.Pid) - x0;
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        Stop(pid);
        st.counters["cpu_program_s_per_s"] = cpu / wall;
        st.counters["cpu_xserver_s_per_s"] = xcpu / wall;
        st.counters["cpu_both_s_per_s"] = (cpu + xcpu) / wall;
    }
}

}  // namespace

int main(int argc, char** argv) {
    struct TBuild {
        std::string Name, Program;
    };
    std::vector<TBuild> builds{{"now", OMBREL_PROGRAM}};
    if (const char* baseline = std::getenv("OMBREL_BENCH_BASELINE"); baseline && *baseline)
        builds.push_back({"before", baseline});
    std::vector<TRun> runs{{&TwoMonitors, 25, false}, {&TwoMonitors, 50, false}, {&TwoMonitors, 60, false},
                           {&FourK, 25, false},       {&TwoMonitors, 25, true},  {&FourK, 25, true},
                           {&FourK, 60, false},       {&FourK, 60, true},        {&FourK, 25, false, 0.5},
                           {&FourK, 25, true, 0.5}};
    // OMBREL_BENCH_LONG_MINUTES adds one long run, glow at 4K, for memory that grows.
    if (const char* minutes = std::getenv("OMBREL_BENCH_LONG_MINUTES"); minutes && std::atoi(minutes) > 0)
        runs.push_back({&FourK, 25, true, 0, std::atoi(minutes) * 60});
    for (const TRun& run : runs)
        for (uint32_t seed : {43u, 20261207u})
            for (const TBuild& build : builds) {
                if (run.Seconds != Seconds && seed != 43u) continue;
                const std::string name = build.Name + "/" + run.Layout->Name + "/fps" + std::to_string(run.Fps) +
                                         (run.Glow ? "/glow" : "") +
                                         (run.Morph != 0 ? "/morph" + std::to_string(run.Morph).substr(0, 3) : "") +
                                         (run.Seconds != Seconds ? "/" + std::to_string(run.Seconds) + "s" : "") +
                                         "/seed" + std::to_string(seed);
                benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& st) {
                    RunProgram(st, build.Program, run, seed);
                })->Iterations(1)->Unit(benchmark::kSecond);
            }
    for (const TLayout* layout : {&TwoMonitors, &FourK})
        benchmark::RegisterBenchmark(("XScreenSaver/ifs/" + layout->Name).c_str(), [layout](benchmark::State& st) {
            RunIfs(st, *layout);
        })->Iterations(1)->Unit(benchmark::kSecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
