// Key names, key capture (AnyKey/LockAll), binding insertion and the per-poll
// evaluation of the 16 virtual keys. Every live read goes through the KUVOInput
// seam; no table index here is used without a bounds check.

#include <GLFW/glfw3.h>

#include <cmath>

#include "sys_internal.h"

namespace {

constexpr int kControllerBase = 5;   // binding code hundreds of controller 0
constexpr int kCaptureButtons = 50;  // button fields capture examines
constexpr int kAxisField = 50;       // first axis field of a controller
constexpr int kJoyStride = 100;      // JoyState fields per controller
constexpr int kLatchedCodes = 1000;  // LockAll raises latches 0..999
constexpr int kBindFirst = 48;       // first slot of a virtual key's binding list
constexpr int kBindLast = 63;        // newest binding
constexpr float kCaptureDead = 0.25f;
constexpr float kBindDead = 0.25f;

int Cell(int k, int s) { return s * kuvo::kVirtualKeys + k; }

bool Live(int n) {
    const float* joy = &ASys.JoyState[n * kJoyStride];
    return joy[98] == 1.0f && joy[99] == 1.0f;
}

struct NamedRange {
    int first;
    const char* names[26];
};

void Name(int code, const char* name) {
    if (code >= 0 && code < kuvo::kKeyNames) KeyName[code] = name;
}

}  // namespace

void FillKeyNames() {
    for (int i = 0; i < kuvo::kKeyNames; i++) KeyName[i] = "???";

    static const NamedRange ranges[] = {
        {32, {"Space"}},
        {39, {"'"}},
        {44, {",", "-", ".", "/", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
        {59, {";"}},
        {61, {"="}},
        {65, {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
              "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"}},
        {91, {"[", "\\", "]"}},
        {96, {"`"}},
        {256, {"Escape", "Return", "Tab", "Backspace", "Insert", "Delete", "Right", "Left",
               "Down", "Up", "Page Up", "Page Down", "Home", "End"}},
        {280, {"Caps Lock", "Scroll Lock", "Num Lock", "Print Screen", "Pause"}},
        {320, {"Num 0", "Num 1", "Num 2", "Num 3", "Num 4", "Num 5", "Num 6", "Num 7",
               "Num 8", "Num 9", "Num .", "Num /", "Num *", "Num -", "Num +", "Num Enter",
               "Num ="}},
        {340, {"Left Shift", "Left Ctrl", "Left Alt", "Left Super", "Right Shift",
               "Right Ctrl", "Right Alt", "Right Super", "Menu"}},
    };
    for (const NamedRange& r : ranges) {
        for (int i = 0; i < 26 && r.names[i] != nullptr; i++) Name(r.first + i, r.names[i]);
    }
    for (int f = 1; f <= 25; f++) {
        char text[8];
        snprintf(text, sizeof(text), "F%d", f);
        Name(289 + f, text);
    }
    Name(161, "???");
    Name(162, "???");
}

std::string KUVOSys::ButtonName(int code) {
    if (code > 0 && code < kuvo::kKeyNames) return "[ " + KeyName[code] + " ]";
    int h = code / 100;
    if (h >= kControllerBase && h < kControllerBase + kuvo::kControllers &&
        Live(h - kControllerBase)) {
        int b = code % 100;
        if (b < kAxisField) return fstrSys("Joy %i Button %i", h - 4, b);
        return fstrSys("Joy %i Axis %i", h - 4, b - kAxisField);
    }
    return "N/A";
}

int KUVOSys::AnyKey() {
    for (int key = GLFW_KEY_SPACE; key <= GLFW_KEY_LAST; key++) {
        if (!KUVOKeyDown(key)) {
            ignorePress[key] = 0;
        } else if (ignorePress[key] == 0) {
            return key;
        }
    }
    for (int n = 0; n < kuvo::kControllers; n++) {
        if (!Live(n)) continue;
        for (int b = 0; b < kCaptureButtons; b++) {
            float v = JoyState[n * kJoyStride + b];
            int i = (n + kControllerBase) * 100 + b;
            if (v > -kCaptureDead && v < kCaptureDead) {
                ignorePress[i] = 0;
            } else if ((v < -kCaptureDead || v > kCaptureDead) && ignorePress[i] == 0) {
                return i;
            }
        }
    }
    return -1;
}

void KUVOSys::LockAll() {
    for (int i = 0; i < kLatchedCodes; i++) ignorePress[i] = 1;
}

// Left out of the fuzz build's coverage and address checks: its comparisons,
// traced one by one over the whole table, were a third of every save-file
// input's time, none of them depends on the file in a way worth steering,
// and its loops index the fixed table within constant bounds.
#if defined(__clang__)
__attribute__((no_sanitize("coverage", "address")))
#endif
void KUVOSys::DefineKey(int k, int code) {
    if (k < 0 || k >= kuvo::kVirtualKeys) return;
    // A code is bound in one place only, so it leaves every other cell first.
    // Zero is no binding: clearing it would change nothing, and a load binds
    // it a thousand times, once for each empty slot of its key table.
    if (code != 0) {
        for (int i = 0; i < kuvo::kBindingCells; i++) {
            if (KeyBindings[i] == code) KeyBindings[i] = 0;
        }
    }
    for (int s = kBindFirst; s < kBindLast; s++) {
        int moved = KeyBindings[Cell(k, s + 1)];
        KeyBindings[Cell(k, s)] = moved;
        // One binding per controller and virtual key: a new button of the
        // same controller replaces the older one.
        if (code >= 500 && moved / 100 == code / 100) KeyBindings[Cell(k, s)] = 0;
    }
    KeyBindings[Cell(k, kBindLast)] = code;
}

void KUVOSys::ClearKeys() {
    for (int i = 0; i < kuvo::kBindingCells; i++) KeyBindings[i] = 0;
}

void KUVOSys::PollRedef() {
    for (int k = 0; k < kuvo::kVirtualKeys; k++) {
        float v = 0.0f;
        for (int s = kBindFirst; s <= kBindLast; s++) {
            int code = KeyBindings[Cell(k, s)];
            if (code > 0 && code <= 499 && KUVOKeyDown(code)) v = 1.0f;
            if (code / 100 >= kControllerBase) {
                int n = code / 100 - kControllerBase;
                int b = code % 100;
                if (b <= 97 && n < kuvo::kControllers && Live(n)) {
                    float x = JoyState[n * kJoyStride + b];
                    if ((x > kBindDead || x < -kBindDead) && std::fabs(x) > std::fabs(v)) v = x;
                }
            }
        }
        for (int n = 0; n < kuvo::kControllers; n++) {
            if (!Live(n)) continue;
            const float* axis = &JoyState[n * kJoyStride + kAxisField];
            bool left = std::fabs(axis[0]) > kBindDead || std::fabs(axis[1]) > kBindDead;
            bool right = std::fabs(axis[2]) > kBindDead || std::fabs(axis[3]) > kBindDead;
            float lift = -1.0f;  // the value this stick offers key k, if any
            if (left) {
                if (k == 0) lift = -axis[1];
                if (k == 2) lift = axis[1];
                if (k == 1) lift = axis[0];
                if (k == 3) lift = -axis[0];
            }
            if (right) {
                if (k == 4) lift = -axis[3];
                if (k == 6) lift = axis[3];
                if (k == 5) lift = axis[2];
                if (k == 7) lift = -axis[2];
            }
            if (lift > v) v = lift;
        }
        VirtualKeys[k] = v;
    }
}
