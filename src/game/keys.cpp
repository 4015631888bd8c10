// Default bindings of the 16 virtual keys: keyboard keys first, then the same
// buttons on each of four controllers. Bindings go through SetKey only, never
// into the binding table directly, so each code stays in one place.

#include "MyGame.h"

namespace {

struct Binding {
    int Key;   // virtual key 0..15
    int Code;  // GLFW key code
};

// In the order they are made: a later binding is a newer entry of its list.
constexpr Binding kKeyboardDefaults[] = {
    {0, 265}, {1, 262}, {2, 264}, {3, 263},         // arrows
    {0, 328}, {1, 326}, {2, 325}, {3, 324},         // keypad 8 6 5 4
    {10, 90}, {11, 88}, {12, 67}, {13, 86}, {14, 66}, {15, 78},  // Z X C V B N
    {0, 87}, {1, 68}, {2, 83}, {3, 65},             // W D S A
    {10, 75}, {11, 76}, {12, 74}, {13, 73}, {14, 85}, {15, 79},  // K L J I U O
    {10, 32}, {10, 257}, {10, 335},                 // Space, Enter, keypad Enter
    {11, 341}, {11, 345},                           // Control
    {12, 342}, {12, 346},                           // Alt
    {13, 340}, {13, 344},                           // Shift
    {8, 256},                                       // Escape
    {9, 259},                                       // Backspace
};

constexpr int kControllers = 4;
constexpr int kFirstControllerBase = 500;  // controller n's codes start at (n + 5) x 100
constexpr int kDpadFirstButton = 10;       // d-pad up, right, down, left are buttons 10..13
constexpr int kFaceButtons = 6;            // buttons 0..5 drive virtual keys 10..15
constexpr int kStartButton = 7;
constexpr int kBackButton = 6;

}  // namespace

void MyGame::KeyDefaults() {
    for (const Binding& b : kKeyboardDefaults) SetKey(b.Key, b.Code);
    for (int n = 0; n < kControllers; ++n) {
        int base = kFirstControllerBase + n * 100;
        for (int dir = 0; dir < 4; ++dir) SetKey(dir, base + kDpadFirstButton + dir);
        for (int j = 0; j < kFaceButtons; ++j) SetKey(10 + j, base + j);
        SetKey(8, base + kStartButton);
        SetKey(9, base + kBackButton);
    }
}
