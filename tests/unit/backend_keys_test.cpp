// Key names, binding insertion, capture with its latches and the evaluation of
// the virtual keys, all driven through the fake input seam.

#include <string>
#include <vector>

#include "backend_fake_input.h"

namespace {

using BackendKeys = FakeInputTest;

int Cell(int k, int s) { return ASys.KeyBindings[s * 16 + k]; }

std::vector<int> List(int k) {
    std::vector<int> codes;
    for (int s = 48; s < 64; s++) {
        if (Cell(k, s) != 0) codes.push_back(Cell(k, s));
    }
    return codes;
}

TEST_F(BackendKeys, NamesOfKeysAndControllers) {
    FillKeyNames();
    ASys.JoyState[98] = ASys.JoyState[99] = 1.0f;     // controller 0 live
    ASys.JoyState[198] = ASys.JoyState[199] = 1.0f;   // controller 1 live
    ASys.JoyState[298] = 1.0f;                        // controller 2 calibrated, absent
    ASys.JoyState[399] = 1.0f;                        // controller 3 present, uncalibrated
    const std::pair<int, const char*> cases[] = {
        {65, "[ A ]"},          {257, "[ Return ]"},     {161, "[ ??? ]"},
        {32, "[ Space ]"},      {92, "[ \\ ]"},          {96, "[ ` ]"},
        {290, "[ F1 ]"},        {314, "[ F25 ]"},        {335, "[ Num Enter ]"},
        {348, "[ Menu ]"},      {1, "[ ??? ]"},          {349, "[ ??? ]"},
        {0, "N/A"},             {-5, "N/A"},             {350, "N/A"},
        {499, "N/A"},           {507, "Joy 1 Button 7"}, {651, "Joy 2 Axis 1"},
        {549, "Joy 1 Button 49"}, {550, "Joy 1 Axis 0"}, {703, "N/A"},
        {803, "N/A"},           {900, "N/A"},
    };
    for (const auto& c : cases) EXPECT_EQ(ASys.ButtonName(c.first), c.second) << c.first;
    ASys.JoyState[199] = 0.0f;
    EXPECT_EQ(ASys.ButtonName(651), "N/A");
}

TEST_F(BackendKeys, DefineKeyKeepsEachCodeOnceAndOnePerController) {
    ASys.DefineKey(10, 90);
    ASys.DefineKey(3, 90);
    EXPECT_EQ(List(10), std::vector<int>{});
    EXPECT_EQ(List(3), std::vector<int>{90});

    ASys.DefineKey(10, 500);
    ASys.DefineKey(10, 600);
    EXPECT_EQ(List(10), (std::vector<int>{500, 600}));
    ASys.DefineKey(10, 501);
    EXPECT_EQ(List(10), (std::vector<int>{600, 501}));
    EXPECT_EQ(Cell(10, 63), 501);

    // Keyboard codes are not limited per virtual key; the 17th drops the oldest.
    for (int code = 65; code < 65 + 17; code++) ASys.DefineKey(5, code);
    std::vector<int> expected;
    for (int code = 66; code < 65 + 17; code++) expected.push_back(code);
    EXPECT_EQ(List(5), expected);

    // Inserting 0 shifts the list and leaves an empty newest slot.
    ASys.DefineKey(3, 0);
    EXPECT_EQ(Cell(3, 62), 90);
    EXPECT_EQ(Cell(3, 63), 0);
}

TEST_F(BackendKeys, DefineKeyOutsideTheTableChangesNothing) {
    ASys.DefineKey(4, 77);
    for (int k : {-1, 16, 1000}) {
        ASys.DefineKey(k, 77);
        ASys.DefineKey(k, 78);
    }
    EXPECT_EQ(List(4), std::vector<int>{77});
    for (int i = 0; i < 1024; i++) {
        if (i != 63 * 16 + 4) {
            EXPECT_EQ(ASys.KeyBindings[i], 0) << i;
        }
    }
    ASys.ClearKeys();
    EXPECT_EQ(Cell(4, 63), 0);
}

TEST_F(BackendKeys, CaptureHonoursTheLatches) {
    Fake.keys[32] = 1;  // Space held when the capture starts
    ASys.LockAll();
    EXPECT_EQ(ASys.AnyKey(), -1);
    Fake.keys[65] = 1;
    EXPECT_EQ(ASys.AnyKey(), 65);
    Fake.keys[32] = Fake.keys[65] = 0;
    EXPECT_EQ(ASys.AnyKey(), -1);
    Fake.keys[32] = 1;
    EXPECT_EQ(ASys.AnyKey(), 32);

    // Keys come before buttons; buttons need a live controller and a release.
    Fake.keys[32] = 0;
    ASys.LockAll();
    ASys.JoyState[100 + 4] = 1.0f;
    EXPECT_EQ(ASys.AnyKey(), -1);
    ASys.JoyState[198] = ASys.JoyState[199] = 1.0f;
    EXPECT_EQ(ASys.AnyKey(), -1);  // held since the lock
    ASys.JoyState[104] = 0.0f;
    EXPECT_EQ(ASys.AnyKey(), -1);
    ASys.JoyState[104] = -0.3f;
    EXPECT_EQ(ASys.AnyKey(), 604);
    ASys.JoyState[150] = 1.0f;  // axes are never captured
    ASys.JoyState[104] = 0.0f;
    EXPECT_EQ(ASys.AnyKey(), -1);
}

TEST_F(BackendKeys, VirtualKeysFromBindingsAndSticks) {
    LiveController(0);
    ASys.DefineKey(10, 32);   // Space
    ASys.DefineKey(10, 500);  // button 0 of controller 0
    ASys.DefineKey(9, 551);   // axis 1 of controller 0
    ASys.DefineKey(8, 349);   // a key code GLFW never reports

    struct Case {
        int space, button0;
        float axis0, axis1, axis2, axis3;
        std::vector<std::pair<int, float>> expect;  // virtual key, value
    };
    const std::vector<Case> cases = {
        {1, 0, 0, 0, 0, 0, {{10, 1.0f}, {0, 0.0f}, {8, 0.0f}}},
        {0, 1, 0, 0, 0, 0, {{10, 1.0f}}},
        {0, 0, 0, 0, 0, 0, {{10, 0.0f}, {9, 0.0f}}},
        {0, 0, 0, -0.8f, 0, 0, {{0, 0.8f}, {2, 0.0f}, {9, -0.8f}, {1, 0.0f}}},
        {0, 0, 0.6f, 0.1f, 0, 0, {{1, 0.6f}, {3, 0.0f}, {2, 0.1f}, {0, 0.0f}}},
        {0, 0, 0, 0.25f, 0, 0, {{2, 0.0f}, {9, 0.0f}}},
        {0, 0, 0, 0, -0.5f, 0.9f, {{7, 0.5f}, {6, 0.9f}, {4, 0.0f}, {5, 0.0f}, {0, 0.0f}}},
    };
    for (const Case& c : cases) {
        Fake.keys[32] = c.space;
        Fake.buttons[0][0] = static_cast<unsigned char>(c.button0);
        Fake.axes[0][0] = c.axis0;
        Fake.axes[0][1] = c.axis1;
        Fake.axes[0][2] = c.axis2;
        Fake.axes[0][3] = c.axis3;
        ASys.PollInputB(0);
        for (const auto& e : c.expect) {
            EXPECT_FLOAT_EQ(ASys.VirtualKeys[e.first], e.second)
                << "key " << e.first << " axes " << c.axis0 << "," << c.axis1;
        }
    }
}

TEST_F(BackendKeys, BoundAxisCountsByMagnitudeSticksOnlyRaise) {
    // Virtual key 0 bound to axis 2 of controller 1; its stick lifts only.
    LiveController(1);
    ASys.DefineKey(0, 652);
    ASys.JoyState[152] = -0.9f;
    ASys.JoyState[151] = 0.5f;  // left stick pushed down: offers -0.5 to key 0
    ASys.PollRedef();
    EXPECT_FLOAT_EQ(ASys.VirtualKeys[0], -0.5f);
    ASys.JoyState[151] = 0.0f;
    ASys.PollRedef();
    EXPECT_FLOAT_EQ(ASys.VirtualKeys[0], -0.9f);
    ASys.JoyState[199] = 0.0f;  // controller gone: nothing reads
    ASys.PollRedef();
    EXPECT_FLOAT_EQ(ASys.VirtualKeys[0], 0.0f);
}

}  // namespace
