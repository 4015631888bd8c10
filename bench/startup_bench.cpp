// Figures of the game's spine: time from launch to the first presented frame,
// and the processor time the paced loop uses per wall second while it idles
// with the window focused and unfocused. It prints figures and asserts
// nothing; it never saves settings or scores.
//
// Usage: startup_bench [program-path [seconds]]   (needs a display; the
// program path's directory must hold Data/, by default the build directory)

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "bench_support.h"
#include "MyGame.h"
#include "core_internal.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Field n (1-based, as proc(5) numbers them) of /proc/self/stat.
unsigned long long StatField(int n) {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t close = stat.rfind(')');  // the command name may hold spaces
    if (close == std::string::npos || close + 2 > stat.size()) return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string f;
    for (int i = 3; fields >> f; ++i)
        if (i == n) return std::strtoull(f.c_str(), nullptr, 10);
    return 0;
}

double Ticks(unsigned long long t) { return static_cast<double>(t) / static_cast<double>(sysconf(_SC_CLK_TCK)); }

// Processor seconds (user + system) of this process.
double CpuSeconds() { return Ticks(StatField(14) + StatField(15)); }

// Seconds between the kernel starting this process and now (clock-tick
// resolution), so the figure includes loading the executable.
double SinceProcessStart() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - Ticks(StatField(22));
}

// Runs the game's own loop turns for the given wall seconds.
void RunLoop(double seconds) {
    Clock::time_point start = Clock::now();
    while (ThisGame.QuitFlag == 0 && Seconds(start, Clock::now()) < seconds) ThisGame.KeepAlive();
}

void MeasureIdle(const char* label, double seconds) {
    double cpu0 = CpuSeconds();
    Clock::time_point wall0 = Clock::now();
    RunLoop(seconds);
    double wall = Seconds(wall0, Clock::now());
    double cpu = CpuSeconds() - cpu0;
    std::printf("idle %-10s: %.3f CPU s per wall s over %.1f s (updates/s %d, renders/s %d, focus %d)\n", label,
                wall > 0 ? cpu / wall : 0.0, wall, ThisGame.UpdatesPerSecond, ThisGame.RendersPerSecond,
                ThisGame.WindowActive);
}

// A small window of another program takes the focus from the game.
pid_t StealFocus() {
    pid_t pid = fork();
    if (pid == 0) {
        execlp("xmessage", "xmessage", "-geometry", "+0+0", "startup_bench: focus holder", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    Clock::time_point t0 = Clock::now();
    double execToMain = SinceProcessStart();
    const std::string program = bench::ProgramPath(argc, argv);
    double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
    if (!(seconds > 0)) seconds = 3.0;
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "startup_bench: needs a display (scripts/bench.sh provides one)\n");
        return 1;
    }

    ThisGame.StartUp(program.c_str());
    while (RenderThread == 0 && ThisGame.QuitFlag == 0) ThisGame.KeepAlive();
    Clock::time_point first = Clock::now();

    // Let the loading screen finish so the idle figures are of the menu.
    Clock::time_point loadStart = Clock::now();
    while (ThisGame.LoadStep > 0 && ThisGame.QuitFlag == 0 && Seconds(loadStart, Clock::now()) < 20) ThisGame.KeepAlive();
    Clock::time_point loaded = Clock::now();
    RunLoop(1.0);

    std::printf("launch to first presented frame: %.1f ms (main to first frame %.1f ms, exec to main ~%.0f ms)\n",
                (execToMain + Seconds(t0, first)) * 1000, Seconds(t0, first) * 1000, execToMain * 1000);
    std::printf("loading screen: %.2f s (load step %d)\n", Seconds(first, loaded), ThisGame.LoadStep);
    MeasureIdle("focused", seconds);

    pid_t holder = StealFocus();
    Clock::time_point waitStart = Clock::now();
    while (ThisGame.WindowActive == 1 && ThisGame.QuitFlag == 0 && Seconds(waitStart, Clock::now()) < 5)
        ThisGame.KeepAlive();
    if (ThisGame.WindowActive == 1) {
        std::printf("idle unfocused : not measured (the focus could not be taken away)\n");
    } else {
        RunLoop(0.5);
        MeasureIdle("unfocused", seconds);
    }
    if (holder > 0) {
        kill(holder, SIGTERM);
        waitpid(holder, nullptr, 0);
    }
    ThisGame.Terminate();
    return 0;
}
