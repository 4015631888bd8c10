// The screen state machine: which screen runs each update, the transitions
// into and out of a game, the in-game pause button and the pause menu. Screens
// here never touch the backend; every input edge goes through the latches.

#include <climits>

#include "MyGame.h"

namespace {
// Thresholds of an analogue input: pressed above, released below.
constexpr float kPressed = 0.5f;
constexpr float kReleased = 0.3f;
// The pause buttons sink this far out of view after this many idle updates.
constexpr int kPauseSlideMax = 480;
constexpr int kPauseIdleLimit = -359;
}  // namespace

void MyGame::LoopTarget() {
    if (Overlay == 0) {
        switch (GameState) {
        case 0: DoMenu(); break;
        case 1: LoadMenu(); break;
        case 10:  // while paused the game is neither updated nor drawn
            if (Paused == 0) {
                DoGame();
                Ingame();
            } else if (Paused == 1) {
                PauseMenu();
            }
            break;
        case 11: LoadGame(); break;
        default: break;
        }
    }
    // An overlay replaces the main screen; the game under it stays frozen.
    switch (Overlay) {
    case 1: Options(); break;
    case 2: Credits(); break;
    case 3: RedefineKeys(); break;
    case 4: EnterYourName(); break;
    default: break;
    }
    DoParticles();  // last, so particles draw over every screen
}

void MyGame::LoadGame() {
    FlushGame();
    // Games played; a hand-edited count stops at the top of the int range.
    if (Settings[100] < INT_MAX) Settings[100] += 1;
    PlayerX = 0;
    PlayerY = 0;
    IconCount = 3.0f;
    PlayMusic("bloke.ogg");
    GetLev();
    GameState = 10;
}

void MyGame::LoadMenu() {
    HandleDefaultScoreboards();
    Save();
    StopMusic();
    PlaySFX(95, 1.0f);
    EndReason = 0;
    GameState = 0;
}

void MyGame::FlushGame() {
    Paused = 0;
    EndReason = 0;
    BannerTime = 0;
    // BannerReason survives: the banner may still be shrinking over the menu.
    PlayerX = PlayerY = 0;
    AnchorX = 0;
    JumpState = 0;
    JumpAngle = 0;
    LookTarget = LookOffset = 0;
    Combo = 0;
    Score = 0;
    RoundNumber = 0;
    JumpNumber = 0;
    MessageTimer = 0;
    UnderWater = 0;
    CameraDrift = 0;
    ScrollX = ScrollY = 0;
    ScrollTargetX = ScrollTargetY = 0;
    for (auto& column : LevelMap)
        for (float& cell : column) cell = 0;
    for (int b = 0; b < zindle::kRippleBands; b++)
        for (int e = 0; e < zindle::kRipplesPerBand; e++) {
            RippleX[b][e] = 0;
            RippleY[b][e] = 0;
            RippleFrame[b][e] = 0;
        }
    for (Particle& p : Particles) p = Particle{};
}

void MyGame::EndGame(int reason) {
    if (EndReason != 0) return;  // only the first ending of a game counts
    EndReason = reason;
    BannerReason = reason;
    BannerTime = 0;
}

void MyGame::Ingame() {
    ResetDraw();
    SetSize(1);
    // Without a pointer the button is invisible, yet a click still pauses.
    SetCol(255, 255, 255, PointerChosen ? 0.4f : 0.0f);
    if (Button(50, 32, 32, 0)) {
        Paused = 1;
        LockKeys();
        PauseChoice = 1;
    }
    // The latch waits for the back key too: a controller's Back confirms
    // "resume" in the pause menu and must not pause again while still held.
    if (PlayKey(98) == 0 && PlayKey(99) == 0 && Joy(8) < kReleased) KeyLock[98] = 0;
    if ((PlayKey(99) != 0 || Joy(8) > kPressed) && KeyLock[98] == 0) {
        Paused = 1;
        PauseChoice = 1;
        LockKeys();
    }
}

void MyGame::PauseMenu() {
    ResetDraw();
    SetCLSRot(static_cast<float>(Mills() / 32), 0, 40);
    Text(100, 100, "Paused!", 0);

    const int y = static_cast<int>(ViewHeight - 128 + PauseSlide);  // last update's slide
    PauseIdle -= 1;
    if (PauseIdle >= kPauseIdleLimit) PauseSlide -= 64;
    else PauseSlide += 4;
    if (PauseSlide < 0) PauseSlide = 0;
    if (PauseSlide > kPauseSlideMax) PauseSlide = kPauseSlideMax;
    if (PointerDown > 0) PauseIdle = 0;

    ResetDraw();
    if (Joy(10) < kReleased && Joy(11) < kReleased && Joy(9) < kReleased && Joy(8) < kReleased)
        KeyLock[10] = 0;
    const bool confirm = (Joy(10) > kPressed || Joy(11) > kPressed || Joy(9) > kPressed ||
                          Joy(8) > kPressed) && KeyLock[10] == 0;
    const float fy = static_cast<float>(y);

    // Left to right: quit (0), resume (1), options (2); resume is handled first.
    SetSize(PauseChoice == 1 ? 1.5f : 1.0f);
    bool chosen = Button(50, ViewWidth / 2, fy, 0) != 0;
    if (!chosen && confirm && PauseChoice == 1) {
        chosen = true;
        PauseIdle = 0;
    }
    if (chosen) {
        Paused = 0;
        PlaySFX(98, 1.0f);
        LockKeys();
    }

    SetSize(PauseChoice == 0 ? 1.5f : 1.0f);
    chosen = Button(50, ViewWidth * 0.25f, fy, 1) != 0;
    if (!chosen && confirm && PauseChoice == 0) {
        chosen = true;
        PauseIdle = 0;
    }
    if (chosen) {
        Paused = 0;
        PlaySFX(98, 1.0f);
        LockKeys();
        EndGame(-1);
    }

    SetSize(PauseChoice == 2 ? 1.5f : 1.0f);
    GearSpin = (GearSpin + 1) % 360;
    SetRot(static_cast<float>(-GearSpin));
    chosen = Button(50, ViewWidth * 0.75f, fy, 3) != 0;
    SetRot(static_cast<float>(GearSpin));
    DrawImg(50, ViewWidth * 0.75f, fy, 4);  // the hub turns against the ring
    if (!chosen && confirm && PauseChoice == 2) {
        chosen = true;
        PauseIdle = 0;
    }
    if (chosen) {
        Overlay = 1;  // Paused stays 1: the pause menu returns when the options close
        PlaySFX(98, 1.0f);
        LockKeys();
    }

    if (KeyLock[1] == 0 && Joy(1) > kPressed) {
        KeyLock[1] = 1;
        PauseChoice += 1;
        PlaySFX(99);
        PauseIdle = 0;
    }
    if (KeyLock[1] == 0 && Joy(3) > kPressed) {
        KeyLock[1] = 1;
        PauseChoice -= 1;
        PlaySFX(99);
        PauseIdle = 0;
    }
    if (PauseChoice < 0) PauseChoice = 2;
    if (PauseChoice > 2) PauseChoice = 0;
    if (Joy(3) < kReleased && Joy(1) < kReleased) KeyLock[1] = 0;
}

void MyGame::LockKeys() {
    for (int i = 0; i < zindle::kKeyLocks; i++) {
        KeyLock[i] = 1;
        TouchLock[i] = 1;
    }
}
