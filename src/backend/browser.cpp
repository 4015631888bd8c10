// Opening a web page in the desktop's browser through xdg-open. The page is
// handed over as one argument of a program started directly: no shell ever
// sees it, and the game never waits for the browser to finish.

#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "sys_internal.h"

namespace {

constexpr size_t kPageMax = 2048;           // longest page address handed on
constexpr int kExecReportMs = 2000;         // wait for the opener to start
const char kOpener[] = "xdg-open";
const char kDefaultPath[] = "/usr/local/bin:/usr/bin:/bin";

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// Only a plain web address goes to the opener: visible characters, no
// option-like start, and the http or https scheme (one is added when none is
// given), so a page can never name a local file or program to run.
bool WebAddress(const std::string& page, std::string* address) {
    if (page.empty() || page.size() > kPageMax || page[0] == '-') return false;
    for (char c : page) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 32 || u >= 127) return false;
    }
    if (page.find("://") == std::string::npos) {
        *address = "http://" + page;
        return true;
    }
    if (!StartsWithNoCase(page, "http://") && !StartsWithNoCase(page, "https://")) return false;
    *address = page;
    return true;
}

// The opener's full path from $PATH, found before forking so that the child
// only has to call exec.
bool FindOpener(std::string* path) {
    const char* list = std::getenv("PATH");
    if (list == nullptr || list[0] == '\0') list = kDefaultPath;
    const std::string dirs(list, strnlen(list, kuvo::kPathSize));
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : std::string(".");
        const std::string candidate = dir + "/" + kOpener;
        if (access(candidate.c_str(), X_OK) == 0) {
            *path = candidate;
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

int KUVOSys::OpenBrowserSys(std::string page) {
    std::string address;
    if (!WebAddress(page, &address)) {
        Debuglog("Not a web page address");
        return -1;
    }
    std::string opener;
    if (!FindOpener(&opener)) {
        Debuglog("No xdg-open to open a web page");
        return -1;
    }
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return -1;

    char* const argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(address.c_str()), nullptr};
    const pid_t child = fork();
    if (child == 0) {
        // The grandchild runs the opener and is adopted by init, so the game
        // neither waits for the browser nor leaves a zombie behind.
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            setsid();
            close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);  // no window or sound handles for the browser
            execv(argv[0], argv);
            const int error = errno;
            ssize_t ignored = write(report[1], &error, sizeof(error));
            (void)ignored;
            _exit(127);
        }
        _exit(grandchild < 0 ? 1 : 0);
    }
    close(report[1]);
    if (child < 0) {
        close(report[0]);
        return -1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int result = (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? 0 : -1;
    if (result == 0) {
        // Closed without a word when exec succeeded; an errno when it failed.
        pollfd p{report[0], POLLIN, 0};
        int error = 0;
        if (poll(&p, 1, kExecReportMs) > 0 && read(report[0], &error, sizeof(error)) == sizeof(error)) result = -1;
    }
    close(report[0]);
    if (result != 0) Debuglog("Could not open the web page");
    return result;
}
