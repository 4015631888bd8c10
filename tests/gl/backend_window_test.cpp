// The backend against a real X display (Xvfb 1920x1080 with openbox): start-up
// with its small first window and audio, the centred 800x600 window, the
// full-screen round trip, the error callback, a monitor-less start, shut-down.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "sys_internal.h"

// The windows opened since the list was last emptied: the size asked for,
// the size the window got, and whether audio was already up at that moment.
struct OpenedWindow {
    int askedW, askedH, gotW, gotH;
    bool audioUp;
};
std::vector<OpenedWindow> OpenedWindows;

extern "C" GLFWwindow* __real_glfwCreateWindow(int width, int height, const char* title, GLFWmonitor* monitor,
                                               GLFWwindow* share);
extern "C" GLFWwindow* __wrap_glfwCreateWindow(int width, int height, const char* title, GLFWmonitor* monitor,
                                               GLFWwindow* share) {
    GLFWwindow* opened = __real_glfwCreateWindow(width, height, title, monitor, share);
    int w = 0, h = 0;
    if (opened != nullptr) glfwGetWindowSize(opened, &w, &h);
    OpenedWindows.push_back({width, height, w, h, ALdev != nullptr});
    return opened;
}

namespace {

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

// Lets the window manager settle a new or changed window.
void Settle() {
    for (int i = 0; i < 20; i++) {
        glfwPollEvents();
        glfwWaitEventsTimeout(0.02);
    }
}

class BackendWindow : public ::testing::Test {
protected:
    void SetUp() override {
        // A silent device that needs no sound card (a driver given by the
        // test script wins).
        setenv("ALSOFT_DRIVERS", "null", 0);
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs a display";
    }
    void TearDown() override { KUVOInput = KUVOInputGLFW; }
};

TEST_F(BackendWindow, StartCentreFullScreenRoundTripAndClose) {
    OpenedWindows.clear();
    testing::internal::CaptureStdout();
    ASys.SysInit("Backend Window Test");
    std::string log = testing::internal::GetCapturedStdout();

    // A small first window exists before audio starts; the working window
    // replaces it once audio is up.
    ASSERT_EQ(OpenedWindows.size(), 2u);
    EXPECT_EQ(OpenedWindows[0].askedW, 256);
    EXPECT_EQ(OpenedWindows[0].askedH, 128);
    EXPECT_EQ(OpenedWindows[0].gotW, 256);
    EXPECT_EQ(OpenedWindows[0].gotH, 128);
    EXPECT_FALSE(OpenedWindows[0].audioUp);
    EXPECT_EQ(OpenedWindows[1].askedW, 800);
    EXPECT_EQ(OpenedWindows[1].askedH, 600);
    EXPECT_EQ(OpenedWindows[1].audioUp, ASys.AudioEnabled == 1);

    EXPECT_EQ(Count(log, "> Opened Window\n"), 2) << log;
    EXPECT_EQ(Count(log, "ERRORRZ"), 0) << log;
    EXPECT_EQ(Count(log, "OpenAL Audio Engaged!") + Count(log, "Audio Device Error"), 1) << log;
    EXPECT_EQ(ASys.AudioEnabled, Count(log, "OpenAL Audio Engaged!"));
    ASSERT_NE(window, nullptr);
    EXPECT_STREQ(GameTitleSys, "Backend Window Test");
    EXPECT_EQ(WhiteBlock, std::vector<unsigned char>(256, 255));
    EXPECT_EQ(KeyName[65], "A");
    EXPECT_EQ(ASys.SlotFrames[0], -1);
    EXPECT_EQ(ASys.VirtualWidth, 800.0f);

    Settle();
    int w = 0, h = 0, x = 0, y = 0;
    glfwGetWindowSize(window, &w, &h);
    glfwGetWindowPos(window, &x, &y);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(ASys.FrameW, 800);
    EXPECT_EQ(ASys.FrameH, 600);
    // The window manager may add its frame around the requested position.
    EXPECT_GE(x, 560);
    EXPECT_LE(x, 560 + 16);
    EXPECT_GE(y, 240);
    EXPECT_LE(y, 240 + 48);
    EXPECT_EQ(glfwGetWindowMonitor(window), nullptr);

    // A GLFW error reaches standard error as "Error: " and GLFW's text.
    testing::internal::CaptureStderr();
    glfwGetKey(window, 5);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Invalid key 5\n");

    testing::internal::CaptureStdout();
    ASys.FlipFull();
    log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Count(log, "Opened Fullscreen"), 1) << log;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(glfwGetWindowMonitor(window), glfwGetPrimaryMonitor());
    Settle();
    glfwGetWindowSize(window, &w, &h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    EXPECT_EQ(ASys.FrameW, 800);  // the requested size until the first render
    EXPECT_EQ(ASys.FrameH, 600);

    testing::internal::CaptureStdout();
    ASys.FlipFull();
    log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Count(log, "Opened Window"), 1) << log;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(glfwGetWindowMonitor(window), nullptr);
    EXPECT_EQ(isFullscreen, 0);
    Settle();
    glfwGetWindowSize(window, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);

    // Odd sizes are centred by integer halves: 801 x 601 lands where 800 x 600 did.
    int x800 = 0, y800 = 0;
    glfwGetWindowPos(window, &x800, &y800);
    testing::internal::CaptureStdout();
    ASys.SetScreen(801, 601);
    Settle();
    int x801 = -1, y801 = -1;
    glfwGetWindowPos(window, &x801, &y801);
    EXPECT_EQ(x801, x800);
    EXPECT_EQ(y801, y800);

    // Two full-screen toggles come back at 800 x 600 whatever the size before.
    ASys.SetScreen(640, 480);
    ASys.FlipFull();
    ASys.FlipFull();
    testing::internal::GetCapturedStdout();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(isFullscreen, 0);
    Settle();
    glfwGetWindowSize(window, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);

    // A real poll: no key is down and the window is not asked to close.
    ASys.PollInputB(0);
    for (int i = 0; i < 127; i++) {
        if (i != 63) {
            EXPECT_EQ(ASys.ButtonFlags[i], 0) << i;
        }
    }
    EXPECT_TRUE(ASys.ButtonFlags[63] == 1 || ASys.ButtonFlags[63] == -1);

    testing::internal::CaptureStdout();
    ASys.Close();
    log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("> Closing OpenAL Audio\n"), std::string::npos) << log;
    EXPECT_LT(log.find("Closing OpenAL Audio"), log.find("> Closing OpenGL Window\n")) << log;
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(ALdev, nullptr);
    EXPECT_EQ(ALctx, nullptr);
}

TEST_F(BackendWindow, WithoutAMonitorModeWindowsStayWindowed) {
    KUVOInputSource noMonitor = KUVOInputGLFW;
    noMonitor.PrimaryMode = [](int* width, int* height) {
        *width = *height = 0;
        return false;
    };
    KUVOInput = noMonitor;

    testing::internal::CaptureStdout();
    ASys.SysInit("No Monitor");
    ASys.FlipFull();
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Count(log, "Opened Window"), 3) << log;
    EXPECT_EQ(Count(log, "Opened Fullscreen"), 0) << log;
    EXPECT_EQ(Count(log, "ERRORRZ"), 0) << log;
    EXPECT_EQ(isFullscreen, 0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(glfwGetWindowMonitor(window), nullptr);
    Settle();
    int w = 0, h = 0;
    glfwGetWindowSize(window, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);

    testing::internal::CaptureStdout();
    ASys.Close();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(window, nullptr);
}

}  // namespace
