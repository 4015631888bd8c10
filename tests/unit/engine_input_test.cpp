// The engine's input API over the backend's tables: play keys with controllers,
// virtual keys, bindings, sticks, pointer queries and hit tests, the on-screen
// button, and the per-update poll step driven through the input seam.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "KUVOCore.h"
#include "core_internal.h"
#include "sys_internal.h"

namespace {

KUVOCore& Core() {
    static KUVOCore core;
    return core;
}

void ClearTables() {
    std::memset(ASys.ButtonFlags, 0, sizeof ASys.ButtonFlags);
    std::memset(ASys.PointerState, 0, sizeof ASys.PointerState);
    std::memset(ASys.JoyState, 0, sizeof ASys.JoyState);
    std::memset(ASys.VirtualKeys, 0, sizeof ASys.VirtualKeys);
}

void MakeLive(int c, bool live = true) {
    ASys.JoyState[c * 100 + 98] = live ? 1.0f : 0.0f;
    ASys.JoyState[c * 100 + 99] = 1.0f;
}

class EngineInput : public ::testing::Test {
protected:
    void SetUp() override {
        ClearTables();
        Core().MixControllers = 1;
    }
    void TearDown() override { ClearTables(); }
};

TEST_F(EngineInput, PlayKeysFromKeyboardAndControllers) {
    KUVOCore& k = Core();
    ASys.ButtonFlags[98] = 1;
    ASys.ButtonFlags[10] = 1;  // Enter sets both
    EXPECT_EQ(k.PlayKey(98), 1);
    EXPECT_EQ(k.PlayKey(10), 1);
    EXPECT_EQ(k.PlayKeyAll(98), 1);
    ClearTables();

    // Each play key's controller side on controller 2.
    struct Case { int key; int field; float value; };
    const Case cases[] = {
        {0, 10, 1}, {0, 51, -0.51f}, {3, 13, 1}, {3, 50, -0.6f}, {5, 11, 1}, {5, 50, 0.6f},
        {8, 12, 1}, {8, 51, 0.51f},  {10, 0, 1}, {11, 1, 1},     {12, 2, 1}, {13, 3, 1},
        {14, 4, 1}, {15, 5, 1},      {98, 7, 1}, {99, 6, 1},
    };
    for (const Case& c : cases) {
        ClearTables();
        MakeLive(2);
        ASys.JoyState[200 + c.field] = c.value;
        EXPECT_EQ(k.PlayKey(c.key), 1) << "key " << c.key << " field " << c.field;
        ASys.JoyState[298] = 0.0f;  // not yet calibrated: adds nothing
        EXPECT_EQ(k.PlayKey(c.key), 0) << "key " << c.key;
    }

    ClearTables();
    MakeLive(0);
    ASys.JoyState[51] = -0.5f;  // exactly half way is not pressed
    EXPECT_EQ(k.PlayKey(0), 0);
    ASys.JoyState[51] = -0.51f;
    EXPECT_EQ(k.PlayKey(0), 1);
    k.MixControllers = 0;
    EXPECT_EQ(k.PlayKey(0), 0);
    k.MixControllers = 1;
    ASys.JoyState[99] = 0.0f;  // unplugged
    EXPECT_EQ(k.PlayKey(0), 0);

    // Other entries read as they are; indices outside the table read 0.
    ASys.ButtonFlags[63] = -1;
    EXPECT_EQ(k.PlayKey(63), -1);
    EXPECT_EQ(k.PlayKey(-1), 0);
    EXPECT_EQ(k.PlayKey(128), 0);
    EXPECT_EQ(k.PlayKey(100000), 0);
}

TEST_F(EngineInput, VirtualKeysBindingsAndSticks) {
    KUVOCore& k = Core();
    ASys.VirtualKeys[3] = 0.75f;
    EXPECT_FLOAT_EQ(k.Joy(3), 0.75f);
    EXPECT_FLOAT_EQ(k.Joy(20), 0.0f);
    EXPECT_FLOAT_EQ(k.Joy(-1), 0.0f);
    EXPECT_FLOAT_EQ(k.Joy(128), 0.0f);

    int saved[kuvo::kBindingCells];
    std::memcpy(saved, ASys.KeyBindings, sizeof saved);
    std::memset(ASys.KeyBindings, 0, sizeof ASys.KeyBindings);
    ASys.KeyBindings[63 * 16 + 10] = 90;
    EXPECT_EQ(k.KeyValue(10, 63), 90);
    EXPECT_EQ(k.KeyValue(10, 62), 0);
    EXPECT_EQ(k.KeyValue(16, 0), 0);
    EXPECT_EQ(k.KeyValue(-1, 63), 0);
    EXPECT_EQ(k.KeyValue(0, 64), 0);
    k.SetKey(3, 65);
    EXPECT_EQ(k.KeyValue(3, 63), 65);
    int before[kuvo::kBindingCells];
    std::memcpy(before, ASys.KeyBindings, sizeof before);
    k.SetKey(16, 66);
    k.SetKey(-1, 66);
    EXPECT_EQ(std::memcmp(before, ASys.KeyBindings, sizeof before), 0);
    k.FlushKeys();
    EXPECT_EQ(k.KeyValue(3, 63), 0);
    std::memcpy(ASys.KeyBindings, saved, sizeof saved);

    MakeLive(0);
    MakeLive(1);
    MakeLive(3, false);
    ASys.JoyState[50] = 0.25f;
    ASys.JoyState[150] = 0.5f;
    ASys.JoyState[350] = 0.9f;  // not live: ignored
    ASys.JoyState[51] = -0.5f;
    EXPECT_FLOAT_EQ(k.StickX(), 0.75f);
    EXPECT_FLOAT_EQ(k.StickY(), -0.5f);

    ASys.JoyState[100 + 4] = 1.0f;
    ASys.JoyState[100 + 50 + 3] = -0.4f;
    ASys.JoyState[300 + 4] = 1.0f;
    EXPECT_EQ(k.JoyDown(4, 1), 1);
    EXPECT_EQ(k.JoyDown(4), 0);
    EXPECT_EQ(k.JoyDown(4, 3), 0);
    EXPECT_FLOAT_EQ(k.JoyAxis(3, 1), -0.4f);
    EXPECT_FLOAT_EQ(k.JoyAxis(0), 0.25f);
    EXPECT_FLOAT_EQ(k.JoyAxis(0, 3), 0.0f);
    // Outside the controller table nothing is read.
    EXPECT_EQ(k.JoyDown(4, 4), 0);
    EXPECT_EQ(k.JoyDown(-1, 0), 0);
    EXPECT_EQ(k.JoyDown(99, 0), 0);
    EXPECT_FLOAT_EQ(k.JoyAxis(48, 0), 0.0f);
    EXPECT_FLOAT_EQ(k.JoyAxis(-1, 0), 0.0f);
    EXPECT_FLOAT_EQ(k.JoyAxis(0, -1), 0.0f);
}

TEST_F(EngineInput, PointerQueries) {
    KUVOCore& k = Core();
    float* p = ASys.PointerState;
    p[1] = 120.5f;
    p[2] = 80.25f;
    p[5] = 1.0f;
    p[6] = 1.0f;
    p[7] = 3.0f;
    EXPECT_FLOAT_EQ(k.MouseX(), 120.5f);
    EXPECT_FLOAT_EQ(k.MouseY(), 80.25f);
    EXPECT_FLOAT_EQ(k.TouchX(0), 120.5f);
    EXPECT_FLOAT_EQ(k.TouchY(0), 80.25f);
    EXPECT_EQ(k.MouseDown(), 1);
    EXPECT_EQ(k.TouchDown(), 1);
    EXPECT_EQ(k.MouseDown_Alt(), 1);
    EXPECT_EQ(k.TouchDown_Alt(0), 1);
    EXPECT_EQ(k.MouseHeld(), 3);
    EXPECT_EQ(k.TouchHeld(), 3);
    EXPECT_EQ(k.mdall(), 1);
    for (int n : {-1, 10, 1000}) {
        EXPECT_FLOAT_EQ(k.MouseX(n), 0.0f);
        EXPECT_FLOAT_EQ(k.MouseY(n), 0.0f);
        EXPECT_EQ(k.MouseDown(n), 0);
        EXPECT_EQ(k.MouseDown_Alt(n), 0);
        EXPECT_EQ(k.MouseHeld(n), 0);
    }
    p[5] = 0.0f;
    EXPECT_EQ(k.mdall(), 0);
    p[45] = 1.0f;  // pointer 4's button
    EXPECT_EQ(k.mdall(), 1);
}

TEST_F(EngineInput, HitTests) {
    KUVOCore& k = Core();
    float* p = ASys.PointerState;
    // At the origin the pointer counts as absent, even inside the box.
    EXPECT_EQ(k.MouseIn(-10, -10, 20, 20), 0);
    p[1] = 10;
    p[2] = 20;
    EXPECT_EQ(k.MouseIn(10, 20, 5, 5), 1);  // edges included
    EXPECT_EQ(k.MouseIn(5, 15, 5, 5), 1);
    EXPECT_EQ(k.MouseIn(10.5f, 20, 5, 5), 0);
    EXPECT_EQ(k.MouseIn_Centered(12, 22, 4, 4), 1);
    EXPECT_EQ(k.MouseIn_Centered(13, 22, 4, 4), 0);
    EXPECT_EQ(k.MouseIn_Radius(13, 24, 5), 1);
    EXPECT_EQ(k.MouseIn_Radius(13, 24, 4.99f), 0);
    // A later pointer reports its own 1-based number.
    p[1] = 0;
    p[2] = 0;
    p[31] = 300;
    p[32] = 0;
    EXPECT_EQ(k.MouseIn(290, -5, 20, 10), 4);
    EXPECT_EQ(k.MouseIn_Radius(300, 0, 1), 4);
}

TEST_F(EngineInput, OnScreenButton) {
    KUVOCore& k = Core();
    const int slot = 7;
    const int savedFrames = ASys.SlotFrames[slot];
    const int savedSide = ASys.SlotFrameSize[slot];
    ASys.SlotFrames[slot] = 1;
    ASys.SlotFrameSize[slot] = 64;
    ASys.SizeX = 1.0f / ViewScale;  // size 1
    ASys.DrawCount = 0;

    EXPECT_EQ(k.Button(100, 50, 50, 0), 0);
    EXPECT_EQ(k.Button(-1, 50, 50, 0), 0);
    EXPECT_EQ(ASys.DrawCount, 0);  // nothing drawn for a slot outside 0..99

    float* p = ASys.PointerState;
    p[1] = 80;  // inside 18..82
    p[2] = 60;
    EXPECT_EQ(k.Button(slot, 50, 50, 0), 0);  // over it, not pressed
    EXPECT_EQ(ASys.DrawCount, 1);
    p[5] = 1.0f;
    EXPECT_EQ(k.Button(slot, 50, 50, 0), 1);
    p[1] = 83;
    EXPECT_EQ(k.Button(slot, 50, 50, 0), 0);
    ASys.SizeX = 1.5f / ViewScale;  // a larger button reaches it
    EXPECT_EQ(k.Button(slot, 50, 50, 0), 1);

    ASys.DrawCount = 0;
    ASys.SlotFrames[slot] = savedFrames;
    ASys.SlotFrameSize[slot] = savedSide;
}

// ---- the poll step, through fake keys

std::set<int> gKeysDown;
int gFocused = 1;
int FakeKey(GLFWwindow*, int key) { return gKeysDown.count(key) ? 1 : 0; }
int FakeFocused(GLFWwindow*) { return gFocused; }

class EnginePoll : public EngineInput {
protected:
    void SetUp() override {
        EngineInput::SetUp();
        KUVOInput.GetKey = FakeKey;
        KUVOInput.WindowFocused = FakeFocused;
        gKeysDown.clear();
        gFocused = 1;
    }
    void TearDown() override {
        KUVOInput = KUVOInputGLFW;
        gKeysDown.clear();
        EngineInput::TearDown();
    }
    // Holds the keys for one poll; the table is set as well so the step is
    // exercised whether the poll clears and refills it or not.
    void Poll(std::initializer_list<int> keys, std::initializer_list<int> flags) {
        gKeysDown = keys;
        for (int f : flags) ASys.ButtonFlags[f] = 1;
        ASys.ButtonFlags[63] = gFocused ? 1 : -1;
        Core().PollInput(1);
        for (int f : flags) ASys.ButtonFlags[f] = 0;
    }
};

TEST_F(EnginePoll, F1AndF2ToggleOncePerPress) {
    KUVOCore& k = Core();
    k.DebugStats = 0;
    k.ShotMode = 0;
    DebugToggle = 0;
    ScreenshotToggle = 0;
    const int f1 = 290, f2 = 291;
    Poll({f1}, {68});
    EXPECT_EQ(k.DebugStats, 1);
    Poll({f1}, {68});
    Poll({f1}, {68});
    EXPECT_EQ(k.DebugStats, 1);  // held: no further toggles
    Poll({}, {});
    Poll({f1}, {68});
    EXPECT_EQ(k.DebugStats, 0);  // released and pressed again
    Poll({}, {});

    Poll({f2}, {64});
    Poll({f2}, {64});
    EXPECT_EQ(k.ShotMode, 1);
    Poll({}, {});
    Poll({f2}, {64});
    EXPECT_EQ(k.ShotMode, 0);
    EXPECT_EQ(k.DebugStats, 0);
}

TEST_F(EnginePoll, QuitFocusAndScreenshotPath) {
    KUVOCore& k = Core();
    k.QuitFlag = 0;
    std::snprintf(k.ProgramDir, sizeof k.ProgramDir, "%s", "/tmp/zf");
    k.GameNumber = 559;
    gFocused = 0;
    Poll({}, {});
    EXPECT_EQ(k.WindowActive, -1);
    EXPECT_EQ(k.QuitFlag, 0);
    gFocused = 1;
    Poll({}, {});
    EXPECT_EQ(k.WindowActive, 1);
    Poll({293}, {100});  // F4
    EXPECT_EQ(k.QuitFlag, 1);
    k.QuitFlag = 0;

    const std::string path = ASys.ScreenshotPath;
    const std::string head = "/tmp/zf/Screenshot_559_";
    ASSERT_EQ(path.size(), head.size() + 19 + 4) << path;
    EXPECT_EQ(path.substr(0, head.size()), head);
    EXPECT_EQ(path.substr(path.size() - 4), ".png");

    // A program directory that fills its array still yields a bounded path.
    std::memset(k.ProgramDir, 'd', sizeof k.ProgramDir - 1);
    k.ProgramDir[sizeof k.ProgramDir - 1] = '\0';
    Poll({}, {});
    EXPECT_LT(std::strlen(ASys.ScreenshotPath), sizeof ASys.ScreenshotPath);
    std::snprintf(k.ProgramDir, sizeof k.ProgramDir, "%s", ".");
}

TEST_F(EnginePoll, UpdatesPerSecondWindow) {
    KUVOCore& k = Core();
    UpdateCountLive = 0;
    // A window start just ahead of the clock: the next polls fall inside it.
    k.UpdateSecond = k.Mills() + 999;
    k.UpdatesPerSecond = -5;
    Poll({}, {});
    Poll({}, {});
    Poll({}, {});
    EXPECT_EQ(k.UpdatesPerSecond, -5);
    EXPECT_EQ(UpdateCountLive, 3);
    // More than a second later: the count includes the current poll.
    k.UpdateSecond = k.Mills() - 5000;
    Poll({}, {});
    EXPECT_EQ(k.UpdatesPerSecond, 4);
    EXPECT_EQ(UpdateCountLive, 0);
    EXPECT_NEAR(k.UpdateSecond, k.Mills(), 1000);
    // A clock that stands far before the window start restarts it too.
    k.UpdateSecond = k.Mills() + 5000;
    Poll({}, {});
    EXPECT_EQ(k.UpdatesPerSecond, 1);
}

}  // namespace
