// Input polling through the fake seam: the key table, focus, the pointer with
// its held count and movement, controller calibration, invert mode, window
// presets and the quit request after a failed window. No window is opened.

#include <csignal>
#include <string>
#include <vector>

#include "backend_fake_input.h"

namespace {

using BackendPoll = FakeInputTest;

// Entries of ButtonFlags 0..126 other than 63 that are 1 after one poll.
std::vector<int> RaisedFlags() {
    std::vector<int> raised;
    for (int i = 0; i < 127; i++) {
        if (i != 63 && ASys.ButtonFlags[i] != 0) raised.push_back(i);
    }
    return raised;
}

TEST_F(BackendPoll, EachKeyRaisesExactlyItsEntries) {
    struct Case {
        int key;
        std::vector<int> entries;
    };
    const Case cases[] = {
        {265, {0}}, {87, {0}},   {328, {0}},     {263, {3}},  {65, {3}},   {324, {3}},
        {262, {5}}, {68, {5}},   {326, {5}},     {264, {8}},  {83, {8}},   {325, {8}},
        {322, {8}}, {90, {10}},  {74, {10}},     {32, {10}},  {327, {10}}, {257, {10, 98}},
        {88, {11}}, {75, {11}},  {341, {11}},    {345, {11}}, {329, {11}}, {67, {12}},
        {76, {12}}, {340, {12}}, {344, {12}},    {86, {13}},  {73, {13}},  {342, {13}},
        {346, {13}}, {66, {14}}, {85, {14}},     {78, {15}},  {79, {15}},  {256, {99}},
        {293, {100}}, {299, {66}}, {298, {67}},  {290, {68}}, {291, {64}}, {81, {}},
        {49, {}},
    };
    for (const Case& c : cases) {
        SetUp();
        Fake.keys[c.key] = 1;
        ASys.PollInputB(0);
        EXPECT_EQ(RaisedFlags(), c.entries) << "key " << c.key;
        EXPECT_EQ(Wireframe, c.key == 298 ? 1 : 0) << "key " << c.key;
    }
}

TEST_F(BackendPoll, FocusAndCloseRequest) {
    ASys.PollInputB(0);
    EXPECT_EQ(ASys.ButtonFlags[63], -1);
    EXPECT_TRUE(RaisedFlags().empty());
    Fake.focused = 1;
    ASys.PollInputB(0);
    EXPECT_EQ(ASys.ButtonFlags[63], 1);
    Fake.shouldClose = 1;
    ASys.PollInputB(0);
    EXPECT_EQ(RaisedFlags(), std::vector<int>{100});
    ASys.ButtonFlags[127] = 7;  // never written by a poll
    ASys.PollInputB(0);
    EXPECT_EQ(ASys.ButtonFlags[127], 7);
    ASys.ButtonFlags[127] = 0;
}

TEST_F(BackendPoll, AStopSignalBecomesTheQuitRequest) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        KuvoCatchStopSignals();
        ASys.PollInputB(0);
        EXPECT_TRUE(RaisedFlags().empty()) << sig;
        std::raise(sig);  // caught: the test process lives on
        ASys.PollInputB(0);
        EXPECT_EQ(RaisedFlags(), std::vector<int>{100}) << sig;
        KuvoReleaseStopSignals();
    }
    KuvoCatchStopSignals();  // a fresh start forgets an earlier signal
    ASys.PollInputB(0);
    EXPECT_TRUE(RaisedFlags().empty());
    KuvoReleaseStopSignals();
}

volatile sig_atomic_t OwnHandlerRuns = 0;
extern "C" void OwnHandler(int) { OwnHandlerRuns = OwnHandlerRuns + 1; }

void (*HandlerOf(int sig))(int) {
    struct sigaction now;
    sigaction(sig, nullptr, &now);
    return now.sa_handler;
}

// What the program was started with stays the program's: an ignored signal
// is never caught, and shut-down gives back the handler that was there.
TEST_F(BackendPoll, StopSignalsRespectWhatWasThereBefore) {
    struct sigaction saved[3];
    const int sigs[3] = {SIGINT, SIGTERM, SIGHUP};
    for (int i = 0; i < 3; i++) sigaction(sigs[i], nullptr, &saved[i]);

    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, OwnHandler);
    signal(SIGHUP, SIG_IGN);  // as nohup starts a program
    KuvoCatchStopSignals();
    KuvoCatchStopSignals();  // a second start must not take our own handler for the old one
    EXPECT_NE(HandlerOf(SIGINT), SIG_DFL);
    EXPECT_NE(HandlerOf(SIGTERM), OwnHandler);
    EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);
    raise(SIGHUP);
    ASys.PollInputB(0);
    EXPECT_TRUE(RaisedFlags().empty());
    raise(SIGTERM);
    ASys.PollInputB(0);
    EXPECT_EQ(RaisedFlags(), std::vector<int>{100});
    EXPECT_EQ(OwnHandlerRuns, 0);

    KuvoReleaseStopSignals();
    EXPECT_EQ(HandlerOf(SIGINT), SIG_DFL);
    EXPECT_EQ(HandlerOf(SIGTERM), OwnHandler);
    EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);
    if (HandlerOf(SIGTERM) == OwnHandler) {  // else the signal would end the test run
        raise(SIGTERM);
        EXPECT_EQ(OwnHandlerRuns, 1);
    }
    KuvoReleaseStopSignals();  // twice changes nothing
    EXPECT_EQ(HandlerOf(SIGTERM), OwnHandler);

    KuvoCatchStopSignals();  // forgets the signal taken above
    KuvoReleaseStopSignals();
    for (int i = 0; i < 3; i++) sigaction(sigs[i], &saved[i], nullptr);
}

TEST_F(BackendPoll, PointerPressHoldMoveRelease) {
    const float* p = ASys.PointerState;
    Fake.cursorX = 500;
    Fake.cursorY = 300;
    ASys.PollInputB(0);
    EXPECT_FLOAT_EQ(p[3], -100.0f);  // no drag while the button is up
    EXPECT_FLOAT_EQ(p[7], 0.0f);
    Fake.mouse[0] = 1;
    ASys.PollInputB(0);
    EXPECT_FLOAT_EQ(p[1], 500.0f);
    EXPECT_FLOAT_EQ(p[2], 300.0f);
    EXPECT_FLOAT_EQ(p[5], 1.0f);
    EXPECT_FLOAT_EQ(p[7], 1.0f);
    EXPECT_FLOAT_EQ(p[8], 0.0f);  // no movement on the first poll of a press
    EXPECT_FLOAT_EQ(p[9], 0.0f);

    Fake.cursorX = 510;
    Fake.cursorY = 320;
    Fake.mouse[1] = 1;
    ASys.PollInputB(0);
    EXPECT_FLOAT_EQ(p[3], 500.0f);
    EXPECT_FLOAT_EQ(p[7], 2.0f);
    EXPECT_FLOAT_EQ(p[8], 10.0f);
    EXPECT_FLOAT_EQ(p[9], 20.0f);
    EXPECT_FLOAT_EQ(p[6], 1.0f);

    Fake.mouse[0] = 0;
    ASys.PollInputB(0);
    EXPECT_FLOAT_EQ(p[7], 0.0f);
    EXPECT_FLOAT_EQ(p[3], -100.0f);
    EXPECT_FLOAT_EQ(p[4], -100.0f);
    EXPECT_FLOAT_EQ(p[8], 0.0f);
    for (int i = 10; i < 100; i++) EXPECT_EQ(p[i], 0.0f) << i;  // pointers 1..9 untouched
}

TEST_F(BackendPoll, PointerMapsWindowPixelsToViewUnits) {
    struct Case {
        int frameW, winW, winH;
        float overscanX, overscanY;
        double cx, cy;
        float x, y;
    };
    const Case cases[] = {
        {800, 800, 600, 1.0f, 1.0f, 0, 0, 0, 0},
        {1600, 1600, 1200, 1.0f, 1.0f, 1600, 0, 800, 0},      // scale 0.5 on both axes
        {1600, 1600, 1200, 1.25f, 1.5f, 1600, 1200, 900, 750},
        {800, 801, 601, 1.0f, 1.0f, 400, 300, 400, 300},      // integer half of the window
        // Display scaling: a framebuffer twice the window's size. The cursor
        // is in window coordinates, so the window's size sets the scale.
        {1600, 800, 600, 1.0f, 1.0f, 800, 600, 800, 600},
        {1600, 800, 600, 1.0f, 1.0f, 600, 150, 600, 150},
        {1600, 800, 600, 1.25f, 1.5f, 0, 0, -100, -150},
    };
    for (const Case& c : cases) {
        SetUp();
        ASys.FrameW = c.frameW;
        Fake.winW = c.winW;
        Fake.winH = c.winH;
        OverscanScaleX = c.overscanX;
        OverscanScaleY = c.overscanY;
        Fake.cursorX = c.cx;
        Fake.cursorY = c.cy;
        ASys.PollInputB(0);
        EXPECT_FLOAT_EQ(ASys.PointerState[1], c.x) << c.frameW << " " << c.cx;
        EXPECT_FLOAT_EQ(ASys.PointerState[2], c.y) << c.frameW << " " << c.cy;
        EXPECT_EQ(wasCanvasWidth, c.winW);
        EXPECT_EQ(wasCanvasHeight, c.winH);
    }
    OverscanScaleX = OverscanScaleY = 1.0f;
}

TEST_F(BackendPoll, ControllerCalibratesOnceAtRest) {
    const float* joy = &ASys.JoyState[200];
    Fake.present[2] = 1;
    Fake.name[2] = "Pad";
    Fake.axisCount[2] = 6;
    Fake.buttonCount[2] = 12;
    Fake.buttons[2][7] = 1;  // held while plugged in
    Fake.axes[2][4] = 0.9f;  // a trigger: not one of the sticks

    testing::internal::CaptureStdout();
    ASys.PollInputB(0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(joy[99], 1.0f);
    EXPECT_EQ(joy[98], 0.0f);
    EXPECT_EQ(joy[7], 0.0f);
    EXPECT_EQ(joy[54], 0.0f);

    Fake.buttons[2][7] = 0;
    Fake.axes[2][0] = 0.3f;  // exactly the limit still counts as at rest
    testing::internal::CaptureStdout();
    ASys.PollInputB(0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\n--=--\nController ID 'Pad'\n--=--\n\n");
    EXPECT_EQ(joy[98], 1.0f);
    EXPECT_FLOAT_EQ(joy[54], 0.9f);

    Fake.buttons[2][7] = 1;
    testing::internal::CaptureStdout();
    ASys.PollInputB(0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(joy[7], 1.0f);

    // Unplugged: only the present flag drops.
    Fake.present[2] = 0;
    ASys.PollInputB(0);
    EXPECT_EQ(joy[99], 0.0f);
    EXPECT_EQ(joy[98], 1.0f);
    EXPECT_EQ(joy[7], 1.0f);
}

TEST_F(BackendPoll, NamelessControllerAndOversizedArrays) {
    Fake.present[0] = 1;
    Fake.axisCount[0] = 60;
    Fake.buttonCount[0] = 60;
    for (int i = 4; i < 60; i++) Fake.axes[0][i] = 0.5f;
    testing::internal::CaptureStdout();
    ASys.PollInputB(0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\n--=--\nController ID ''\n--=--\n\n");
    EXPECT_FLOAT_EQ(ASys.JoyState[94], 0.5f);
    EXPECT_EQ(ASys.JoyState[95], 0.0f);
    EXPECT_EQ(ASys.JoyState[45], 0.0f);
}

TEST_F(BackendPoll, InvertModeFlipsBothStickYAxes) {
    for (int mode : {0, 1, 2}) {
        SetUp();
        LiveController(1);
        Fake.axes[1][0] = 0.1f;
        Fake.axes[1][1] = 0.2f;
        Fake.axes[1][2] = -0.1f;
        Fake.axes[1][3] = -0.25f;
        ASys.PollInputB(mode);
        float sign = mode == 1 ? -1.0f : 1.0f;
        EXPECT_FLOAT_EQ(ASys.JoyState[150], 0.1f);
        EXPECT_FLOAT_EQ(ASys.JoyState[151], 0.2f * sign);
        EXPECT_FLOAT_EQ(ASys.JoyState[152], -0.1f);
        EXPECT_FLOAT_EQ(ASys.JoyState[153], -0.25f * sign);
    }
}

TEST_F(BackendPoll, BindingCodesOutsideTheKeyRangeAreNeverAsked) {
    ASys.KeyBindings[63 * 16 + 0] = 5;
    ASys.KeyBindings[62 * 16 + 0] = 400;
    ASys.KeyBindings[61 * 16 + 0] = 349;
    for (int i = 0; i < 512; i++) Fake.keys[i] = 1;
    ASys.PollInputB(0);
    ASys.AnyKey();
    EXPECT_EQ(Fake.keyReadsOutside, 0);
    EXPECT_EQ(ASys.VirtualKeys[0], 0.0f);
}

TEST_F(BackendPoll, OutOfRangeReadsGiveZero) {
    ASys.ButtonFlags[5] = 1;
    ASys.VirtualKeys[127] = 0.5f;
    ASys.VirtualKeys[18] = 0.25f;
    EXPECT_EQ(ASys.IsBut(5), 1);
    EXPECT_EQ(ASys.IsBut(-1), 0);
    EXPECT_EQ(ASys.IsBut(128), 0);
    EXPECT_EQ(ASys.vKey(127), 0.5f);
    EXPECT_EQ(ASys.vKey(128), 0.0f);
    EXPECT_EQ(ASys.vKey(-3), 0.0f);
    EXPECT_EQ(ASys.vKey(2, 1), 0.25f);
    EXPECT_EQ(ASys.vKey(0, 8), 0.0f);
    EXPECT_EQ(ASys.vKey(1, 2000000000), 0.0f);
    ASys.VirtualKeys[127] = ASys.VirtualKeys[18] = 0.0f;
    ASys.ButtonFlags[5] = 0;
}

TEST_F(BackendPoll, BumpCursorLeavesTheWindowOnTheRight) {
    Fake.winW = 800;
    Fake.winH = 601;
    ASys.BumpCursorSys();
    EXPECT_EQ(Fake.setCursorX, 816.0);
    EXPECT_EQ(Fake.setCursorY, 300.0);
}

// These run without GLFW started, so SetScreen records the size and logs
// the failed window without opening one.
class BackendPollWindow : public FakeInputTest {
protected:
    void TearDown() override {
        WindowFailed = 0;
        isFullscreen = 0;
        ASys.FrameW = 800;
        ASys.FrameH = 600;
        FakeInputTest::TearDown();
    }
};

TEST_F(BackendPollWindow, QuitPresetsFollowTheMonitor) {
    struct Case {
        int digit;
        bool monitor;
        int w, h;
    };
    const Case cases[] = {
        {1, true, 1269, 952}, {2, true, 1692, 952}, {3, true, 714, 952}, {4, true, 1689, 952},
        {5, true, 536, 952},  {6, true, 1918, 888}, {7, true, 439, 952}, {6, false, 800, 600},
    };
    for (const Case& c : cases) {
        SetUp();
        Fake.haveMonitor = c.monitor;
        Fake.monitorW = 1920;
        Fake.monitorH = 1080;
        Fake.keys[81] = 1;
        Fake.keys[48 + c.digit] = 1;
        isFullscreen = 1;
        testing::internal::CaptureStdout();
        ASys.PollInputB(0);
        std::string log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(ASys.FrameW, c.w) << "Q+" << c.digit;
        EXPECT_EQ(ASys.FrameH, c.h) << "Q+" << c.digit;
        EXPECT_EQ(log.find("Opened Window") != std::string::npos, c.monitor) << log;
        EXPECT_EQ(isFullscreen, c.monitor ? 0 : 1);
        TearDown();
    }
}

TEST_F(BackendPollWindow, FullScreenWithoutMonitorFallsBackAndFailedWindowQuits) {
    Fake.keys[300] = 1;  // F11
    testing::internal::CaptureStdout();
    ASys.PollInputB(0);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(ASys.ButtonFlags[65], 1);
    EXPECT_EQ(ASys.ButtonFlags[100], 0);
    EXPECT_EQ(isFullscreen, 0);
    EXPECT_NE(log.find("Opened Window"), std::string::npos);
    EXPECT_NE(log.find("ERRORRZ"), std::string::npos);
    EXPECT_EQ(log.find("Opened Fullscreen"), std::string::npos);

    Fake.keys[300] = 0;
    ASys.PollInputB(0);
    EXPECT_EQ(ASys.ButtonFlags[100], 1);  // no window: the game is asked to quit
}

}  // namespace
