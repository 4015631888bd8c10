// The "Enter Your Name" overlay: twelve character wheels for the online name,
// which lives packed in settings slots 50..55. Every change is written back at
// once; nothing here reads or writes a slot outside those six.

#include <string>

#include "MyGame.h"

namespace {
constexpr int kFirstNameSlot = 50;  // two characters to a slot
constexpr int kCodes = 64;          // the name alphabet: blank, minus, digits, letters
constexpr int kCodeMask = kCodes - 1;
constexpr int kOddShift = 8;        // an odd position's code sits in bits 8..13
constexpr int kWheelReach = 4;      // characters shown above and below the box
constexpr float kWheelAlpha = 0.7f; // the whole wheel, the box's own character included
constexpr float kWheelStep = 64;    // units between the wheel's characters
constexpr int kRepeatFirst = 30;    // updates before a held roll repeats...
constexpr int kRepeatStep = 8;      // ...each repeat this much sooner...
constexpr int kRepeatFastest = 2;   // ...down to this
constexpr float kRolled = 0.3f;     // up/down counts above this, and is let go below it
constexpr float kStepped = 0.4f;    // left/right and the buttons count above this
constexpr float kReleased = 0.3f;

int& SlotOf(MyGame& g, int p) { return g.Settings[kFirstNameSlot + p / 2]; }

int CodeAt(MyGame& g, int p) {
    const unsigned packed = static_cast<unsigned>(SlotOf(g, p));
    return static_cast<int>((p % 2 == 0 ? packed : packed >> kOddShift) & kCodeMask);
}

// A write keeps only the two codes of the slot; any other bits are dropped.
void SetCodeAt(MyGame& g, int p, int code) {
    const int even = p % 2 == 0 ? code : CodeAt(g, p - 1);
    const int odd = p % 2 == 1 ? code : CodeAt(g, p + 1);
    SlotOf(g, p) = (odd & kCodeMask) * 256 + (even & kCodeMask);
}

int Wrap(int code) { return ((code % kCodes) + kCodes) % kCodes; }
}  // namespace

void MyGame::EnterYourName() {
    AddPlatBG();
    ResetDraw();
    SetGradient(255, 255, 64, 1, 255, 128, 64, 1);
    SetSize(1.5f);
    Text(ViewWidth / 2, 32, "Enter Your Name", 1, 1);
    ResetDraw();

    // The cursor is shared with the options list; keep it on a name position.
    if (OptionCursor < 0 || OptionCursor >= zindle::kNameChars) OptionCursor = 0;

    const float y = ViewHeight / 2;
    for (int p = 0; p < zindle::kNameChars; p++) {
        const float x = ViewWidth / 2 - 220 + 40 * static_cast<float>(p);
        const bool atCursor = p == OptionCursor;
        int code = CodeAt(*this, p);
        if (atCursor) SetCol(0, 128, 0, 0.5f);
        else SetCol(0, 0, 0, 0.5f);
        Rect(x, y, 36, 64);
        SetCol(255, 255, 255, 1);
        Text(x, y, std::string(1, static_cast<char>(Char64b(code))), 1, 1);
        Alpha(kWheelAlpha);
        if (!atCursor) continue;

        // The wheel: the four characters before this one above the box, the
        // four after it below, all at one alpha. On a view less than about
        // 660 units high its top character overlaps the title.
        for (int j = -kWheelReach; j <= kWheelReach; j++) {
            const float wy = y + kWheelStep * static_cast<float>(j);
            Text(x, wy, std::string(1, static_cast<char>(Char64b(Wrap(code + j)))), 1, 1);
        }
        // Held, a roll repeats after 30, 22, 14 and 6 updates, then every 2.
        if (Joy(0) > kRolled && KeyLock[0] <= 0) {
            code = Wrap(code - 1);
            KeyLock[0] = KeyLock[2];
            KeyLock[2] -= kRepeatStep;
            PlaySFX(99, 0.5f);
        }
        if (Joy(2) > kRolled && KeyLock[0] <= 0) {
            code = Wrap(code + 1);
            KeyLock[0] = KeyLock[2];
            KeyLock[2] -= kRepeatStep;
            PlaySFX(99, 0.6f);
        }
        SetCodeAt(*this, p, code);
    }

    if (KeyLock[0] > 0) KeyLock[0] -= 1;
    if (KeyLock[2] <= 1) KeyLock[2] = kRepeatFastest;
    if (Joy(0) < kRolled && Joy(2) < kRolled) {
        KeyLock[0] = 0;
        KeyLock[2] = kRepeatFirst;
    }

    if (Joy(1) < kReleased && Joy(3) < kReleased) KeyLock[1] = 0;
    if (Joy(1) > kStepped && KeyLock[1] == 0) {
        KeyLock[1] = 1;
        OptionCursor = (OptionCursor + 1) % zindle::kNameChars;
        PlaySFX(98, 1.2f);
    }
    if (Joy(3) > kStepped && KeyLock[1] == 0) {
        KeyLock[1] = 1;
        OptionCursor = (OptionCursor + zindle::kNameChars - 1) % zindle::kNameChars;
        PlaySFX(98, 0.8f);
    }

    // Advance, erase and done share one latch, so at most one acts an update.
    // Enter also raises "Button 1"; it finishes the name without advancing.
    if (Joy(10) < kReleased && Joy(11) < kReleased && PlayKey(99) == 0 && PlayKey(98) == 0) KeyLock[11] = 0;
    if (Joy(10) > kStepped && PlayKey(98) == 0 && KeyLock[11] == 0 && OptionCursor < zindle::kNameChars - 1) {
        const int code = CodeAt(*this, OptionCursor);
        KeyLock[11] = 1;
        OptionCursor += 1;
        SetCodeAt(*this, OptionCursor, code);  // the next character starts from the same one
        PlaySFX(98, 1.5f);
    }
    if (Joy(11) > kStepped && KeyLock[11] == 0) {
        SetCodeAt(*this, OptionCursor, 0);
        if (OptionCursor > 0) OptionCursor -= 1;
        KeyLock[11] = 1;
        PlaySFX(98, 0.5f);
    }
    if ((Joy(12) > kStepped || Joy(13) > kStepped || PlayKey(99) != 0 || PlayKey(98) != 0) && KeyLock[11] == 0) {
        OptionCursor = 0;
        Overlay = 1;
        LockKeys();
    }
}

std::string MyGame::ShowName() {
    std::string name;
    int used = 0;
    for (int p = 0; p < zindle::kNameChars; p++) {
        const int code = CodeAt(*this, p);
        name += static_cast<char>(Char64b(code));
        if (code > 0) used++;
    }
    // Trailing blanks stay: the score server expects all twelve positions.
    return used > 0 ? name : std::string(zindle::kNoNameText);
}
