// Input polling: keyboard flags, the mouse pointer, controllers and the hot
// keys, plus the GLFW input seam (KUVOInput) that tests replace with fakes.
// Every GLFW read of the poll goes through the seam; no table is indexed unchecked.

#include <GLFW/glfw3.h>

#include "sys_internal.h"

namespace {

// ---- the real GLFW side of the seam; each reads nothing without a window, so
// a poll before (or without) a window sees an idle machine.
int GlfwGetKey(GLFWwindow* w, int key) { return w != nullptr ? glfwGetKey(w, key) : 0; }
int GlfwGetMouseButton(GLFWwindow* w, int button) {
    return w != nullptr ? glfwGetMouseButton(w, button) : 0;
}
void GlfwGetCursorPos(GLFWwindow* w, double* x, double* y) {
    *x = 0.0;
    *y = 0.0;
    if (w != nullptr) glfwGetCursorPos(w, x, y);
}
void GlfwGetWindowSize(GLFWwindow* w, int* width, int* height) {
    *width = 0;
    *height = 0;
    if (w != nullptr) glfwGetWindowSize(w, width, height);
}
int GlfwWindowShouldClose(GLFWwindow* w) { return w != nullptr ? glfwWindowShouldClose(w) : 0; }
int GlfwWindowFocused(GLFWwindow* w) {
    return w != nullptr ? glfwGetWindowAttrib(w, GLFW_FOCUSED) : 0;
}
// Joysticks need GLFW running, which a live window implies.
int GlfwJoystickPresent(int joy) { return window != nullptr ? glfwJoystickPresent(joy) : 0; }
const float* GlfwGetJoystickAxes(int joy, int* count) {
    *count = 0;
    return window != nullptr ? glfwGetJoystickAxes(joy, count) : nullptr;
}
const unsigned char* GlfwGetJoystickButtons(int joy, int* count) {
    *count = 0;
    return window != nullptr ? glfwGetJoystickButtons(joy, count) : nullptr;
}
const char* GlfwGetJoystickName(int joy) {
    return window != nullptr ? glfwGetJoystickName(joy) : nullptr;
}
bool GlfwPrimaryMode(int* width, int* height) {
    *width = 0;
    *height = 0;
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    if (monitor == nullptr) return false;
    const GLFWvidmode* mode = glfwGetVideoMode(monitor);
    if (mode == nullptr || mode->width <= 0 || mode->height <= 0) return false;
    *width = mode->width;
    *height = mode->height;
    return true;
}
void GlfwSetCursorPos(GLFWwindow* w, double x, double y) {
    if (w != nullptr) glfwSetCursorPos(w, x, y);
}

constexpr int kJoyStride = 100;
constexpr int kJoyInputs = 45;     // buttons / axes kept per controller
constexpr int kAxisField = 50;
constexpr float kRestLimit = 0.3f;
constexpr float kPointerIdle = -100.0f;  // previous position while not dragging


// The hard-wired play keys, in the order the poll sets them.
struct PlayKeyRow {
    int entry;
    int keys[6];  // 0-terminated
};
const PlayKeyRow kPlayKeys[] = {
    {3, {GLFW_KEY_LEFT, GLFW_KEY_A, GLFW_KEY_KP_4}},
    {5, {GLFW_KEY_RIGHT, GLFW_KEY_D, GLFW_KEY_KP_6}},
    {0, {GLFW_KEY_UP, GLFW_KEY_W, GLFW_KEY_KP_8}},
    {8, {GLFW_KEY_DOWN, GLFW_KEY_S, GLFW_KEY_KP_5, GLFW_KEY_KP_2}},
    {10, {GLFW_KEY_Z, GLFW_KEY_J, GLFW_KEY_SPACE, GLFW_KEY_ENTER, GLFW_KEY_KP_7}},
    {11, {GLFW_KEY_X, GLFW_KEY_K, GLFW_KEY_LEFT_CONTROL, GLFW_KEY_RIGHT_CONTROL, GLFW_KEY_KP_9}},
    {12, {GLFW_KEY_C, GLFW_KEY_L, GLFW_KEY_LEFT_SHIFT, GLFW_KEY_RIGHT_SHIFT}},
    {13, {GLFW_KEY_V, GLFW_KEY_I, GLFW_KEY_LEFT_ALT, GLFW_KEY_RIGHT_ALT}},
    {14, {GLFW_KEY_B, GLFW_KEY_U}},
    {15, {GLFW_KEY_N, GLFW_KEY_O}},
};

// Window-size presets: Q with a digit reopens the window at a fixed aspect.
const double kPresetRatio[7] = {1.3333, 1.77777, 0.75, 1.775, 0.5633, 2.16, 0.4618};
constexpr int kPresetWide = 5;  // the 2.16 preset, which may need a shorter height

void PollMouse() {
    float* p = ASys.PointerState;  // pointer 0
    p[5] = KUVOInput.GetMouseButton(window, GLFW_MOUSE_BUTTON_LEFT) != 0 ? 1.0f : 0.0f;
    p[6] = KUVOInput.GetMouseButton(window, GLFW_MOUSE_BUTTON_RIGHT) != 0 ? 1.0f : 0.0f;
    p[3] = p[1];
    p[4] = p[2];
    p[7] = p[7] + 1.0f;
    if (p[5] == 0.0f) {
        p[7] = 0.0f;
        p[3] = kPointerIdle;
        p[4] = kPointerIdle;
    }
    double cx = 0.0, cy = 0.0;
    KUVOInput.GetCursorPos(window, &cx, &cy);
    int w = 0, h = 0;
    KUVOInput.GetWindowSize(window, &w, &h);
    // The cursor comes in window coordinates, which differ from framebuffer
    // pixels under display scaling: scale by the window's own width. One
    // width-based scale for both axes, so view units stay square.
    float s = w > 0 ? ASys.VirtualWidth / static_cast<float>(w) : 0.0f;
    p[1] = static_cast<float>((cx - w / 2) * OverscanScaleX * s + ASys.ViewCentreX);
    p[2] = static_cast<float>((cy - h / 2) * OverscanScaleY * s + ASys.ViewCentreY);
    p[8] = p[1] - p[3];
    p[9] = p[2] - p[4];
    if (p[3] < 0.0f) {
        p[8] = 0.0f;
        p[9] = 0.0f;
    }
    if (w != wasCanvasWidth || h != wasCanvasHeight) {
        wasCanvasWidth = w;
        wasCanvasHeight = h;
    }
}

void PollPresets() {
    if (!KUVOKeyDown(GLFW_KEY_Q)) return;
    int mw = 0, mh = 0;
    if (!KUVOInput.PrimaryMode(&mw, &mh)) return;
    int h = mh - 128;
    for (int i = 0; i < 7; i++) {
        if (!KUVOKeyDown(GLFW_KEY_1 + i)) continue;
        if (i == kPresetWide && h * kPresetRatio[i] > mw) h -= 64;
        isFullscreen = 0;
        ASys.SetScreen(static_cast<int>(h * kPresetRatio[i]), h);
    }
}

void PollController(int c, int mode) {
    float* joy = &ASys.JoyState[c * kJoyStride];
    joy[99] = 0.0f;
    if (KUVOInput.JoystickPresent(c) == 0) return;
    joy[99] = 1.0f;

    const char* name = KUVOInput.GetJoystickName(c);
    int na = 0, nb = 0;
    const float* axes = KUVOInput.GetJoystickAxes(c, &na);
    const unsigned char* buttons = KUVOInput.GetJoystickButtons(c, &nb);
    if (axes == nullptr || na < 0) na = 0;
    if (buttons == nullptr || nb < 0) nb = 0;
    if (na > kJoyInputs) na = kJoyInputs;
    if (nb > kJoyInputs) nb = kJoyInputs;

    bool atRest = true;
    for (int i = 0; i < na; i++) {
        joy[kAxisField + i] = axes[i];
        if (i < 4 && (axes[i] > kRestLimit || axes[i] < -kRestLimit)) atRest = false;
    }
    if (mode == 1) {
        joy[51] = -joy[51];
        joy[53] = -joy[53];
    }
    for (int i = 0; i < nb; i++) {
        joy[i] = static_cast<float>(buttons[i]);
        if (joy[i] > kRestLimit) atRest = false;
    }
    if (atRest && joy[98] == 0.0f) {
        printf("\n\n--=--\nController ID '%s'\n--=--\n\n", name != nullptr ? name : "");
    }
    if (atRest) joy[98] = 1.0f;
    // Until a controller has once been seen at rest it reports nothing, so a
    // button held while plugging in cannot act.
    if (joy[98] == 0.0f) {
        for (int i = 0; i < na; i++) joy[kAxisField + i] = 0.0f;
        for (int i = 0; i < nb; i++) joy[i] = 0.0f;
    }
}

}  // namespace

const KUVOInputSource KUVOInputGLFW = {
    GlfwGetKey,          GlfwGetMouseButton,     GlfwGetCursorPos,      GlfwGetWindowSize,
    GlfwWindowShouldClose, GlfwWindowFocused,    GlfwJoystickPresent,   GlfwGetJoystickAxes,
    GlfwGetJoystickButtons, GlfwGetJoystickName, GlfwPrimaryMode,       GlfwSetCursorPos,
};
KUVOInputSource KUVOInput = KUVOInputGLFW;

// Outside GLFW's range glfwGetKey reports an error on every call, so a stray
// loaded binding code would flood standard error each poll.
int KUVOKeyDown(int key) {
    if (key < GLFW_KEY_SPACE || key > GLFW_KEY_LAST) return 0;
    return KUVOInput.GetKey(window, key) == GLFW_PRESS ? 1 : 0;
}

void KUVOSys::PollInputB(int mode) {
    UpdateFrames = static_cast<int>(static_cast<unsigned>(UpdateFrames) + 1u);
    FlushKeys();

    PollMouse();

    if (KUVOKeyDown(GLFW_KEY_ESCAPE)) ButtonFlags[99] = 1;
    if (KUVOKeyDown(GLFW_KEY_ENTER)) ButtonFlags[98] = 1;
    if (KUVOKeyDown(GLFW_KEY_F4)) ButtonFlags[100] = 1;
    if (KUVOInput.WindowShouldClose(window) != 0) ButtonFlags[100] = 1;
    // Without a window there is nothing to play in: ask to quit, so the game
    // still shuts down and saves the normal way.
    if (WindowFailed != 0 && window == nullptr) ButtonFlags[100] = 1;
    if (KuvoStopSignalled()) ButtonFlags[100] = 1;
    for (const PlayKeyRow& row : kPlayKeys) {
        for (int i = 0; i < 6 && row.keys[i] != 0; i++) {
            if (KUVOKeyDown(row.keys[i])) ButtonFlags[row.entry] = 1;
        }
    }
    if (KUVOKeyDown(GLFW_KEY_F10)) ButtonFlags[66] = 1;

    // No latch: the window is reopened at once, which also drops the key.
    if (KUVOKeyDown(GLFW_KEY_F11)) {
        ButtonFlags[65] = 1;
        FlipFull();
    }
    Wireframe = 0;
    if (KUVOKeyDown(GLFW_KEY_F9)) {
        ButtonFlags[67] = 1;
        Wireframe = 1;
    }
    if (KUVOKeyDown(GLFW_KEY_F1)) ButtonFlags[68] = 1;
    if (KUVOKeyDown(GLFW_KEY_F2)) ButtonFlags[64] = 1;

    ButtonFlags[63] = ButtonFlags[63] - 1;
    if (KUVOInput.WindowFocused(window) != 0) ButtonFlags[63] = 1;

    PollPresets();

    for (int c = 0; c < kuvo::kControllers; c++) PollController(c, mode);

    PollRedef();
}

void KUVOSys::FlushKeys() {
    for (int i = 0; i < kuvo::kButtonFlags - 1; i++) ButtonFlags[i] = 0;
}

int KUVOSys::IsBut(int n) {
    if (n < 0 || n >= kuvo::kButtonFlags) return 0;
    return ButtonFlags[n];
}

float KUVOSys::vKey(int n) {
    if (n < 0 || n >= kuvo::kVirtualKeyValues) return 0.0f;
    return VirtualKeys[n];
}

float KUVOSys::vKey(int n, int row) {
    long long i = static_cast<long long>(n) + static_cast<long long>(row) * kuvo::kVirtualKeys;
    if (i < 0 || i >= kuvo::kVirtualKeyValues) return 0.0f;
    return VirtualKeys[i];
}

void KUVOSys::BumpCursorSys() {
    int w = 0, h = 0;
    KUVOInput.GetWindowSize(window, &w, &h);
    KUVOInput.SetCursorPos(window, w + 16, h / 2);
}
