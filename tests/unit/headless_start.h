// Lets a unit test run the backend's real start-up without touching the test
// display or a sound card: GLFW finds no display and audio goes to a silent
// device. Restores the display variable when the scope ends.
#pragma once

#include <cstdlib>
#include <string>

class HeadlessStart {
public:
    HeadlessStart() {
        const char* display = std::getenv("DISPLAY");
        hadDisplay_ = display != nullptr;
        if (hadDisplay_) display_ = display;
        unsetenv("DISPLAY");
        // Read once per process by OpenAL, before its first device opens.
        setenv("ALSOFT_DRIVERS", "null", 1);
    }
    ~HeadlessStart() {
        if (hadDisplay_) setenv("DISPLAY", display_.c_str(), 1);
    }
    HeadlessStart(const HeadlessStart&) = delete;
    HeadlessStart& operator=(const HeadlessStart&) = delete;

private:
    bool hadDisplay_ = false;
    std::string display_;
};
