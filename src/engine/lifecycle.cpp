// Engine start and end, the run's millisecond clock, and the two calls that
// move a finished frame from the game to the screen (BufferGame, RenderGame).
// Never calls GLFW or GL itself: every window operation goes through ASys.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"

namespace {

constexpr const char* kSeparator = "-=-=-=-=-=-=-=-=-";
constexpr float kLandscapeWidth = 800.0f;  // view units across a landscape view
constexpr float kPortraitWidth = 512.0f;   // view units across a portrait view
constexpr float kPortraitScale = 800.0f / 512.0f;
constexpr float kBump = 32.0f;             // view units taken off a very long side
constexpr int kSampleMs = 1000;            // rate counters sample once a second

using Clock = std::chrono::steady_clock;

// The first call fixes the epoch; the touch below makes that happen during
// static initialisation, so "process start" is as early as we can see it.
Clock::time_point ProcessEpoch() {
    static const Clock::time_point epoch = Clock::now();
    return epoch;
}
[[maybe_unused]] const int kEpochTouch = KuvoProcessMillis();

// A float that may be huge or not a number, truncated toward zero into the int
// range (the plain conversion is undefined outside it).
int TruncToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0f) return 2147483647;
    if (v <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<int>(v);
}

// The backend's aspect ratio, or the framebuffer's, or 4:3 when neither is
// known yet (before the first render, or with no window): a zero would make
// the view infinitely tall.
float UsableAspect() {
    float a = ASys.AspectRatio;
    if (a > 0.0f && std::isfinite(a)) return a;
    if (ASys.FrameW > 0 && ASys.FrameH > 0) {
        return static_cast<float>(ASys.FrameW) / static_cast<float>(ASys.FrameH);
    }
    return 4.0f / 3.0f;
}

}  // namespace

int KuvoProcessMillis() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - ProcessEpoch()).count();
    // Wrap rather than overflow after 24.8 days; the main loop restarts its
    // schedules when the clock jumps back.
    return static_cast<int>(static_cast<long long>(ms) % 2147483648LL);
}

void KuvoViewFromFrame(KUVOCore& core, float& width, float& height) {
    const float aspect = UsableAspect();
    width = ASys.VirtualWidth;
    rw2 = TruncToInt(width / 2.0f);
    height = ASys.VirtualWidth / aspect;
    rh2 = TruncToInt(height / 2.0f);

    // Chosen now, used from the next frame on: the records of this frame were
    // already made for the old width.
    ASys.VirtualWidth = kLandscapeWidth;
    ASys.ImageScale = 1.0f;
    if (height > width) {
        ASys.VirtualWidth = kPortraitWidth;
        ASys.ImageScale = kPortraitScale;
    }

    iBump = 0;
    if (height > 2.0f * width) {
        iBump = 1;
        height -= kBump;
        rh2 -= static_cast<int>(kBump);
    }
    if (width > 2.0f * height) {
        iBump = 2;
        width -= kBump;
        rw2 -= static_cast<int>(kBump);
    }

    ASys.ViewCentreX = static_cast<float>(rw2);
    ASys.ViewCentreY = static_cast<float>(rh2);
    core.ViewWidthInt = TruncToInt(width);
    core.ViewHeightInt = TruncToInt(height);
    core.RealWidth = ASys.FrameW;
    core.RealHeight = ASys.FrameH;
    ViewScale = 2.0f / ASys.VirtualWidth;
}

void KUVOCore::Begin(int gameNumber, std::string title) {
    std::printf("\n%s\n", kSeparator);
    std::printf("KUVOFrame - v0.95 - (c) Quellmar\n");
    std::fflush(stdout);

    RenderThread = 0;
    GameStartTime = KuvoProcessMillis();

    WindowActive = 1;
    GameNumber = gameNumber;
    MixControllers = 1;
    DebugToggle = 0;
    DebugStats = 1;
    ScreenshotToggle = 0;
    ShotMode = 0;

    std::snprintf(Title, sizeof Title, "%s", title.c_str());

    ASys.SysInit(title.c_str());
    SeedRnd();
}

void KUVOCore::Terminate() {
    ASys.Close();
    const int s = Mills() / 1000;
    std::printf("Runtime : %d:%02d\n", s / 60, s - (s / 60) * 60);
    std::printf("Farewell happy gamer\n");
    std::printf("%s\n\n", kSeparator);
    std::fflush(stdout);
}

void KUVOCore::BufferGame() {
    if (DebugStats == 1) {
        ResetDraw();
        SetSize(0.5f);
        // A paced 60 Hz loop samples 59 about as often as 60; show the rate meant.
        if (UpdatesPerSecond == 59) UpdatesPerSecond = 60;
        if (RendersPerSecond == 59) RendersPerSecond = 60;
        const float bottom = ASys.VirtualWidth / UsableAspect();
        const float y = (iBump == 1) ? bottom - 40.0f : bottom - 8.0f;
        Text(8.0f, y,
             std::string(fstr("Update %ifps - Render %ifps - Polys %i", UpdatesPerSecond, RendersPerSecond,
                              PolysShown)),
             0.0f);
    }
    ASys.RenderBuffer();
    PolysShown = ASys.FramePolys;
    ASys.DrawCount = 0;
    ASys.BlendMode = 1;
}

void KUVOCore::RenderGame(float& width, float& height) {
    RenderCountLive += 1;
    const int now = Mills();
    if (now >= RenderSecond + kSampleMs || now <= RenderSecond - kSampleMs) {
        RenderSecond = now;
        RendersPerSecond = RenderCountLive;
        RenderCountLive = 0;
    }
    RenderThread += 1;
    if (RenderThread > 4) RenderThread = 0;

    ASys.RenderSys(Overscan);
    KuvoViewFromFrame(*this, width, height);
}

void KUVOCore::FlipFullscreen() { ASys.FlipFull(); }

void KUVOCore::SetWindow(int width, int height) { ASys.SetScreen(width, height); }

void KUVOCore::SetTitle(std::string title) {
    std::snprintf(Title, sizeof Title, "%s", title.c_str());
    Rescramble();
}

std::string KUVOCore::GetTitle() { return std::string(Title); }

void KUVOCore::SetNum(int n) {
    GameStartTime = KuvoProcessMillis();
    GameNumber = n;
    Rescramble();
}

int KUVOCore::GetNum() { return GameNumber; }

void KUVOCore::Rest(int ms) {
    if (ms <= 0) return;
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(ms) * 1000));
}

int KUVOCore::Mills() {
    return static_cast<int>(static_cast<long long>(KuvoProcessMillis()) - GameStartTime);
}

int KUVOCore::StartTick() { return GameStartTime; }
