// What the whole program costs the machine while it runs the demo: `glimmark --simulate` (the
// simulated interface, the test pattern with its overlays, the live preview and both windows,
// with no display) against `gst-launch-1.0` running the same test source with the same
// overlays into a fakesink. Each is a process of its own, measured in turn, A B A B..., over a
// steady stretch after its start-up, from the kernel's accounting of all its threads.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr auto kSettle = std::chrono::seconds(3);
constexpr auto kMeasured = std::chrono::seconds(8);

// User and system CPU seconds of every thread of `pid` so far; negative when it is gone.
double processCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name may hold blanks: the fields are counted after its closing bracket.
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::vector<std::string> field((std::istream_iterator<std::string>(fields)),
                                   std::istream_iterator<std::string>());
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    if (field.size() < 13)
        return -1;
    return static_cast<double>(std::stoull(field[11]) + std::stoull(field[12])) /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

// CPU seconds `argv` spends over kMeasured once kSettle has passed since its start; negative
// when it does not run that long.
double steadyCpuSeconds(std::vector<std::string> argv, const std::vector<std::string>& env) {
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<std::string> envStrings = env;
    for (char** e = environ; *e != nullptr; ++e) envStrings.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &quiet, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return -1;
    std::this_thread::sleep_for(kSettle);
    const double before = processCpuSeconds(pid);
    std::this_thread::sleep_for(kMeasured);
    const double after = processCpuSeconds(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return before < 0 || after < 0 ? -1 : after - before;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_SimulateCpuAgainstGstLaunch(benchmark::State& state) {
    // The program's test pattern as --simulate chooses it: 1080p I420 at 25 frames a second,
    // the running time bottom right and the time of day top left.
    const std::vector<std::string> gstLaunch{
        "gst-launch-1.0",
        "-q",
        "videotestsrc",
        "is-live=true",
        "pattern=smpte",
        "!",
        "video/x-raw,format=I420,width=1920,height=1080,framerate=25/1,pixel-aspect-ratio=1/1",
        "!",
        "timeoverlay",
        "halignment=right",
        "valignment=bottom",
        "time-mode=running-time",
        "font-desc=Sans 36",
        "shaded-background=true",
        "!",
        "clockoverlay",
        "halignment=left",
        "valignment=top",
        "time-format=%H:%M:%S",
        "font-desc=Sans 36",
        "shaded-background=true",
        "!",
        "fakesink"};
    // Its settings, window places and crash-recovery copies go to a folder of the bench's.
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("glimmark-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    const std::vector<std::string> programEnv{"QT_QPA_PLATFORM=offscreen",
                                              "XDG_CONFIG_HOME=" + (home / "config").string(),
                                              "XDG_STATE_HOME=" + (home / "state").string()};
    std::vector<double> ratios, program, reference;
    for (auto _ : state) {
        // A copy a killed run left behind would be offered with a question at the next start.
        std::filesystem::remove_all(home / "state");
        const double a = steadyCpuSeconds({GLIMMARK_PROGRAM, "--simulate"}, programEnv);
        const double b = steadyCpuSeconds(gstLaunch, {});
        if (a < 0 || b <= 0) {
            state.SkipWithError("glimmark --simulate or gst-launch-1.0 did not run");
            break;
        }
        program.push_back(a);
        reference.push_back(b);
        ratios.push_back(a / b);
    }
    std::filesystem::remove_all(home);
    if (ratios.empty())
        return;
    const double seconds = std::chrono::duration<double>(kMeasured).count();
    state.counters["program_core_pct"] = 100.0 * median(program) / seconds;
    state.counters["gst_launch_core_pct"] = 100.0 * median(reference) / seconds;
    state.counters["cpu_ratio"] = median(ratios);
    state.counters["goal_ratio"] = 1.5;
}
BENCHMARK(BM_SimulateCpuAgainstGstLaunch)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
