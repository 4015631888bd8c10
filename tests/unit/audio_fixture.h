// The sound unit tests' fixture: a silent OpenAL device (OpenAL Soft's null
// driver) set up as start-up sets it up, a scratch folder for the files the
// tests write, and log capture. It never opens a real sound device.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio_test_support.h"

class AudioFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // Read once per process by OpenAL, before its first device opens.
        setenv("ALSOFT_DRIVERS", "null", 1);
        audiotest::CloseAudio();
        ASSERT_TRUE(audiotest::OpenAudio()) << "no null OpenAL device";
        dir_ = audiotest::MakeTempDir("zindle-audio");
        ASSERT_FALSE(dir_.empty()) << "no scratch folder";
    }
    void TearDown() override {
        audiotest::CloseAudio();
        audiotest::RemoveTree(dir_);
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_ + "/" + name;
        EXPECT_TRUE(audiotest::WriteBytes(path, bytes)) << path;
        return path;
    }

    template <class F>
    std::string Logged(F&& f) {
        ::testing::internal::CaptureStdout();
        f();
        return ::testing::internal::GetCapturedStdout();
    }

    static ALint SourceInt(int source, ALenum what) {
        ALint v = -12345;
        alGetSourcei(ALsource[source], what, &v);
        return v;
    }
    static float SourceFloat(int source, ALenum what) {
        float v = -12345;
        alGetSourcef(ALsource[source], what, &v);
        return v;
    }
    static ALint BufferInt(ALuint buffer, ALenum what) {
        ALint v = -12345;
        alGetBufferi(buffer, what, &v);
        return v;
    }

    // Every value the Ogg stream queues from the start of a piece, block by
    // block, until `values` are in or the piece ends (without repeat). The
    // source is stopped before each refill step, so each step finds the
    // queue drained and decodes the next block at once into the first buffer.
    static std::vector<int16_t> StreamedOgg(const std::string& path, int repeat, size_t values) {
        std::vector<int16_t> out;
        auto take = [&] {
            const ALint bytes = BufferInt(MusicBuffer[0], AL_SIZE);
            out.insert(out.end(), MusicStreamBlock, MusicStreamBlock + (bytes > 0 ? bytes / 2 : 0));
        };
        ASys.PlayMusic_Ogg_Sys(path.c_str(), repeat);
        if (ASys.MusicMode != 2) return out;
        take();
        while (ASys.MusicMode == 2 && out.size() < values) {
            alSourceStop(ALsource[kuvo::kMusicSource]);
            ASys.HandleMusicSys();
            take();
        }
        ASys.StopMusicSys();
        return out;
    }

    std::string dir_;
};

// True when `log` holds a line whose text (after the line number) is `text`.
inline bool HasLine(const std::string& log, const std::string& text) {
    return log.find("> " + text + "\n") != std::string::npos;
}
