// Private scratch folders for tests and benchmarks: made under the test
// script's $ZINDLE_TEST_TMP (or /tmp) and removed with everything below them.
// Removal refuses the bases themselves, so a failed make can never empty them.
#pragma once

#include <ftw.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace testsupport {

// A new folder "<base>/<stem>.XXXXXX"; "" when none could be made.
inline std::string MakeTempDir(const char* stem) {
    const char* base = std::getenv("ZINDLE_TEST_TMP");
    const std::string templ = std::string(base && *base ? base : "/tmp") + "/" + stem + ".XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    const char* made = mkdtemp(buf.data());
    return made ? std::string(made) : std::string();
}

// Removes a folder made by MakeTempDir and everything in it.
inline void RemoveTree(const std::string& dir) {
    const char* base = std::getenv("ZINDLE_TEST_TMP");
    if (dir.size() < 6 || dir == "/tmp" || (base && dir == base)) return;
    nftw(dir.c_str(), [](const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }, 16,
         FTW_DEPTH | FTW_PHYS);
}

}  // namespace testsupport
