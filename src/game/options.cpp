// The options overlay: an immediate-mode list rebuilt from the top every
// update, each row drawing itself and taking the input aimed at it. Rows edit
// the settings slots in place; nothing here ever writes outside the table.

#include "MyGame.h"

namespace {
constexpr float kPressed = 0.5f;
constexpr float kReleased = 0.3f;
constexpr int kPointers = 10;

// Layout in view units.
constexpr int kFirstRowY = 64;
constexpr int kHalfHeading = 28;     // a heading advances twice this
constexpr int kRowAdvance = 86;      // a slider or switch row
constexpr int kBandAbove = -127;     // rows above this are neither drawn nor pressed
constexpr int kBandBelow = 128;      // ...nor rows this far below the view
constexpr int kGlideTop = 79;        // the highlighted row glides down from at or above this...
constexpr int kGlideBottom = 80;     // ...and up from below the view's height less this
constexpr int kGlideStep = 16;
constexpr float kBarW = 400, kBarH = 32;
constexpr float kSliderSpan = 320;   // the dots of a slider
constexpr int kLitShift = 8;         // the highlighted row stands out up and left

// Settings slots the rows edit.
constexpr int kSlotSfx = 0, kSlotMusic = 1, kSlotInvertY = 10, kSlotOverscan = 20;
constexpr int kSlotDebugStats = 22, kSlotLessMotion = 23;

bool InBand(int y, float viewHeight) { return y >= kBandAbove && y < viewHeight + kBandBelow; }

bool ValidSlot(int slot) { return slot >= 0 && slot < zindle::kSettings; }

// The layout and pointer state of one slider or switch row, as its frame
// left them for the row's own display and input.
struct RowFrame {
    float X, Y;
    bool Lit;
    bool Visible;
    bool Pressed;
};

// The part every slider and switch shares: the glide that keeps the
// highlighted row on screen, then shadow, frame, bar, icon and caption.
RowFrame BeginRow(MyGame& g, int icon, const std::string& caption) {
    RowFrame r;
    int x = static_cast<int>(g.ViewWidth / 2);
    int y = g.OptionY + g.OptionScroll;
    r.Lit = g.OptionCursor == g.OptionCount;
    // The row is drawn where it stands now; the glide shows from the next update.
    if (r.Lit && y <= kGlideTop) g.OptionScroll += kGlideStep;
    if (r.Lit && y > g.ViewHeight - kGlideBottom) g.OptionScroll -= kGlideStep;
    r.Visible = InBand(y, g.ViewHeight);
    r.Pressed = false;
    if (r.Visible) {
        g.SetCol(0, 0, 0, 0.5f);
        g.Rect(static_cast<float>(x + 1), static_cast<float>(y + 1), kBarW + 4, kBarH + 4);
        g.Alpha(1);
        float grow = 0;
        float brightness = 0.15f;
        if (r.Lit) {
            x -= kLitShift;
            y -= kLitShift;
            grow = 6;
            brightness = 0.35f;
        }
        const float fx = static_cast<float>(x), fy = static_cast<float>(y);
        r.Pressed = g.MouseIn_Centered(fx, fy, kBarW, kBarH) != 0 && g.TouchDown() != 0;
        // Each row takes its hue from its unscrolled place, so every row has its own colour.
        g.InkRot(g.OptionY);
        g.Rect(fx, fy, kBarW + 4 + grow, kBarH + 4 + grow);
        g.InkRot(g.OptionY, 1, brightness);
        g.Rect(fx, fy, kBarW, kBarH);
        g.SetCol(255, 255, 255, 1);
        g.DrawImg(52, fx - 182, fy, icon);
        g.SetSize(0.75f);
        g.Text(fx - 196, fy - 28, caption, 0, 1);
        g.SetSize(1);
    }
    r.X = static_cast<float>(x);
    r.Y = static_cast<float>(y);
    return r;
}

void EndRow(MyGame& g) {
    g.OptionY += kRowAdvance;
    g.OptionCount += 1;
}

// A first tap on a row only highlights it.
void HighlightByPointer(MyGame& g, const RowFrame& r) {
    if (!r.Lit && r.Pressed && g.KeyLock[2] == 0) {
        g.KeyLock[2] = 1;
        g.OptionCursor = g.OptionCount;
        g.PlaySFX(99, 1.5f);
    }
}

// The activation latch (KeyLock 2) opens only once every activating input
// and the mouse button are up.
void ReleaseRowLatch(MyGame& g) {
    if (g.Joy(10) <= kPressed && g.PlayKeyAll(98) == 0 && g.Joy(11) < kReleased && g.MouseDown() == 0)
        g.KeyLock[2] = 0;
}
}  // namespace

void MyGame::Options() {
    AddPlatBG();
    ResetDraw();
    OptionY = kFirstRowY;
    OptionCount = 0;
    OptionsList();
    ResetDraw();

    if (Joy(0) < kReleased && Joy(2) < kReleased) KeyLock[0] = 0;
    if (Joy(0) > kPressed && KeyLock[0] == 0) {
        KeyLock[0] = 1;
        OptionCursor -= 1;
        PlaySFX(99, 1.5f);
    }
    if (Joy(2) > kPressed && KeyLock[0] == 0) {
        KeyLock[0] = 1;
        OptionCursor += 1;
        PlaySFX(99, 1.5f);
    }
    if (Joy(3) < kReleased && Joy(1) < kReleased) KeyLock[5] = 0;
    // No wrap: the ends hold, though the move still sounds.
    if (OptionCursor < 0) OptionCursor = 0;
    if (OptionCursor > OptionCount - 1) OptionCursor = OptionCount - 1;

    if (Joy(9) < kReleased) KeyLock[15] = 0;
    if (Joy(9) > kPressed && KeyLock[15] == 0) {
        Overlay = 0;
        LockKeys();
        Save();
        PlaySFX(98);
        SendScores(0);
    }
    for (int n = 0; n < kPointers; n++)
        if (TouchDown(n) == 0) TouchLock[n + 1] = 0;

    // A press no row has taken drags the list; while it drags no row reacts.
    if (PointerDown > 0 && KeyLock[2] < 1) {
        if (KeyLock[2] == 0) DragY = static_cast<int>(MouseY());
        KeyLock[2] = -1;
        OptionScroll = static_cast<int>(MouseY() - static_cast<float>(DragY) + static_cast<float>(OptionScroll));
        DragY = static_cast<int>(MouseY());
    }
}

void MyGame::OptionsList() {
    // The back key closes on a fresh press only: coming back from name entry
    // by the same key must not close this screen as well. The rows are still
    // built in this update, so the screen never flashes empty.
    if (PlayKey(99) == 0) KeyLock[99] = 0;
    if (PlayKey(99) != 0 && KeyLock[99] == 0) {
        Overlay = 0;
        LockKeys();
        Save();
    }

    if (AddToggleOption(-1, 0, "Back", "Return", "Return") == 1) {
        Overlay = 0;
        LockKeys();
        Save();
    }
    AddOptionLabel("Sound");
    AddLinearOption(kSlotSfx, 1, "SFX Volume", 10);
    AddLinearOption(kSlotMusic, 2, "Music Volume", 10);
    AddOptionLabel("Player");
    const std::string name = ShowName();
    if (AddToggleOption(-1, 10, "Online Name", name, name) == 1) {
        Overlay = 4;
        LockKeys();
        Save();
        OptionCursor = 0;
    }
    AddOptionLabel("Screen");
    if (AddToggleOption(-1, 3, "Fullscreen [F11]", "Switch", "Switch") == 1) {
        FlipFullscreen();
        LockKeys();
        Save();
    }
    AddToggleOption(kSlotLessMotion, 11, "Motion Reduction", "Normal", "Less Motion");
    AddLinearOption(kSlotOverscan, 3, "Overscan", 10);
    AddOptionLabel("Input");
    if (AddToggleOption(-1, 7, "Controller", "Define", "Define") == 1) {
        Overlay = 3;
        RedefineRow = -1;
        RedefineColumn = 0;
        LockKeys();
        Save();
    }
    AddToggleOption(kSlotInvertY, 8, "Invert Thumbstick Y", "Normal", "Inverted");
    AddOptionLabel("System");
    if (AddToggleOption(kSlotDebugStats, 6, "Debug Stats [F1]", "Off", "On") == 1)
        DebugStats = Settings[kSlotDebugStats];

    // Corner marks, so the player can see where overscan cuts the picture.
    ResetDraw();
    Rect(0, 0, 8, 8);
    Rect(0, ViewHeight, 8, 8);
    Rect(ViewWidth, 0, 8, 8);
    Rect(ViewWidth, ViewHeight, 8, 8);
}

void MyGame::AddOptionLabel(std::string text) {
    const int x = static_cast<int>(ViewWidth / 2);
    const int y = OptionY + OptionScroll;
    OptionY += kHalfHeading;
    if (InBand(y, ViewHeight)) {
        SetSize(0.7f);
        Text(static_cast<float>(x - 224), static_cast<float>(y), text, 0);
        SetSize(1);
    }
    OptionY += kHalfHeading;
}

int MyGame::AddToggleOption(int slot, int icon, std::string caption, std::string text0, std::string text1) {
    // Anything but a table slot is an action row: it shows its first text and stores nothing.
    const bool stored = ValidSlot(slot);
    const RowFrame r = BeginRow(*this, icon, caption);
    // A value other than 0 or 1 (a hand-edited file) reads as the first state.
    const bool on = stored && Settings[slot] == 1;
    if (r.Visible) Text(r.X, r.Y, on ? text1 : text0, 1);

    int result = -1;
    HighlightByPointer(*this, r);
    ReleaseRowLatch(*this);
    if (r.Lit && KeyLock[2] == 0 &&
        (Joy(10) > kPressed || PlayKeyAll(98) != 0 || Joy(11) > kPressed || r.Pressed)) {
        KeyLock[2] = 1;
        KeyLock[5] = 1;
        if (stored) Settings[slot] = on ? 0 : 1;
        PlaySFX(98);
        result = 1;
    }
    EndRow(*this);
    return result;
}

int MyGame::AddLinearOption(int slot, int icon, std::string caption, int max) {
    if (max < 0) max = 0;
    int scratch = 0;  // a slot outside the table edits nothing
    int& stored = ValidSlot(slot) ? Settings[slot] : scratch;
    // A value outside the range (a hand-edited file) shows and starts from
    // the nearer end, and stays in its slot until the player moves the slider.
    int value = stored;
    if (value < 0) value = 0;
    if (value > max) value = max;
    const int shown = value;

    const RowFrame r = BeginRow(*this, icon, caption);
    if (r.Visible) {
        const float step = kSliderSpan / static_cast<float>(max + 1);
        for (int i = 0; i <= max; i++) {
            const float xi = r.X - kSliderSpan / 2 + step * static_cast<float>(i + 1);
            Text(xi, r.Y, ".", 1);
            // No row claims this press, so the list drag starts with it and the
            // value stays put while the pointer moves on.
            if (r.Pressed && r.Lit && KeyLock[2] == 0 && MouseIn_Centered(xi, r.Y, step, kBarH) != 0) {
                if (value != i) PlaySFX(99, 1);
                value = i;
            }
            if (value == i) Text(xi, r.Y, "|", 1);
        }
    }

    if ((Joy(10) > kPressed || PlayKeyAll(98) != 0 || Joy(11) > kPressed) && KeyLock[2] == 0 && r.Lit) {
        value = value > 0 ? 0 : max;
        KeyLock[2] = 1;
        PlaySFX(99, 1);
    }
    if (Joy(3) > kPressed && r.Lit && KeyLock[5] == 0 && value > 0) {
        value -= 1;
        KeyLock[5] = 1;
        PlaySFX(99, 1);
    }
    if (Joy(1) > kPressed && r.Lit && KeyLock[5] == 0 && value < max) {
        value += 1;
        KeyLock[5] = 1;
        PlaySFX(99, 1);
    }
    if (value != shown) stored = value;
    HighlightByPointer(*this, r);
    ReleaseRowLatch(*this);
    EndRow(*this);
    return -1;
}
