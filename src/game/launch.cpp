// The game's spine: the one game object, the launch sequence with every
// default, the paced main loop, one update with its end-of-game banner, and
// one render. It never calls the backend directly and never busy-waits.

#include <cstring>

#include "MyGame.h"
#include "score_keyword.h"  // the one copy, shared with the score server

namespace {

constexpr int kUpdatePeriodMs = 16;      // one update (and one render) while focused
constexpr int kIdlePeriodMs = 150;       // poll and render period while unfocused
constexpr int kRestartMarginMs = 10000;  // a due time this far ahead means the clock went back
constexpr double kMsPerFrame = 16.666666666666668;  // one 60-Hz frame
constexpr float kMinFrameMs = 5.0f;
constexpr float kMaxFrameMs = 128.0f;
constexpr int kMaxSettingLevel = 10;

// Settings slots the spine reads or defaults.
constexpr int kSlotSfxVolume = 0;
constexpr int kSlotMusicVolume = 1;
constexpr int kSlotInvertY = 10;
constexpr int kSlotOverscan = 20;
constexpr int kSlotDebugStats = 22;
constexpr int kSlotLessMotion = 23;
constexpr int kSlotSelectedSet = 101;

constexpr int kBannerLatch = 5;         // KeyLock entry held while the banner shows
constexpr int kBannerLatchValue = 50;
constexpr float kBannerEndFrames = 120.0f;  // banner time at which the menu returns

// The clock is an int of milliseconds; due times are computed with wrapping
// arithmetic so a very long session can never overflow a signed sum.
int Later(int t, int ms) { return static_cast<int>(static_cast<unsigned>(t) + static_cast<unsigned>(ms)); }

// True when the clock stands more than the restart margin before a due time.
bool ClockWentBack(int now, int due) {
    return static_cast<long long>(now) < static_cast<long long>(due) - kRestartMarginMs;
}

}  // namespace

namespace zindle {

bool ProgramDirOf(const char* programPath, char* out, int size) {
    if (out == nullptr || size <= 0) return false;
    out[0] = '\0';
    if (size >= 2) std::memcpy(out, ".", 2);
    if (programPath == nullptr) return true;
    const char* last = nullptr;
    for (const char* p = programPath; *p != '\0'; ++p) {
        if (*p == '/' || *p == '\\') last = p;
    }
    if (last == nullptr) return true;
    size_t length = static_cast<size_t>(last - programPath);
    if (length >= static_cast<size_t>(size)) return false;
    std::memcpy(out, programPath, length);
    out[length] = '\0';
    return true;
}

float FrameDeltaOf(float elapsedMs) {
    float d = elapsedMs;
    if (d > kMaxFrameMs) d = kMaxFrameMs;
    if (d < kMinFrameMs) d = kMinFrameMs;
    return static_cast<float>(d / kMsPerFrame);
}

int SettingLevel(int value) {
    if (value < 0) return 0;
    if (value > kMaxSettingLevel) return kMaxSettingLevel;
    return value;
}

BannerText BannerWords(int reason) {
    switch (reason) {
        case -1: return {"Quit", "Game"};
        case 2: return {"Level", "Complete"};
        case 3: return {"Well", "Done"};
        case 4: return {"Time", "Up"};
        case 5: return {"World", "Complete"};
        case 6: return {"Birdie", "Saved"};
        default: return {"Game", "Over"};
    }
}

int ActiveWait(int now, int nextUpdate, int nextRender) {
    if (ClockWentBack(now, nextUpdate) || ClockWentBack(now, nextRender)) return 0;
    long long due = nextUpdate < nextRender ? nextUpdate : nextRender;
    long long wait = due - static_cast<long long>(now);
    if (wait <= 0) return 0;
    if (wait > kUpdatePeriodMs) return kUpdatePeriodMs;
    return static_cast<int>(wait);
}

}  // namespace zindle

// Every member but the credit lines is zero before this runs (static storage),
// which the launch relies on for the clock and the banner.
MyGame::MyGame() {}
MyGame::~MyGame() {}

void MyGame::Launch(const char* programPath) {
    StartUp(programPath);
    GameLoop();
    // Saved after the engine has shut down, so a window or audio failure at
    // exit can never cost the player's scores.
    Save();
}

void MyGame::StartUp(const char* programPath) {
    bool dirFits = zindle::ProgramDirOf(programPath, ProgramDir, kuvo::kProgramDirSize);

    Begin(kuvo::kGameNumber, "Zindle Flaps");
    if (!dirFits) Debuglog("Program directory too long, using .");
    GameVersion = 1;
    BoardCount = 3;
    SetKeyword(zcommon::kScrambleKeyword);
    Smooth(0);

    for (int& slot : Settings) slot = 0;
    Settings[kSlotSfxVolume] = 7;
    Settings[kSlotMusicVolume] = 7;
    Settings[kSlotInvertY] = 1;
    Settings[kSlotSelectedSet] = 2;
    KeyDefaults();
    Load();
    AddDefaultCredits();

    // Anything but 1 (a hand-edited file) is off, so that F1 still turns
    // the line on from it.
    DebugStats = Settings[kSlotDebugStats] == 1 ? 1 : 0;
    LoadStep = 1;  // assets load inside the first updates, behind the loading screen
    GameState = 0;
    LevelSet = 0;
    MenuPage = 0;
    Overlay = 0;
    LogoScale = 1.0f;
    FlushGame();

    NextUpdate = 0;
    NextRender = 0;
}

void MyGame::GameLoop() {
    QuitFlag = 0;
    while (QuitFlag == 0) KeepAlive();
    Terminate();
}

int MyGame::KeepAlive() {
    // Clamped here because a hand-edited settings file reaches this point
    // unchecked; an overscan past 10 would shrink the picture to nothing.
    SfxVolume = static_cast<float>(zindle::SettingLevel(Settings[kSlotSfxVolume])) / 10.0f;
    MusicLevel = static_cast<float>(zindle::SettingLevel(Settings[kSlotMusicVolume])) / 10.0f;
    Overscan = static_cast<float>(zindle::SettingLevel(Settings[kSlotOverscan])) / 50.0f;

    if (WindowActive == 1) {
        // Each schedule restarts from the clock, so an overrun update never
        // triggers a burst of catch-up updates.
        if (Mills() >= NextUpdate) {
            NextUpdate = Later(Mills(), kUpdatePeriodMs);
            Update();
        }
        if (ClockWentBack(Mills(), NextUpdate)) {
            NextUpdate = Later(Mills(), kUpdatePeriodMs);
            Update();
        }
        if (Mills() >= NextRender) {
            NextRender = Later(Mills(), kUpdatePeriodMs);
            Render();
        }
        if (ClockWentBack(Mills(), NextRender)) {
            NextRender = Later(Mills(), kUpdatePeriodMs);
            Render();
        }
        if (Paused != 1) MusicHandler();
        int wait = zindle::ActiveWait(Mills(), NextUpdate, NextRender);
        if (wait > 0) Rest(wait);
        return 0;
    }

    // Unfocused: the game is frozen; only the poll (which notices focus coming
    // back) and the render run, each advancing from its own previous due time.
    if (Mills() > NextUpdate) {
        NextUpdate = Later(NextUpdate, kIdlePeriodMs);
        PollInput(Settings[kSlotInvertY]);
    }
    if (ClockWentBack(Mills(), NextUpdate)) {
        NextUpdate = Later(Mills(), kIdlePeriodMs);
        PollInput(Settings[kSlotInvertY]);
    }
    if (Mills() > NextRender) {
        NextRender = Later(NextRender, kIdlePeriodMs);
        Render();
    }
    if (ClockWentBack(Mills(), NextRender)) {
        NextRender = Later(Mills(), kIdlePeriodMs);
        Render();
    }
    Rest(kIdlePeriodMs);
    return 0;
}

void MyGame::Update() {
    PointerDown = mdall();
    PrevTick = ThisTick;
    ThisTick = Mills();
    FrameDelta = zindle::FrameDeltaOf(static_cast<float>(static_cast<long long>(ThisTick) - PrevTick));
    StickX = Joy(1) - Joy(3);
    StickY = Joy(2) - Joy(0);
    PollInput(Settings[kSlotInvertY]);
    ResetDraw();
    if (LoadStep > 0) {
        // No screen runs while assets load.
        Loader();
        BufferGame();
        return;
    }
    LoopTarget();
    DrawBanner();
    BufferGame();
}

void MyGame::Render() { RenderGame(ViewWidth, ViewHeight); }

// The banner grows while a game ends and shrinks three times as fast once the
// menu is back; while any of it shows, every input latch is held so no screen
// acts on a press meant for the game that just ended.
void MyGame::DrawBanner() {
    if (EndReason != 0) {
        BannerTime += FrameDelta;
        if (BannerTime > kBannerEndFrames) GameState = 1;
    }
    if (EndReason == 0 && BannerTime > 0) {
        BannerTime -= FrameDelta * 3;
        if (BannerTime < 0) BannerTime = 0;
    }
    if (!(BannerTime > 0)) return;

    ResetDraw();
    float side = BannerTime * 2;
    if (side > 120) side = 120;
    float spin = BannerTime * 3;
    float alpha = BannerTime / 80 + 0.1f;
    if (alpha > 0.4f) alpha = 0.4f;
    float cy = ViewHeight / 2;
    bool lessMotion = Settings[kSlotLessMotion] == 1;
    if (lessMotion) {
        side = 240;
        spin = 360;
        alpha = 0.4f;
    }

    LockKeys();
    KeyLock[kBannerLatch] = kBannerLatchValue;
    zindle::BannerText words = zindle::BannerWords(BannerReason);

    float cx = ViewWidth / 2;
    bool ending = EndReason != 0;
    SetCol(128, 128, 0);
    SetAlpha(alpha);
    SetRot(ending ? spin : 360 - spin);
    Rect(cx, cy, side * 12);
    SetCol(128, 64, 0);
    SetAlpha(alpha);
    SetRot(ending ? -spin : spin - 360);
    Rect(cx, cy, side * 10);
    SetCol(0, 0, 0);
    SetAlpha(alpha);
    SetRot(0);
    Rect(cx, cy, side * 8);

    ResetDraw();
    SetSize(1.5f);
    float slide = (BannerTime - 20) * 32;
    if (slide > 0) slide = 0;
    if (lessMotion) slide = 0;
    Text(ViewWidth * 0.4f - slide, ViewHeight / 2 - 24, words.First, 1);
    Text(ViewWidth * 0.6f + slide, ViewHeight / 2 + 24, words.Second, 1);
}

MyGame ThisGame;

int Heartbeat() { return ThisGame.KeepAlive(); }
