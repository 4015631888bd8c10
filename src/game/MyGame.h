// MyGame: Zindle Flaps itself, built on the KUVOFrame engine API. It only ever
// calls its KUVOCore base (never the backend), and keeps every table as a
// fixed array of the one global game object, ThisGame.
#pragma once

#include <string>

#include "KUVOCore.h"

namespace zindle {
constexpr int kSettings = 200;          // settings slots 0..199
constexpr int kSettingsPerFile = 100;   // slots kept in each file: 0..99 settings, 100..199 save
constexpr int kBindingSlots = 64;       // binding slots of each virtual key
constexpr int kKeyLocks = 100;          // input latches
constexpr int kCreditLines = 1024;      // credits list capacity
constexpr int kParticles = 256;         // particle records
constexpr int kMapSize = 32;            // map cells per side
constexpr int kRippleBands = 16;        // ripple bands (even ones drawn)
constexpr int kRipplesPerBand = 5;      // ripples on each band
constexpr int kScoreEntries = 22000;    // local and online score tables
constexpr int kBoardEntries = 20;       // entries of one score board
constexpr int kOnlineNameBytes = 16;    // one online name, zero-filled
constexpr int kNameChars = 12;          // characters of the online name
constexpr int kVirtualKeys = 16;        // rebindable inputs, the rows of the saved binding table
constexpr int kLoaderLastStep = 64;     // the loader's last numbered step
// What ShowName gives while no character of the online name is set.
constexpr char kNoNameText[] = "Enter Your Name";
}  // namespace zindle

// Pure pieces of the launch and the paced loop, kept apart so each can be
// checked without a window.
namespace zindle {
// Copies the directory part of a program path (up to the last "/" or "\")
// into out, or "." when there is no separator. Returns false, leaving ".",
// when the directory does not fit in size bytes.
bool ProgramDirOf(const char* programPath, char* out, int size);
// Length of one update in 60-Hz frames for the milliseconds since the last
// one, clamped to 5..128 ms so a stall never produces a huge step.
float FrameDeltaOf(float elapsedMs);
// A volume or overscan setting limited to 0..10, as the loop uses it.
int SettingLevel(int value);
// The two words of the end banner for a banner reason.
struct BannerText {
    const char* First;
    const char* Second;
};
BannerText BannerWords(int reason);
// Milliseconds the focused loop may sleep before the nearer of its two due
// times (0 when one is due, or when the clock has gone back past the
// restart margin), never more than one update period.
int ActiveWait(int now, int nextUpdate, int nextRender);
// The score server's host ("name" or "name:port") from the value of
// ZINDLE_SCORE_HOST: the built-in default when it is unset, "" (score
// requests off) when it is empty, else the value as given.
std::string ScoreHostFrom(const char* setting);
// First entry of score board b, or -1 when the board lies outside the score
// tables (a hand-edited save file can hold any board number).
int BoardBase(int b);
}  // namespace zindle

struct Particle {
    float Kind;   // 0 free, 1 drifting, 2 falling, 99 floating points
    float X, Y;
    float VelX, VelY;
    float Angle;
    float Spin;
    float Life;
    float Hue;
    float Frame;  // sprite frame, or the points shown
};

class MyGame : public KUVOCore {
public:
    MyGame();
    ~MyGame();

    // ---- launch and main loop
    int GameVersion;
    int BoardCount;
    int NextUpdate, NextRender;
    int LoadStep;
    int Settings[zindle::kSettings];
    int& SelectedSet = Settings[101];  // chosen level set and score board
    int KeyLock[zindle::kKeyLocks];
    int TouchLock[zindle::kKeyLocks];
    int GameState;    // 0 menu, 1 back to the menu, 10 in a game, 11 start a game
    int Overlay;      // 0 none, 1 options, 2 credits, 3 redefine keys, 4 name entry
    int Paused;
    int MenuPage;     // 0 start page, 1 set-up page
    int LevelSet;     // 1 Set A, 2 Set B, 3 Random
    float LogoScale;
    int EndReason;
    int BannerReason;
    float BannerTime;
    float FrameDelta;
    int PrevTick, ThisTick;
    float StickX, StickY;   // play inputs right - left and down - up, this update
    int PointerDown;
    float ViewWidth, ViewHeight;

    // ---- screens and pause menu
    int PauseChoice;
    int PauseIdle;
    int PauseSlide;
    int GearSpin;
    int PointerChosen;
    float IconCount;

    // ---- credits (the lines; Credits() is the overlay)
    std::string CreditText[zindle::kCreditLines];
    int CreditCount;
    float CreditScroll;
    float CreditSpin;

    // ---- gameplay
    float PlayerX, PlayerY;
    float AnchorX;
    float JumpState;   // 0 standing, 1 in the air, 2 walking back, 4 game over
    float JumpAngle;
    float LookTarget, LookOffset;
    float Combo;
    float Score;
    float RoundNumber;
    float JumpNumber;
    float MessageTimer;
    float UnderWater;
    float CameraDrift;
    float ScrollX, ScrollY;
    float ScrollTargetX, ScrollTargetY;
    float LevelMap[zindle::kMapSize][zindle::kMapSize];   // [column x][row y]
    float RippleX[zindle::kRippleBands][zindle::kRipplesPerBand];
    float RippleY[zindle::kRippleBands][zindle::kRipplesPerBand];
    float RippleFrame[zindle::kRippleBands][zindle::kRipplesPerBand];

    // ---- particles
    Particle Particles[zindle::kParticles];

    // ---- menus, options, redefinition
    int MenuCursor;    // -2 Credits, -1 Quit, 0 Start, 1 Options
    float ListScroll;
    int OptionCursor;
    int OptionY;
    int OptionCount;
    int OptionScroll;
    int DragY;
    int RedefineRow, RedefineColumn;
    int CaptureDelay, CaptureTimer, TestTimer;

    // ---- scores
    int ScoreTable[zindle::kScoreEntries];
    int OnlineScoreTable[zindle::kScoreEntries];
    char OnlineNameTable[zindle::kScoreEntries][zindle::kOnlineNameBytes];
    int OnlineScoresReceived;
    float ShownScore;
    int BoardTimer, BoardPage, BoardSlide;

    // ---- settings and save files: 1 while the file on disk is one Load
    // refused or could not read whole, which Save keeps aside before writing
    int SettingsFileRejected, SaveFileRejected;

    // ================= launch and main loop
    void Launch(const char* programPath);
    void StartUp(const char* programPath);  // Launch's steps before the loop
    void GameLoop();
    int KeepAlive();
    void Update();
    void Render();
    void DrawBanner();

    // ================= screen state machine and pause menu
    void LoopTarget();
    void LoadGame();
    void LoadMenu();
    void FlushGame();
    void EndGame(int reason);
    void Ingame();
    void PauseMenu();
    void LockKeys();

    // ================= asset loading
    void Loader();
    void LoadingScreen();

    // ================= credits
    void AddCredits(std::string line);
    void AddDefaultCredits();
    void Credits();

    // ================= gameplay and scenery
    void GetLev();
    void DoGame();
    void Scroll(float divisor);
    void Gimme(int points, float x, float y, float hue);
    void Gimme(int points, float x, float y);
    float BandSpacing();
    void DrawSky();
    void DrawBackSea(float spacing);
    void DrawBridge();
    void DrawPillars();
    void DrawMapCell(int x, int y);
    void DrawFrontSea(float spacing);

    // ================= particles and backgrounds
    void ThrowParticle(float x, float y, float hue, int colour, int kind, float direction, float speed);
    void DoParticles();
    void MakePlatBG();
    void AddPlatBG();

    // ================= name entry
    void EnterYourName();
    std::string ShowName();

    // ================= start menu
    void DoMenu();
    void Menu_Background();
    void Menu_Start();
    void Menu_Default(std::string list, std::string descriptions);

    // ================= options
    void Options();
    void OptionsList();
    void AddOptionLabel(std::string text);
    int AddLinearOption(int slot, int icon, std::string caption, int max);
    int AddToggleOption(int slot, int icon, std::string caption, std::string text0, std::string text1);

    // ================= key bindings
    void KeyDefaults();
    void RedefineKeys();

    // ================= settings and save files
    void Load();
    void Save();

    // ================= score boards
    void SendScores(int mode);
    std::string ScorePayload(const std::string& name, int mode);  // before scrambling
    void ReadScoreAnswer(const std::string& answer);
    void HandleDefaultScoreboards();
    void DisplayScoreboard();
    void DefaultScoreDisplay(int mode);
};

extern MyGame ThisGame;

// One turn of the paced loop for an outside caller; nothing in the game uses it.
int Heartbeat();
