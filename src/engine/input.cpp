// The game's whole view of input: the per-update poll step, play keys, virtual
// keys, controllers, the pointer queries and hit tests, and the on-screen
// button. Reads the backend's tables only; an index outside a table reads 0
// and a write outside one does nothing.

#include <cstdio>

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"

namespace {

constexpr int kJoyStride = 100;     // JoyState fields per controller
constexpr int kAxisField = 50;      // first axis field of a controller
constexpr int kButtonFields = 50;   // button fields 0..49 (45..49 always 0)
constexpr int kAxisFields = 48;     // axes 0..47, as binding codes name them
constexpr int kCalibrated = 98;
constexpr int kPresent = 99;
constexpr int kPointers = 10;
constexpr int kPointerStride = 10;
constexpr int kSampleMs = 1000;
constexpr float kPressed = 0.5f;
constexpr int kImageSlotsForButtons = 100;

// ButtonFlags entries the poll step reads.
constexpr int kFlagFocus = 63;
constexpr int kFlagF2 = 64;
constexpr int kFlagF1 = 68;
constexpr int kFlagQuit = 100;

bool Live(int c) {
    const float* j = ASys.JoyState + c * kJoyStride;
    return j[kCalibrated] == 1.0f && j[kPresent] == 1.0f;
}

float JoyField(int c, int field) { return ASys.JoyState[c * kJoyStride + field]; }

// The controller side of a play key: a d-pad button or the left stick beyond
// half way for directions, one face button for the buttons. Strictly beyond.
bool ControllerPlayKey(int c, int n) {
    const float ax = JoyField(c, kAxisField + 0);
    const float ay = JoyField(c, kAxisField + 1);
    auto button = [c](int b) { return JoyField(c, b) > kPressed; };
    switch (n) {
        case 0: return button(10) || ay < -kPressed;
        case 3: return button(13) || ax < -kPressed;
        case 5: return button(11) || ax > kPressed;
        case 8: return button(12) || ay > kPressed;
        case 10: return button(0);
        case 11: return button(1);
        case 12: return button(2);
        case 13: return button(3);
        case 14: return button(4);
        case 15: return button(5);
        case 98: return button(7);
        case 99: return button(6);
        default: return false;
    }
}

bool HasControllerSide(int n) {
    switch (n) {
        case 0: case 3: case 5: case 8:
        case 10: case 11: case 12: case 13: case 14: case 15:
        case 98: case 99:
            return true;
        default:
            return false;
    }
}

// Field f of pointer n, or 0 for a pointer outside the table.
float PointerField(int n, int f) {
    if (n < 0 || n >= kPointers) return 0.0f;
    return ASys.PointerState[n * kPointerStride + f];
}

// One edge-latched toggle: flips value once per press of the key.
void EdgeToggle(int flag, int& latch, int& value) {
    if (flag == 0) latch = 0;
    if (flag == 1 && latch == 0) {
        latch = 1;
        value = 1 - value;
    }
}

}  // namespace

void KUVOCore::PollInput(int mode) {
    UpdateCountLive += 1;
    const int now = Mills();
    if (now >= UpdateSecond + kSampleMs || now <= UpdateSecond - kSampleMs) {
        UpdateSecond = now;
        UpdatesPerSecond = UpdateCountLive;
        UpdateCountLive = 0;
    }

    ASys.PollInputB(mode);

    EdgeToggle(ASys.ButtonFlags[kFlagF1], DebugToggle, DebugStats);
    EdgeToggle(ASys.ButtonFlags[kFlagF2], ScreenshotToggle, ShotMode);
    if (ASys.ButtonFlags[kFlagQuit] == 1) QuitFlag = 1;
    if (ASys.ButtonFlags[kFlagFocus] >= -1) WindowActive = ASys.ButtonFlags[kFlagFocus];

    // Named by the time of this poll, so a screenshot later in the frame
    // carries it.
    const std::string when = DateTime_fileb();
    const char* path = fstr("%s/Screenshot_%i_%s.png", ProgramDir, GameNumber, when.c_str());
    std::snprintf(ASys.ScreenshotPath, sizeof ASys.ScreenshotPath, "%s", path);
}

int KUVOCore::PlayKey(int n) {
    if (n < 0 || n >= kuvo::kButtonFlags) return 0;
    // Entries without a controller side (focus, hot keys) read as they are.
    const int flag = ASys.ButtonFlags[n];
    if (MixControllers != 1 || !HasControllerSide(n)) return flag;
    for (int c = 0; c < kuvo::kControllers; ++c) {
        if (Live(c) && ControllerPlayKey(c, n)) return 1;
    }
    return flag;
}

int KUVOCore::PlayKeyAll(int n) { return PlayKey(n); }

float KUVOCore::Joy(int k) {
    if (k < 0 || k >= kuvo::kVirtualKeyValues) return 0.0f;
    return ASys.VirtualKeys[k];
}

int KUVOCore::KeyValue(int k, int s) {
    if (k < 0 || k >= kuvo::kVirtualKeys || s < 0 || s >= kuvo::kBindingSlots) return 0;
    return ASys.KeyBindings[s * kuvo::kVirtualKeys + k];
}

void KUVOCore::SetKey(int k, int code) {
    if (k < 0 || k >= kuvo::kVirtualKeys) return;
    ASys.DefineKey(k, code);
}

void KUVOCore::FlushKeys() { ASys.ClearKeys(); }

std::string KUVOCore::KeyName(int code) { return ASys.ButtonName(code); }

void KUVOCore::LockForGet() { ASys.LockAll(); }

int KUVOCore::GetKey() { return ASys.AnyKey(); }

float KUVOCore::StickX() {
    float sum = 0.0f;
    for (int c = 0; c < kuvo::kControllers; ++c) {
        if (Live(c)) sum += JoyField(c, kAxisField + 0);
    }
    return sum;
}

float KUVOCore::StickY() {
    float sum = 0.0f;
    for (int c = 0; c < kuvo::kControllers; ++c) {
        if (Live(c)) sum += JoyField(c, kAxisField + 1);
    }
    return sum;
}

int KUVOCore::JoyDown(int b) { return JoyDown(b, 0); }

int KUVOCore::JoyDown(int b, int n) {
    if (n < 0 || n >= kuvo::kControllers || b < 0 || b >= kButtonFields) return 0;
    return (Live(n) && JoyField(n, b) > kPressed) ? 1 : 0;
}

float KUVOCore::JoyAxis(int a) { return JoyAxis(a, 0); }

float KUVOCore::JoyAxis(int a, int n) {
    if (n < 0 || n >= kuvo::kControllers || a < 0 || a >= kAxisFields) return 0.0f;
    return Live(n) ? JoyField(n, kAxisField + a) : 0.0f;
}

void KUVOCore::BumpCursor() { ASys.BumpCursorSys(); }

float KUVOCore::MouseX() { return PointerField(0, 1); }
float KUVOCore::MouseY() { return PointerField(0, 2); }
float KUVOCore::MouseX(int n) { return PointerField(n, 1); }
float KUVOCore::MouseY(int n) { return PointerField(n, 2); }
int KUVOCore::MouseDown() { return static_cast<int>(PointerField(0, 5)); }
int KUVOCore::MouseDown(int n) { return static_cast<int>(PointerField(n, 5)); }
int KUVOCore::MouseDown_Alt() { return static_cast<int>(PointerField(0, 6)); }
int KUVOCore::MouseDown_Alt(int n) { return static_cast<int>(PointerField(n, 6)); }
int KUVOCore::MouseHeld() { return static_cast<int>(PointerField(0, 7)); }
int KUVOCore::MouseHeld(int n) { return static_cast<int>(PointerField(n, 7)); }

// Touch is the same pointer table seen under another name.
float KUVOCore::TouchX() { return MouseX(); }
float KUVOCore::TouchY() { return MouseY(); }
float KUVOCore::TouchX(int n) { return MouseX(n); }
float KUVOCore::TouchY(int n) { return MouseY(n); }
int KUVOCore::TouchDown() { return MouseDown(); }
int KUVOCore::TouchDown(int n) { return MouseDown(n); }
int KUVOCore::TouchDown_Alt() { return MouseDown_Alt(); }
int KUVOCore::TouchDown_Alt(int n) { return MouseDown_Alt(n); }
int KUVOCore::TouchHeld() { return MouseHeld(); }
int KUVOCore::TouchHeld(int n) { return MouseHeld(n); }

int KUVOCore::mdall() {
    for (int n = 0; n < kPointers; ++n) {
        if (PointerField(n, 5) != 0.0f) return 1;
    }
    return 0;
}

// A pointer at or left of and above the origin counts as absent.
int KUVOCore::MouseIn(float x, float y, float w, float h) {
    const float right = x + w;
    const float bottom = y + h;
    for (int n = 0; n < kPointers; ++n) {
        const float px = PointerField(n, 1);
        const float py = PointerField(n, 2);
        if (px <= 0.0f && py <= 0.0f) continue;
        if (x <= px && px <= right && y <= py && py <= bottom) return n + 1;
    }
    return 0;
}

int KUVOCore::MouseIn_Centered(float x, float y, float w, float h) { return MouseIn(x - w / 2, y - h / 2, w, h); }

int KUVOCore::MouseIn_Radius(float x, float y, float r) {
    const float r2 = r * r;
    for (int n = 0; n < kPointers; ++n) {
        const float px = PointerField(n, 1);
        const float py = PointerField(n, 2);
        if (px <= 0.0f && py <= 0.0f) continue;
        const float dx = px - x;
        const float dy = py - y;
        if (dx * dx + dy * dy <= r2) return n + 1;
    }
    return 0;
}

// Reports the 1-based pointer that is over the square and pressed, on every
// update while held; callers latch the edge themselves.
int KUVOCore::Button(int slot, float x, float y, int frame) {
    if (slot < 0 || slot >= kImageSlotsForButtons) return 0;
    const float sizeFactor = ASys.SizeX * ViewScale;  // the factor last given to SetSize
    const float side = static_cast<float>(ASys.SlotFrameSize[slot]) * sizeFactor;
    DrawImg(slot, x, y, frame);
    const int r = MouseIn(x - side / 2, y - side / 2, side, side);
    if (r > 0 && PointerField(r - 1, 5) == 0.0f) return 0;
    return r;
}
