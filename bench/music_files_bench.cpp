// music_files_bench: what each Ogg piece given costs the frame when the game
// plays it as music: the start (open and first block), the worst refill
// step, how many steps took over 16 ms, the processor time of the whole
// process (every thread) and the memory it grew by, the passes played and
// the log lines. Each refill step runs on a stopped source, so it decodes
// its next block at once: the piece is played as fast as it decodes, for
// `passes` passes or `steps` steps at most. Prints figures; it is run by
// hand, never as a test.
//
// Usage: music_files_bench [--steps N] [--passes N] [piece.ogg...]   (default:
// the game's own piece and the tests' damaged and valid files)

#include <AL/al.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../tests/audio_test_support.h"
#include "music_source.h"

using namespace audiotest;
using Clock = std::chrono::steady_clock;

namespace {

double WallMs(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double ProcessCpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// The process's peak resident memory in KB, after the peak is reset to now.
long PeakKb() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atol(line + 6);
    std::fclose(f);
    return kb;
}
void ResetPeak() {
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (f) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

struct Figures {
    double startMs = 0, startCpuMs = 0, worstMs = 0, worstCpuMs = 0, processCpuMs = 0;
    int steps = 0, over16 = 0, passes = 0;
    long growKb = 0;
    std::string log;
};

Figures Play(const char* path, int maxSteps, int maxPasses) {
    Figures f;
    const ALuint src = ALsource[kuvo::kMusicSource];
    const long base = PeakKb();
    ResetPeak();
    const double cpu0 = ProcessCpuMs();
    ::fflush(stdout);
    char name[] = "/tmp/music-files-bench-log.XXXXXX";
    const int logFd = mkstemp(name);
    const int saved = dup(1);
    dup2(logFd, 1);

    Clock::time_point t = Clock::now();
    double c = ThreadCpuMs();
    ASys.PlayMusic_Ogg_Sys(path, 1);
    f.startMs = WallMs(t);
    f.startCpuMs = ThreadCpuMs() - c;
    if (f.startMs > 16) ++f.over16;
    while (ASys.MusicMode == 2 && f.steps < maxSteps && f.passes < maxPasses) {
        alSourceStop(src);
        t = Clock::now();
        c = ThreadCpuMs();
        ASys.HandleMusicSys();
        const double ms = WallMs(t), cms = ThreadCpuMs() - c;
        f.worstMs = std::max(f.worstMs, ms);
        f.worstCpuMs = std::max(f.worstCpuMs, cms);
        if (ms > 16) ++f.over16;
        ++f.steps;
        f.passes = int(KuvoOggPasses());
    }
    ASys.StopMusicSys();
    ::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    f.processCpuMs = ProcessCpuMs() - cpu0;
    f.growKb = PeakKb() - base;
    FILE* in = fdopen(logFd, "r");
    std::rewind(in);
    char line[512];
    while (std::fgets(line, sizeof line, in)) f.log += line;
    std::fclose(in);
    std::remove(name);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    int maxSteps = 4000, maxPasses = 2;
    int first = 1;
    for (; first + 1 < argc && argv[first][0] == '-'; first += 2) {
        if (std::strcmp(argv[first], "--steps") == 0) maxSteps = std::atoi(argv[first + 1]);
        if (std::strcmp(argv[first], "--passes") == 0) maxPasses = std::atoi(argv[first + 1]);
    }
    std::vector<std::string> pieces(argv + first, argv + argc);
    if (pieces.empty()) {
        std::string self = argv[0];
        const size_t slash = self.find_last_of('/');
        pieces.push_back((slash == std::string::npos ? std::string(".") : self.substr(0, slash)) +
                         "/../Data/559/audio/bloke.ogg");
        for (const char* folder : {"/damaged-ogg", "/valid-ogg"}) {
            std::vector<std::string> files;
            std::error_code ec;
            for (const auto& e : std::filesystem::directory_iterator(std::string(ZINDLE_FIXTURES) + folder, ec))
                files.push_back(e.path().string());
            std::sort(files.begin(), files.end());
            pieces.insert(pieces.end(), files.begin(), files.end());
        }
    }
    setenv("ALSOFT_DRIVERS", "null", 1);
    if (!OpenAudio()) {
        std::printf("no null OpenAL device\n");
        return 1;
    }
    ASys.MusicLevelSys = 1;
    std::printf("%-44s %9s %9s %9s %9s %6s %5s %6s %9s %8s  log\n", "piece", "start ms", "(cpu)", "worst ms", "(cpu)",
                "steps", ">16", "passes", "proc cpu", "grew MB");
    for (const std::string& piece : pieces) {
        const Figures f = Play(piece.c_str(), maxSteps, maxPasses);
        std::string log = f.log;
        std::replace(log.begin(), log.end(), '\n', ';');
        const char* slash = std::strrchr(piece.c_str(), '/');
        std::printf("%-44s %9.1f %9.1f %9.1f %9.1f %6d %5d %6d %9.0f %8.1f  %s\n", slash ? slash + 1 : piece.c_str(),
                    f.startMs, f.startCpuMs, f.worstMs, f.worstCpuMs, f.steps, f.over16, f.passes, f.processCpuMs,
                    double(f.growKb) / 1024, log.c_str());
    }
    CloseAudio();
    return 0;
}
