// The backend's numbered log line, its one shared format buffer and the name
// of the logged-in user. Formatting here is always bounded to the buffer; a
// caller's text never overruns TempstrSys, and nothing here can abort.

#include <pwd.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sys_internal.h"

namespace {

// Longest user name we report (the buffer holds this plus its terminator).
constexpr size_t kUserNameMax = 256;
constexpr long kPasswdScratchMax = 1 << 20;     // largest passwd scratch we accept as a hint
constexpr size_t kPasswdScratchDefault = 16384;  // scratch when there is no usable hint

std::string BoundedName(const char* name) {
    if (name == nullptr) return std::string();
    return std::string(name, strnlen(name, kUserNameMax));
}

}  // namespace

void KUVOSys::Debuglog(const char* text) {
    // Counted in unsigned arithmetic: a run long enough to pass INT_MAX lines
    // wraps the number instead of overflowing.
    DebugMessages = static_cast<int>(static_cast<unsigned>(DebugMessages) + 1u);
    printf("% 8i> %s\n", DebugMessages, text != nullptr ? text : "");
}

char* KUVOSys::fstrSys(const char* format, ...) {
    memset(TempstrSys, 0, sizeof(TempstrSys) - 1);
    if (format == nullptr) return TempstrSys;
    va_list args;
    va_start(args, format);
    vsnprintf(TempstrSys, sizeof(TempstrSys), format, args);
    va_end(args);
    return TempstrSys;
}

std::string KUVOSys::SystemUsername() {
    char name[kUserNameMax + 1] = {0};

    // The account of the effective user is the most reliable source; the
    // login record and $USER cover systems without a passwd entry for it.
    // The system's size hint may be absent or absurd; either way the scratch
    // space stays within a fixed bound.
    const long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> scratch(hint > 0 && hint <= kPasswdScratchMax ? static_cast<size_t>(hint) : kPasswdScratchDefault);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, scratch.data(), scratch.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr && found->pw_name[0] != '\0') {
        return BoundedName(found->pw_name);
    }
    if (getlogin_r(name, sizeof(name)) == 0 && name[0] != '\0') {
        name[kUserNameMax] = '\0';
        return BoundedName(name);
    }
    return BoundedName(getenv("USER"));
}
