// The credits: the list of lines built once at launch, and the overlay that
// scrolls them over moving coloured lines. The list never grows past its
// table; the overlay closes on any fresh action.

#include "MyGame.h"

namespace {
constexpr float kLineSpacing = 36;
constexpr int kBackgroundLines = 40;
constexpr float kPressed = 0.5f;
constexpr float kReleased = 0.3f;
constexpr int kPointers = 10;

// The default list; the groups are separated by "-=-=-".
const char* const kDefaultCredits[] = {
    "Another game by",
    "",
    "@Quellmar",
    "(no web page yet)",
    "-=-=-",
    "Coded In",
    "C++17",
    "using Quellmar's",
    "KUVOFrame",
    "Framework",
    "-=-=-",
    "Graphics",
    "",
    "Mostly by",
    "@Quellmar",
    "",
    "using",
    "",
    // Every picture is computed by the data generator, so the lines read as
    // what was not used: no paint program on Windows, no drawing app on iOS.
    "no paint program",
    "on Windows",
    "",
    "and no drawing app",
    "on iOS",
    "-=-=-",
    "Font",
    "",
    "DejaVu Sans Bold",
    "by",
    "the DejaVu fonts team",
    "-=-=-",
    "Audio",
    "",
    "Sound Effects",
    "created with",
    "zindle-datagen",
    "",
    "Tweaked with",
    "OpenAL Soft",
    "-=-=-",
    "Music",
    "",
    "Created with",
    "code, not a music app",
    "on iOS",
    "-=-=-",
    "Special Thanks",
    "",
    "The GLFW developers",
    "(glfw.org)",
    "",
    "and",
    "",
    "The OpenAL Soft team",
    "(openal-soft.org)",
    "",
    "Thanks for all the Feedback!",
    "",
    "The Debian project",
    "debian.org",
    "",
    "for years of the",
    "free software this",
    "game is built from",
    "",
    "And a great big hello",
    "to everyone at",
    "forums.debian.net",
    "",
    "Thanks for sticking around",
    "and putting up with",
    "all my ranting!",
    "-=-=-",
};
static_assert(sizeof(kDefaultCredits) / sizeof(kDefaultCredits[0]) == 72, "72 default lines");
}  // namespace

void MyGame::AddCredits(std::string line) {
    CreditScroll = 0;
    CreditSpin = 0;
    // The count stops at the table's last line, so the overlay never reads past it.
    if (CreditCount >= zindle::kCreditLines - 1) return;
    CreditCount += 1;
    CreditText[CreditCount] = line;
}

void MyGame::AddDefaultCredits() {
    CreditCount = -1;
    for (const char* line : kDefaultCredits) AddCredits(line);
}

void MyGame::Credits() {
    AddPlatBG();
    ResetDraw();

    // Any action input, Escape, Enter or a fresh touch closes the credits; the
    // latches keep the same press from acting on the menu underneath.
    if (Joy(8) < kReleased && Joy(10) < kReleased && Joy(9) < kReleased && Joy(11) < kReleased)
        KeyLock[15] = 0;
    if ((Joy(8) > kPressed || Joy(9) > kPressed || Joy(10) > kPressed || Joy(11) > kPressed ||
         PlayKey(99) != 0 || PlayKey(98) != 0) &&
        KeyLock[15] == 0) {
        Overlay = 0;
        LockKeys();
        PlaySFX(98);
    }
    for (int t = 0; t < kPointers; t++) {
        if (TouchDown(t) == 0) TouchLock[t + 1] = 0;
        if (TouchDown(t) >= 1 && TouchLock[t + 1] == 0) {
            Overlay = 0;
            LockKeys();
            PlaySFX(98);
        }
    }

    // A held direction scrolls three times as fast; the list starts over once
    // its last line has passed.
    CreditScroll -= 0.75f;
    if (Joy(0) > kPressed || Joy(1) > kPressed || Joy(2) > kPressed || Joy(3) > kPressed)
        CreditScroll -= 1.5f;
    if (CreditScroll < -(8 + CreditCount) * kLineSpacing) CreditScroll = 0;

    SetSize(1.4f);
    CreditSpin += 10;
    Thick(2);
    const float k = 0.025f;
    const float w = ViewWidth, h = ViewHeight;
    for (int i = 0; i < kBackgroundLines * 2; i += 2) {
        const float x1 = w / 2 + Sin((i * 30 + CreditSpin) * k) * (w + 64) / 2;
        const float y1 = h / 2 + Cos((i * 30 + CreditSpin) * 1.6f * k) * (h + 64) / 2;
        const float x2 = w / 2 + Sin((i * 60 + CreditSpin) * 2 * k) * (w + 64) / 2;
        const float y2 = h / 2 + Cos((i * 60 + CreditSpin) * 1.3f * k) * (h + 64) / 2;
        Depth(i / 120.0f);
        InkRot(i * 5);
        Line(x1, y1, x2, y2);
    }

    Depth(0.8f);
    const int last = CreditCount < zindle::kCreditLines ? CreditCount : zindle::kCreditLines - 1;
    for (int j = 0; j <= last; j++) {
        const float p = (j + 4) * kLineSpacing + CreditScroll;
        float a = 3 - 0.0225f * Abs(p);
        if (a > 1) a = 1;
        if (a <= 0) continue;  // more than about 133 units from the centre
        // Within 50 units of the centre lines sit 36 apart; further out the
        // spacing widens with the distance.
        float f = Abs(p) * 0.01f;
        if (f < 0.5f) f = 0.5f;
        const float y = ViewHeight / 2 + 2 * p * f;
        const float c1 = j * 20.0f, c2 = j * 30.0f;
        SetGradient(Sin(c1) * 150 + 190, Sin(c1 + 120) * 150 + 190, Sin(c1 + 240) * 150 + 190, a,
                    Sin(c2) * 150 + 255, Sin(c2 + 120) * 150 + 255, Sin(c2 + 240) * 150 + 255, a);
        Text(ViewWidth / 2, y, CreditText[j], 1, 1);
    }

    Depth(0.9f);
    ResetDraw();
    SetSize(0.75f);
    Text(ViewWidth - 24, 24, fstr("Plays %i", Settings[100]), 2);
    Text(ViewWidth - 24, ViewHeight - 48, fstr("Real %ix%i", RealWidth, RealHeight), 2);
    Text(ViewWidth - 24, ViewHeight - 24,
         fstr("Virtual %ix%i", static_cast<int>(ViewWidth), static_cast<int>(ViewHeight)), 2);
}
