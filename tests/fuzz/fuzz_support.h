// Shared set-up of the fuzz targets that run the game's own code: a scratch
// folder laid out as a program folder (removed at exit), input written to a
// file there, a silent OpenAL device, and music driven block by block.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio_test_support.h"
#include "fuzz_check.h"
#include "scratch_dir.h"

namespace fuzzsupport {

// The program folder of this run: "<scratch>/Data/559/" and "audio/" below
// it exist. Made once under $ZINDLE_TEST_TMP (the fuzz runner points it at a
// folder in memory, which it removes whatever the run's end: every save
// flushes its files to the disk, which would slow each input down to the
// disk's pace), and removed when the run ends normally.
inline const std::string& ProgramFolder() {
    static const std::string dir = [] {
        std::string d = testsupport::MakeTempDir("zindle-fuzz");
        if (d.empty() || !audiotest::MakeDirs(d + "/Data/559/audio")) {
            std::fprintf(stderr, "fuzz: no scratch folder\n");
            std::abort();
        }
        return d;
    }();
    static const int removed = std::atexit([] { testsupport::RemoveTree(dir); });
    (void)removed;
    return dir;
}

// Writes the input as `name` below the program folder; returns its path.
inline std::string WriteInput(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = ProgramFolder() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    const bool written = f && std::fwrite(data, 1, size, f) == size;
    if ((f && std::fclose(f) != 0) || !written) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", path.c_str());
        std::abort();
    }
    return path;
}

// A silent OpenAL device with the start-up's sources and music buffers.
inline void OpenSilentAudio() {
    setenv("ALSOFT_DRIVERS", "null", 1);
    if (!audiotest::OpenAudio()) {
        std::fprintf(stderr, "fuzz: no null OpenAL device\n");
        std::abort();
    }
}

}  // namespace fuzzsupport

namespace fuzzsupport {

// Takes up to `blocks` refill steps of the running piece, each at once: the
// music source is stopped first, so the step finds its queue drained and
// reads or decodes the next block instead of waiting for one to play out.
// Every step keeps the stream's promises: a known mode, at most four blocks
// queued, and the same four buffer names.
inline void DriveMusic(int blocks, void (*afterStep)() = nullptr) {
    const ALuint src = ALsource[kuvo::kMusicSource];
    ALuint names[kuvo::kMusicBuffers];
    std::memcpy(names, MusicBuffer, sizeof names);
    std::sort(names, names + kuvo::kMusicBuffers);
    for (int i = 0; i < blocks && ASys.MusicMode != 0; ++i) {
        alSourceStop(src);
        ASys.HandleMusicSys();
        FUZZ_CHECK(ASys.MusicMode >= 0 && ASys.MusicMode <= 2);
        ALint queued = -1;
        alGetSourcei(src, AL_BUFFERS_QUEUED, &queued);
        FUZZ_CHECK(queued >= 0 && queued <= kuvo::kMusicBuffers);
        ALuint now[kuvo::kMusicBuffers];
        std::memcpy(now, MusicBuffer, sizeof now);
        std::sort(now, now + kuvo::kMusicBuffers);
        FUZZ_CHECK(std::equal(now, now + kuvo::kMusicBuffers, names));
        if (afterStep) afterStep();
    }
}

}  // namespace fuzzsupport
