// Pieces the in-process game benchmarks share. Benchmarks print figures;
// nothing here measures, asserts or touches the game's state.
#pragma once

#include <string>

namespace bench {

// The program path the game starts from: the first argument, else
// zindle-flaps in the build directory above the bench binary, so the data
// folder beside it is found.
inline std::string ProgramPath(int argc, char** argv) {
    if (argc > 1) return argv[1];
    const std::string self = argv[0];
    const size_t slash = self.find_last_of('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/../zindle-flaps";
}

}  // namespace bench
