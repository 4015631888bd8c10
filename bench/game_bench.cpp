// Figures of a whole game (Set B, three rounds of three jumps) played in this
// process through the backend's input seam, on the game's own 16 ms schedule:
// milliseconds per Update and per Render in play, draw records and triangles
// per frame, and the resident memory. It prints figures and asserts nothing;
// it stops when the end banner starts, so the game never saves anything.
//
// Usage: game_bench [program-path]   (needs a display; the program path's
// directory must hold Data/, by default the build directory)

#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "MyGame.h"
#include "sys_internal.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPeriodMs = 16;      // the game's update and render period
constexpr int kHoldUpdates = 3;    // a press or a release lasts this many updates
constexpr double kGiveUpSeconds = 240;

// Keys the bench holds; everything else reads as up.
int held[GLFW_KEY_LAST + 1];

int ScriptedKey(GLFWwindow*, int key) { return key >= 0 && key <= GLFW_KEY_LAST ? held[key] : 0; }
int AlwaysFocused(GLFWwindow*) { return 1; }  // the game runs whatever the window manager does

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// A kB figure of /proc/self/status ("VmRSS"), in MB.
double StatusMb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + key.size()) / 1024.0;
    return 0;
}

template <typename T>
T Percentile(std::vector<T> v, double p) {
    if (v.empty()) return T();
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// Plays like a patient player: Enter pressed and let go on each menu page
// (Set B is highlighted at first), then the jump key held, let go once
// whenever a new round has latched it.
class Player {
public:
    // Sets the keys for the coming update.
    void Drive() {
        const MyGame& g = ThisGame;
        if (keep_ > 0) {
            --keep_;
            return;
        }
        std::memset(held, 0, sizeof held);
        if (g.LoadStep > 0 || g.EndReason != 0) return;
        if (g.GameState == 0) {
            enterDown_ = !enterDown_;
            held[GLFW_KEY_ENTER] = enterDown_ ? 1 : 0;
            keep_ = kHoldUpdates;
            return;
        }
        if (g.GameState != 10) return;
        if (g.KeyLock[10] == 0) letGo_ = false;
        if (g.KeyLock[10] == 1 && !letGo_) {  // a round start: the key must come up first
            letGo_ = true;
            keep_ = kHoldUpdates;
            return;
        }
        held[GLFW_KEY_SPACE] = 1;
    }

private:
    int keep_ = 0;
    bool enterDown_ = false;
    bool letGo_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string program = bench::ProgramPath(argc, argv);
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "game_bench: needs a display (scripts/bench.sh provides one)\n");
        return 1;
    }

    MyGame& g = ThisGame;
    g.StartUp(program.c_str());
    KUVOInputSource input = KUVOInputGLFW;
    input.GetKey = ScriptedKey;
    input.WindowFocused = AlwaysFocused;
    KUVOInput = input;
    // What KeepAlive sets from the default settings each turn.
    g.SfxVolume = 0.7f;
    g.MusicLevel = 0.7f;
    g.Overscan = 0.0f;

    Player player;
    std::vector<double> updateMs, renderMs;
    std::vector<int> records, triangles;
    double menuRss = 0, playRssPeak = 0;
    int jumpsSeen = 0;
    float lastJumpState = 0;
    Clock::time_point start = Clock::now(), playStart{}, playEnd{};
    bool playing = false;

    while (g.QuitFlag == 0 && Ms(start, Clock::now()) < kGiveUpSeconds * 1000) {
        if (g.Mills() >= g.NextUpdate) {
            g.NextUpdate = g.Mills() + kPeriodMs;
            player.Drive();
            const bool inPlay = g.GameState == 10 && g.Paused == 0 && g.EndReason == 0;
            if (inPlay && !playing) {
                playing = true;
                playStart = Clock::now();
                menuRss = StatusMb("VmRSS");
            }
            Clock::time_point t0 = Clock::now();
            g.Update();
            Clock::time_point t1 = Clock::now();
            if (inPlay) {
                updateMs.push_back(Ms(t0, t1));
                records.push_back(DrawToRT);
                if (lastJumpState == 1 && g.JumpState != 1) ++jumpsSeen;  // an arc ended
                lastJumpState = g.JumpState;
            }
            if (playing && g.EndReason != 0) {
                playEnd = Clock::now();
                break;  // the banner: the game is over, and nothing gets saved
            }
        }
        if (g.Mills() >= g.NextRender) {
            g.NextRender = g.Mills() + kPeriodMs;
            const bool inPlay = playing;
            Clock::time_point t0 = Clock::now();
            g.Render();
            Clock::time_point t1 = Clock::now();
            if (inPlay) {
                renderMs.push_back(Ms(t0, t1));
                triangles.push_back(ASys.FramePolys);
                playRssPeak = std::max(playRssPeak, StatusMb("VmRSS"));
            }
        }
        if (g.Paused != 1) g.MusicHandler();
        const int wait = std::min(g.NextUpdate, g.NextRender) - g.Mills();
        if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(std::min(wait, kPeriodMs)));
    }

    if (!playing || playEnd == Clock::time_point{}) {
        std::printf("game did not finish within %.0f s (state %d, round %.0f, jump %.0f)\n", kGiveUpSeconds,
                    g.GameState, g.RoundNumber, g.JumpNumber);
    } else {
        std::printf("full game (Set B, %d jumps, %.0f rounds, score %.0f) in %.1f s of play: %zu updates, %zu renders\n",
                    jumpsSeen, g.RoundNumber, g.Score, Ms(playStart, playEnd) / 1000, updateMs.size(), renderMs.size());
        std::printf("Update in play : median %.3f ms, 95th %.3f ms, worst %.3f ms\n", Percentile(updateMs, 0.5),
                    Percentile(updateMs, 0.95), Percentile(updateMs, 1.0));
        std::printf("Render in play : median %.3f ms, 95th %.3f ms, worst %.3f ms\n", Percentile(renderMs, 0.5),
                    Percentile(renderMs, 0.95), Percentile(renderMs, 1.0));
        std::printf("draw records per frame in play : median %d, most %d\n", Percentile(records, 0.5),
                    Percentile(records, 1.0));
        std::printf("triangles per frame in play    : median %d, most %d\n", Percentile(triangles, 0.5),
                    Percentile(triangles, 1.0));
        std::printf("resident memory (VmRSS): %.1f MB on the menu, %.1f MB at most in play\n", menuRss, playRssPeak);
    }
    KUVOInput = KUVOInputGLFW;
    g.Terminate();
    return 0;
}
