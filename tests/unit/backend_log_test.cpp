// The numbered log line, the bounded shared format buffer and the user name.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sys_internal.h"

namespace {

std::string LogOf(int before, const char* text) {
    DebugMessages = before;
    testing::internal::CaptureStdout();
    ASys.Debuglog(text);
    return testing::internal::GetCapturedStdout();
}

TEST(BackendLog, LineLayoutAndNumbering) {
    int saved = DebugMessages;
    const struct {
        int before;
        const char* text;
        const char* line;
    } cases[] = {
        {0, "Opened Window", "       1> Opened Window\n"},
        {1, "next", "       2> next\n"},
        {9999998, "x", " 9999999> x\n"},   // the blank flag keeps a leading blank
        {9999999, "x", " 10000000> x\n"},
        {99999999, "x", " 100000000> x\n"},
        {5, "", "       6> \n"},
        {5, nullptr, "       6> \n"},
    };
    for (const auto& c : cases) EXPECT_EQ(LogOf(c.before, c.text), c.line);
    EXPECT_EQ(DebugMessages, 6);
    DebugMessages = saved;
}

TEST(BackendLog, FormatIsSharedAndBounded) {
    char* first = ASys.fstrSys("Joy %i Button %i", 1, 7);
    EXPECT_EQ(first, TempstrSys);
    EXPECT_STREQ(first, "Joy 1 Button 7");
    char* second = ASys.fstrSys("%s", "other");
    EXPECT_EQ(second, first);
    EXPECT_STREQ(first, "other");  // the first text is gone

    std::string longText(5000, 'x');
    EXPECT_EQ(strlen(ASys.fstrSys("%s%s", longText.c_str(), "tail")), 1023u);
    EXPECT_EQ(TempstrSys[1023], '\0');
    EXPECT_STREQ(ASys.fstrSys("short"), "short");  // no leftovers of the long text
    EXPECT_EQ(TempstrSys[6], '\0');
}

TEST(BackendLog, UserNameIsBoundedAndPresent) {
    std::string name = ASys.SystemUsername();
    EXPECT_FALSE(name.empty());
    EXPECT_LE(name.size(), 256u);
    EXPECT_EQ(name.find('\0'), std::string::npos);
}

}  // namespace
