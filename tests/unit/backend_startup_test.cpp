// Start-up without a display, and shut-down and window requests when neither
// GLFW nor an audio device was started: each logs its lines, no handle is used.

#include <gtest/gtest.h>

#include <string>

#include "headless_start.h"
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

// Without a display GLFW cannot start; its reason still reaches standard
// error, because the error callback is in place before GLFW starts.
TEST(BackendStartup, AStartWithoutADisplaySaysWhyOnStandardError) {
    std::string log, errors;
    {
        HeadlessStart headless;
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        ASys.SysInit("No Display");
        log = testing::internal::GetCapturedStdout();
        errors = testing::internal::GetCapturedStderr();
    }

    testing::internal::CaptureStdout();
    ASys.Close();
    testing::internal::GetCapturedStdout();

    EXPECT_EQ(errors.rfind("Error: ", 0), 0u) << errors;
    EXPECT_NE(errors.find("DISPLAY"), std::string::npos) << errors;
    EXPECT_EQ(errors.empty() ? '\0' : errors.back(), '\n') << errors;
    const size_t failed = log.find("> Initialisation Failed\n");
    EXPECT_NE(failed, std::string::npos) << log;
    EXPECT_LT(failed, log.find("> Opened Window\n")) << log;
    EXPECT_NE(log.find("> ERRORRZ\n"), std::string::npos) << log;
}

}  // namespace
