// A fake keyboard, mouse, window and four controllers behind the backend's
// input seam, for polling tests without a window. Install it in a fixture's
// SetUp and restore KUVOInputGLFW in TearDown; it must never call GLFW.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "sys_internal.h"

struct FakeInputState {
    int keys[512];
    int keyReadsOutside;  // GetKey calls with a code outside 32..348
    int mouse[8];
    double cursorX, cursorY;
    int winW, winH;
    int shouldClose;
    int focused;
    int present[4];
    float axes[4][64];
    int axisCount[4];
    unsigned char buttons[4][64];
    int buttonCount[4];
    const char* name[4];
    bool haveMonitor;
    int monitorW, monitorH;
    double setCursorX, setCursorY;
};

inline FakeInputState Fake;

inline const KUVOInputSource FakeInputTable = {
    [](GLFWwindow*, int key) {
        if (key < 32 || key > 348) Fake.keyReadsOutside++;
        return (key >= 0 && key < 512) ? Fake.keys[key] : 0;
    },
    [](GLFWwindow*, int button) { return (button >= 0 && button < 8) ? Fake.mouse[button] : 0; },
    [](GLFWwindow*, double* x, double* y) {
        *x = Fake.cursorX;
        *y = Fake.cursorY;
    },
    [](GLFWwindow*, int* w, int* h) {
        *w = Fake.winW;
        *h = Fake.winH;
    },
    [](GLFWwindow*) { return Fake.shouldClose; },
    [](GLFWwindow*) { return Fake.focused; },
    [](int joy) { return Fake.present[joy]; },
    [](int joy, int* count) -> const float* {
        *count = Fake.axisCount[joy];
        return Fake.axes[joy];
    },
    [](int joy, int* count) -> const unsigned char* {
        *count = Fake.buttonCount[joy];
        return Fake.buttons[joy];
    },
    [](int joy) -> const char* { return Fake.name[joy]; },
    [](int* w, int* h) {
        *w = Fake.monitorW;
        *h = Fake.monitorH;
        return Fake.haveMonitor;
    },
    [](GLFWwindow*, double x, double y) {
        Fake.setCursorX = x;
        Fake.setCursorY = y;
    },
};

// Resets the fake and every backend table a poll touches.
class FakeInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&Fake, 0, sizeof(Fake));
        Fake.winW = 800;
        Fake.winH = 600;
        KUVOInput = FakeInputTable;
        memset(ASys.ButtonFlags, 0, sizeof(ASys.ButtonFlags));
        memset(ASys.PointerState, 0, sizeof(ASys.PointerState));
        memset(ASys.JoyState, 0, sizeof(ASys.JoyState));
        memset(ASys.VirtualKeys, 0, sizeof(ASys.VirtualKeys));
        memset(ASys.KeyBindings, 0, sizeof(ASys.KeyBindings));
        memset(ignorePress, 0, sizeof(ignorePress));
        ASys.VirtualWidth = 800.0f;
        ASys.FrameW = 800;
        ASys.FrameH = 600;
        ASys.ViewCentreX = 400.0f;
        ASys.ViewCentreY = 300.0f;
        OverscanScaleX = OverscanScaleY = 1.0f;
        Wireframe = 0;
    }
    void TearDown() override {
        KUVOInput = KUVOInputGLFW;
        memset(ASys.JoyState, 0, sizeof(ASys.JoyState));
        memset(ASys.KeyBindings, 0, sizeof(ASys.KeyBindings));
        memset(ignorePress, 0, sizeof(ignorePress));
    }
    // Marks controller c as present, at rest and already calibrated.
    static void LiveController(int c) {
        Fake.present[c] = 1;
        Fake.axisCount[c] = 4;
        Fake.buttonCount[c] = 16;
        ASys.JoyState[c * 100 + 98] = 1.0f;
        ASys.JoyState[c * 100 + 99] = 1.0f;
    }
};
