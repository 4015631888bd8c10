// Shut-down and window requests when neither GLFW nor an audio device was
// started: both must log their lines and leave every handle null.

#include <gtest/gtest.h>

#include <string>

#include "sys_internal.h"

namespace {

TEST(BackendStartup, CloseWithoutWindowOrAudioIsSafe) {
    ALbufferActive[7] = 1;  // a slot marked in use while there is no context
    testing::internal::CaptureStdout();
    ASys.Close();
    ASys.Close();  // twice is harmless too
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("> Closing OpenAL Audio\n"), std::string::npos) << log;
    EXPECT_NE(log.find("> Closing OpenGL Window\n"), std::string::npos) << log;
    EXPECT_EQ(ALbufferActive[7], 0);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(ALdev, nullptr);
    EXPECT_EQ(ASys.AudioEnabled, 0);
}

TEST(BackendStartup, WindowRequestWithoutGlfwLogsAndKeepsTheSize) {
    const struct {
        int fullscreen, w, h;
    } cases[] = {{0, 640, 480}, {1, 800, 600}};
    for (const auto& c : cases) {
        isFullscreen = c.fullscreen;
        testing::internal::CaptureStdout();
        ASys.SetScreen(c.w, c.h);
        std::string log = testing::internal::GetCapturedStdout();
        EXPECT_NE(log.find("> Opened Window\n"), std::string::npos) << log;
        EXPECT_NE(log.find("> ERRORRZ\n"), std::string::npos) << log;
        EXPECT_EQ(isFullscreen, 0);  // full screen fell back to a window
        EXPECT_EQ(ASys.FrameW, c.w);
        EXPECT_EQ(ASys.FrameH, c.h);
        EXPECT_EQ(WindowFailed, 1);
        EXPECT_EQ(window, nullptr);
    }
    WindowFailed = 0;
    ASys.FrameW = 0;
    ASys.FrameH = 0;
}

}  // namespace
