// Renaming a file beside the one open file: how the game keeps aside a file
// it refused before writing a fresh one in its place. It never deletes a file
// and leaves the open file, if any, as it is.

#include <cerrno>
#include <cstdio>

#include "sys_internal.h"

int KUVOSys::RenameFile_Sys(char const* from, char const* to) {
    if (from == nullptr || to == nullptr || from[0] == '\0' || to[0] == '\0') return -1;
    if (std::rename(from, to) == 0) return 1;
    // Nothing of that name is not a failure: there was nothing to keep.
    return errno == ENOENT ? 0 : -1;
}
