// The music fuzz targets' one step: the input written as a piece in the game's
// audio folder, started through PlayMusic with repeat (so its end takes it
// back to its start), driven block by block, stopped. After the stop no file
// of the piece may still be open.
#pragma once

#include <unistd.h>

#include "MyGame.h"
#include "fuzz_support.h"

extern MyGame ThisGame;

namespace fuzzsupport {

constexpr int kMusicFuzzBlocks = 12;  // refill steps per input: past the end of small pieces

// What each open descriptor of the process is, for the report of a file left open.
inline void ListOpenFiles() {
    for (int fd = 0; fd < 1024; ++fd) {
        char link[64], target[512];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t n = readlink(link, target, sizeof target - 1);
        if (n < 0) continue;
        target[n] = '\0';
        std::fprintf(stderr, "open file %d: %s\n", fd, target);
    }
}

// `afterStep`, when given, runs after the start and after each refill step.
inline void PlayMusicInput(const char* name, const uint8_t* data, size_t size, void (*afterStep)() = nullptr) {
    static const bool ready = [] {
        OpenSilentAudio();
        std::snprintf(ThisGame.ProgramDir, sizeof ThisGame.ProgramDir, "%s", ProgramFolder().c_str());
        ThisGame.GameNumber = kuvo::kGameNumber;
        ThisGame.MusicLevel = 1;
        return true;
    }();
    (void)ready;
    // Counted for each input: the sanitizers' own leak checks between
    // inputs open descriptors of their own.
    const int files = audiotest::OpenFdCount();
    WriteInput(std::string("Data/559/audio/") + name, data, size);
    ThisGame.PlayMusic(name, 1);
    if (afterStep) afterStep();
    ThisGame.MusicHandler();
    if (afterStep) afterStep();
    DriveMusic(kMusicFuzzBlocks, afterStep);
    ThisGame.StopMusic();
    FUZZ_CHECK(MusicFile == nullptr && OggFile == nullptr);
    if (audiotest::OpenFdCount() != files) ListOpenFiles();
    FUZZ_CHECK(audiotest::OpenFdCount() == files);
}

}  // namespace fuzzsupport
