// The key redefinition overlay: a drawing of a controller whose parts light up
// as their virtual keys are pressed, a cursor over the parts, capture of a new
// input for the part under it, a test mode and the way out through Save.
// It binds only through SetKey and never to anything but a virtual key 0..15.

#include <cstdio>
#include <initializer_list>
#include <string>

#include "MyGame.h"

namespace {
constexpr float kPressed = 0.5f;

// Cursor rows run -2 (Save) .. 4; columns 0 .. the row's last.
constexpr int kFirstRow = -2;
constexpr int kLastRow = 4;
constexpr int kRows = kLastRow - kFirstRow + 1;
constexpr int kColumns = 4;
constexpr int kTestChoice = -1;
constexpr int kSaveChoice = -2;

// The virtual key (or Test / Save) at each cursor place; unused places hold
// Save but lie beyond their row's last column, so they are never chosen.
constexpr int kChoiceAt[kRows][kColumns] = {
    {kSaveChoice, kSaveChoice, kSaveChoice, kSaveChoice},
    {kTestChoice, kSaveChoice, kSaveChoice, kSaveChoice},
    {14, 15, kSaveChoice, kSaveChoice},
    {0, 13, kSaveChoice, kSaveChoice},
    {3, 1, 12, 11},
    {2, 10, kSaveChoice, kSaveChoice},
    {9, 8, kSaveChoice, kSaveChoice},
};
constexpr int kLastColumn[kRows] = {0, 0, 1, 1, 3, 1, 1};

// Names of the virtual keys as the capture prompt gives them; the right
// stick (4..7) cannot be chosen.
const char* const kKeyCaptions[zindle::kVirtualKeys] = {
    "Up", "Right", "Down", "Left", "", "", "", "", "Start", "Back/Select",
    "Button 1", "Button 2", "Button 3", "Button 4", "Left Shoulder", "Right Shoulder",
};

constexpr int kCaptureState = 66;     // KeyLock entry: 0 idle, 1 wait for confirm up, 2 capturing
constexpr int kCaptureLockUpdates = 2;  // updates during which every held input is ignored
constexpr int kCaptureUpdates = 359;  // a capture gives up after this many more updates
constexpr int kTestUpdates = 359;

struct Rgb {
    float R, G, B;
};
constexpr Rgb kLit = {40, 140, 200};  // a chosen pad part or button label

// The four numbered face buttons, offsets from the pad's centre. An
// unchosen label is a shade lighter than its dark button; a chosen one
// takes the highlight colour.
struct FaceButton {
    int Key;
    float Dx, Dy;
    const char* Label;
    Rgb Normal, Chosen, LabelNormal;
};
const FaceButton kFaceButtons[] = {
    {10, 150, 40, "1", {0, 40, 0}, {0, 140, 0}, {0, 60, 0}},
    {11, 190, 0, "2", {40, 0, 0}, {140, 0, 0}, {60, 0, 0}},
    {12, 110, 0, "3", {40, 40, 0}, {140, 140, 0}, {60, 60, 0}},
    {13, 150, -40, "4", {0, 40, 40}, {0, 140, 140}, {0, 60, 60}},
};

// Directions of the pad in key order (up, right, down, left).
constexpr float kPadDx[4] = {-150, -110, -150, -190};
constexpr float kPadDy[4] = {-40, 0, 40, 0};

void Ink(MyGame& g, Rgb c) { g.SetCol(c.R, c.G, c.B, 1); }

bool Down(MyGame& g, int key) { return g.Joy(key) > kPressed; }

// The controller drawing: every part lights up while its virtual key is held
// and takes the highlight colour while the cursor is on it.
void DrawPad(MyGame& g, float cx, float cy, int choice) {
    const Rgb shoulder = {140, 140, 140}, shoulderLit = {40, 120, 200};
    const Rgb body = {170, 170, 170}, dark = {40, 40, 40};
    for (int side = 0; side < 2; side++) {
        const int key = 14 + side;
        float r = Down(g, key) ? 100.0f : 96.0f;
        if (choice == key) r = 102;
        Ink(g, choice == key ? shoulderLit : shoulder);
        g.Circle(cx + (side == 0 ? -153.0f : 153.0f), cy - 16, r);
    }
    Ink(g, body);
    g.Rect(cx, cy - 5, 290, 190);
    g.Circle(cx - 150, cy, 100);
    g.Circle(cx + 150, cy, 100);
    Ink(g, dark);
    g.Rect(cx - 150, cy, 40, 40);
    for (int key = 0; key < 4; key++) {
        Ink(g, choice == key ? kLit : dark);
        g.Rect(cx + kPadDx[key], cy + kPadDy[key], Down(g, key) ? 50.0f : 40.0f);
    }
    for (const FaceButton& b : kFaceButtons) {
        const float x = cx + b.Dx, y = cy + b.Dy;
        const bool chosen = choice == b.Key;
        Ink(g, chosen ? b.Chosen : b.Normal);
        g.Circle(x, y, Down(g, b.Key) ? 32.0f : 24.0f);
        Ink(g, chosen ? kLit : b.LabelNormal);
        g.Text(x - 2, y + 2, b.Label, 1);
    }
    // Start points right, Back/Select left; the turn stays set for what follows.
    const struct {
        int Key;
        float Dx, Rot;
    } arrows[] = {{8, 26, 90}, {9, -26, -90}};
    for (const auto& a : arrows) {
        const float s = Down(g, a.Key) ? 32.0f : 24.0f;
        g.SetRot(a.Rot);
        Ink(g, choice == a.Key ? kLit : dark);
        g.Tri(cx + a.Dx, cy + 52, s, s * 0.667f);
    }
}

// One of the two buttons above the pad, plain blue while chosen.
void DrawMenuButton(MyGame& g, float x, float y, bool chosen, const char* text, float textGreen) {
    if (chosen) g.SetCol(0, 100, 200, 1);
    else g.SetGradient(0, 120, 120, 1, 0, 60, 120, 1);
    g.Rect(x, y, 200, 32);
    g.SetGradient(255, 255, 0, 1, 255, textGreen, 0, 1);
    g.Text(x, y, text, 1);
}
}  // namespace

void MyGame::RedefineKeys() {
    AddPlatBG();
    ResetDraw();
    const float W = ViewWidth, H = ViewHeight;
    const float cx = W / 2, cy = H - 112;

    // The cursor wraps between Save and the bottom row and stops at a row's ends.
    if (RedefineRow < kFirstRow) RedefineRow = kLastRow;
    if (RedefineRow > kLastRow) RedefineRow = kFirstRow;
    const int row = RedefineRow - kFirstRow;
    if (RedefineColumn < 0) RedefineColumn = 0;
    if (RedefineColumn > kLastColumn[row]) RedefineColumn = kLastColumn[row];
    const int choice = kChoiceAt[row][RedefineColumn];

    DrawPad(*this, cx, cy, choice);

    int& capture = KeyLock[kCaptureState];
    if (capture == 1 && PlayKeyAll(10) == 0) capture = 0;
    if (capture == 2) {
        // Whatever is held in the first updates (the confirm that started the
        // capture, typically) must be let go and pressed again to count.
        const int code = GetKey();
        CaptureDelay -= 1;
        if (CaptureDelay >= 0) LockForGet();
        if (code > 0 && CaptureDelay < 0) {
            capture = 0;
            std::printf("Button Caught %i\n", code);
            std::fflush(stdout);
            if (choice >= 0) SetKey(choice, code);
        }
        CaptureTimer -= 1;
        if (CaptureTimer < 0) capture = 0;  // gave up; the bindings stay as they were
        ResetDraw();
        SetSize(2);
        Text(W / 2, H * 0.5f - 48, "Hit button for", 1);
        if (choice >= 0) Text(W / 2, H * 0.5f + 48, kKeyCaptions[choice], 1);
    }
    if (capture == 0) CaptureTimer = 0;

    if (capture == 0 && TestTimer == 0 && CaptureTimer == 0) {
        if (PlayKeyAll(0) == 0 && PlayKeyAll(3) == 0 && PlayKeyAll(5) == 0 && PlayKeyAll(8) == 0 &&
            PlayKeyAll(10) == 0)
            KeyLock[0] = 0;
        // Only the first input that holds acts; the new place is settled next update.
        if (KeyLock[0] == 0) {
            bool acted = true;
            if (PlayKeyAll(0) != 0) {
                RedefineRow -= 1;
            } else if (PlayKeyAll(8) != 0) {
                RedefineRow += 1;
            } else if (PlayKeyAll(3) != 0) {
                RedefineColumn -= 1;
            } else if (PlayKeyAll(5) != 0) {
                RedefineColumn += 1;
            } else if (PlayKeyAll(10) != 0 && choice >= 0) {
                CaptureDelay = kCaptureLockUpdates;
                capture = 2;
                CaptureTimer = kCaptureUpdates;
            } else if (PlayKeyAll(10) != 0 && choice == kTestChoice) {
                TestTimer = kTestUpdates;
            } else if (PlayKeyAll(10) != 0 && choice == kSaveChoice) {
                Overlay = 1;
                Save();
                LockKeys();
            } else {
                acted = false;
            }
            if (acted) KeyLock[0] = 1;
        }
        ResetDraw();
        DrawMenuButton(*this, cx, cy - 160, choice == kTestChoice, "Test", 0);
        DrawMenuButton(*this, cx, cy - 200, choice == kSaveChoice, "Save", 128);
    }

    // The chosen key's bindings, newest at the bottom; absent controllers' skipped.
    ResetDraw();
    SetSize(0.8f);
    if (choice >= 0) {
        float y = cy - 128;
        for (int slot = zindle::kBindingSlots - 1; slot >= 0; slot--) {
            const int code = KeyValue(choice, slot);
            if (code == 0) continue;
            const std::string name = KeyName(code);
            if (name == "N/A") continue;
            Text(8, y, name, 0);
            y -= 24;
        }
    }

    TestTimer -= 1;
    const int clock = TestTimer > 0 ? TestTimer : CaptureTimer;
    if (clock > 0) {
        ResetDraw();
        SetSize(2);
        const float a = static_cast<float>((clock % 60) * 6);
        SetCol(100, 255, 100, 1);
        Circle(W / 2 + Sin(a) * 48, H / 2 - Cos(a) * 48, 6);
        SetCol(255, 100, 100, 1);
        Text(W / 2, H / 2, fstr("%i", clock / 60), 1);
    }
    if (TestTimer < 0) TestTimer = 0;
    if (CaptureTimer < 0) CaptureTimer = 0;

    // Where each stick stands: the left one drives the pad directions.
    ResetDraw();
    SetCol(255, 255, 255, 0.15f);
    for (float side : {-160.0f, 160.0f}) {
        Circle(cx + side, cy - 160, 32);
        Rect(cx + side, cy - 160, 64, 64);
    }
    SetCol(255, 100, 100, 1);
    Rect(cx - 160 + (Joy(1) - Joy(3)) * 32, cy - 160 + (Joy(2) - Joy(0)) * 32, 6, 6);
    Rect(cx + 160 + (Joy(5) - Joy(7)) * 32, cy - 160 + (Joy(6) - Joy(4)) * 32, 6, 6);
    SetRot(0);
}
