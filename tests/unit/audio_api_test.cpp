// The engine's sound vocabulary on a silent device: the data-folder paths of
// effects and music, the effect volume and defaults, and the music controls'
// clamps, resets and gain.

#include <AL/al.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "MyGame.h"
#include "audio_fixture.h"

extern MyGame ThisGame;

using namespace audiotest;

namespace {

class AudioApi : public AudioFixture {
protected:
    void SetUp() override {
        AudioFixture::SetUp();
        std::memcpy(savedDir_, ThisGame.ProgramDir, sizeof savedDir_);
        savedNumber_ = ThisGame.GameNumber;
        savedSfx_ = ThisGame.SfxVolume;
        savedMusic_ = ThisGame.MusicLevel;
        std::snprintf(ThisGame.ProgramDir, sizeof ThisGame.ProgramDir, "%s", dir_.c_str());
        ThisGame.GameNumber = 559;
        ASSERT_TRUE(MakeDirs(dir_ + "/Data/559/audio/sub"));
    }
    void TearDown() override {
        std::memcpy(ThisGame.ProgramDir, savedDir_, sizeof savedDir_);
        ThisGame.GameNumber = savedNumber_;
        ThisGame.SfxVolume = savedSfx_;
        ThisGame.MusicLevel = savedMusic_;
        AudioFixture::TearDown();
    }
    // An effect file in the data folder whose size tells it apart.
    void Effect(const std::string& name, int samples) {
        Write("Data/559/audio/" + name, Wav16(1, 22050, std::vector<int16_t>(size_t(samples), 100)));
    }
    static float Gain() { return SourceFloat(ALChannel, AL_GAIN); }

    char savedDir_[kuvo::kProgramDirSize];
    int savedNumber_ = 0;
    float savedSfx_ = 0, savedMusic_ = 0;
};

TEST_F(AudioApi, LoadSfxReadsTheDataFolder) {
    struct Case {
        int slot;
        const char* name;  // null: the numbered file
        const char* file;  // written in the audio folder
        int samples;
        const char* logLine;
    };
    const Case cases[] = {
        {3, nullptr, "03.wav", 11, "Load SFX   : 3"},
        {12, nullptr, "12.wav", 12, "Load SFX   : 12"},
        {5, "sub\\jump", "sub/jump.wav", 13, "Load Wave sub\\jump to 5"},
        {6, "jump.WAV", "jump.WAV", 14, "Load Wave jump.WAV to 6"},
        {7, "blip.Wav", "blip.Wav", 15, "Load Wave blip.Wav to 7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Effect(c.file, c.samples);
        const std::string log = Logged([&] {
            if (c.name)
                ThisGame.LoadSFX(c.slot, c.name);
            else
                ThisGame.LoadSFX(c.slot);
        });
        EXPECT_TRUE(HasLine(log, c.logLine)) << log;
        EXPECT_EQ(SFXData[c.slot][0], 2 * c.samples) << log;
    }
}

TEST_F(AudioApi, LoadSfxOddNamesAndSlots) {
    Effect("mixed.wAv", 20);
    Effect("105.wav", 20);  // the path exists, but the slot does not
    const std::string log = Logged([&] {
        ThisGame.LoadSFX(8, "mixed.wAv");  // not a spelling of ".wav": gets ".wav" added
        ThisGame.LoadSFX(105);
    });
    EXPECT_TRUE(HasLine(log, "Error Opening Wave")) << log;
    EXPECT_EQ(SFXData[8][0], 0);
    ASSERT_TRUE(HasLine(log, "Load SFX   : 105")) << log;
    // Slot 105 is outside the table: only the engine's own line is written.
    EXPECT_EQ(log.substr(log.find("Load SFX   : 105")), "Load SFX   : 105\n");
    for (int s = 0; s < kuvo::kSoundSlots; ++s) EXPECT_EQ(ALbufferActive[s], s == 8 ? 1 : 0) << s;
}

TEST_F(AudioApi, PlaySfxScalesByTheEffectsVolume) {
    Effect("01.wav", 2000);
    Logged([&] { ThisGame.LoadSFX(1); });
    ThisGame.SfxVolume = 0.7f;
    ThisGame.PlaySFX(1, 1.5f);
    EXPECT_FLOAT_EQ(SourceFloat(ALChannel, AL_PITCH), 1.5f);
    EXPECT_FLOAT_EQ(Gain(), 0.7f);
    ThisGame.PlaySFX(1, 1, 2);
    EXPECT_FLOAT_EQ(Gain(), 1.0f);  // 1.4 asked, clamped by the backend
    ThisGame.PlaySFX(1, 1, 0.5f);
    EXPECT_FLOAT_EQ(Gain(), 0.35f);
    ThisGame.PlaySFX(1, 1, 1, -3);
    float pos[3] = {0, 0, 0};
    alGetSourcefv(ALsource[ALChannel], AL_POSITION, pos);
    EXPECT_FLOAT_EQ(pos[0], 1.0f);
    EXPECT_EQ(SourceInt(ALChannel, AL_LOOPING), AL_FALSE);
    ThisGame.PlaySFX(1, 1, 1, 0, 1);
    EXPECT_EQ(SourceInt(ALChannel, AL_LOOPING), AL_TRUE);

    std::vector<float> pitches;
    for (int i = 0; i < 2; ++i) {
        ThisGame.PlaySFX(1);
        pitches.push_back(SourceFloat(ALChannel, AL_PITCH));
        EXPECT_FLOAT_EQ(Gain(), 0.7f);
        EXPECT_EQ(SourceInt(ALChannel, AL_LOOPING), AL_FALSE);
    }
    for (float p : pitches) {
        EXPECT_GE(p, 0.8f);
        EXPECT_LE(p, 1.2f);
    }
    EXPECT_NE(pitches[0], pitches[1]);
}

TEST_F(AudioApi, MusicControlsClampAndAStartResetsThem) {
    struct Case {
        void (KUVOCore::*set)(float);
        float in, want;
        float* field;
    };
    const Case cases[] = {
        {&KUVOCore::MusicPitch, 10, 4, &ASys.MusicPitchSys},   {&KUVOCore::MusicPitch, 0.1f, 0.25f, &ASys.MusicPitchSys},
        {&KUVOCore::MusicPitch, 2, 2, &ASys.MusicPitchSys},    {&KUVOCore::MusicVolume, -1, 0, &ASys.MusicVolumeSys},
        {&KUVOCore::MusicVolume, 2, 1, &ASys.MusicVolumeSys},  {&KUVOCore::MusicVolume, 0.3f, 0.3f, &ASys.MusicVolumeSys},
        {&KUVOCore::MusicPan, -3, -1, &ASys.MusicPanSys},      {&KUVOCore::MusicPan, 0.5f, 0.5f, &ASys.MusicPanSys},
    };
    for (const Case& c : cases) {
        (ThisGame.*c.set)(c.in);
        EXPECT_FLOAT_EQ(*c.field, c.want) << c.in;
    }
    Write("Data/559/audio/sub/tune.wav", Wav16(2, 8000, Sine(16384, 2, 64, 4000)));
    ThisGame.PlayMusic("sub\\tune.wav");
    EXPECT_EQ(ASys.MusicMode, 1);
    EXPECT_EQ(ASys.MusicRepeat, 1);
    EXPECT_EQ(ASys.MusicPitchSys, 1.0f);
    EXPECT_EQ(ASys.MusicVolumeSys, 1.0f);
    EXPECT_EQ(ASys.MusicPanSys, 0.0f);
    ThisGame.PlayMusic("sub/tune.WAV", 0);  // no such file: the piece plays on
    EXPECT_EQ(ASys.MusicRepeat, 0);
    EXPECT_EQ(ASys.MusicMode, 1);
}

TEST_F(AudioApi, MusicOfAnotherKindIsIgnored) {
    Write("Data/559/audio/tune.wav", Wav16(2, 8000, Sine(16384, 2, 64, 4000)));
    ThisGame.PlayMusic("tune.wav");
    FILE* running = MusicFile;
    const std::string log = Logged([&] {
        for (const char* name : {"tune.mp3", "tune.oGG", "tune.wAV", "tune", "wav"}) ThisGame.PlayMusic(name, 0);
    });
    EXPECT_EQ(log, "");
    EXPECT_EQ(MusicFile, running);
    EXPECT_EQ(ASys.MusicRepeat, 1);
    EXPECT_EQ(SourceInt(kuvo::kMusicSource, AL_SOURCE_STATE), AL_PLAYING);
}

TEST_F(AudioApi, MusicGainIsVolumeTimesLevel) {
    Write("Data/559/audio/tune.wav", Wav16(2, 8000, Sine(16384, 2, 64, 4000)));
    ThisGame.PlayMusic("tune.wav");
    ThisGame.MusicVolume(0.5f);
    ThisGame.MusicPan(1);
    ThisGame.MusicPitch(10);
    ThisGame.MusicLevel = 0.7f;
    ThisGame.MusicHandler();
    EXPECT_FLOAT_EQ(ASys.MusicLevelSys, 0.7f);
    EXPECT_NEAR(SourceFloat(kuvo::kMusicSource, AL_GAIN), 0.35f, 1e-6);
    EXPECT_FLOAT_EQ(SourceFloat(kuvo::kMusicSource, AL_PITCH), 4.0f);
    float pos[3] = {0, 0, 0};
    alGetSourcefv(ALsource[kuvo::kMusicSource], AL_POSITION, pos);
    EXPECT_FLOAT_EQ(pos[0], -1.0f);

    // With no music the handler only takes the level.
    ThisGame.StopMusic();
    ThisGame.MusicLevel = 0.2f;
    ThisGame.MusicHandler();
    EXPECT_FLOAT_EQ(ASys.MusicLevelSys, 0.2f);
    EXPECT_NEAR(SourceFloat(kuvo::kMusicSource, AL_GAIN), 0.35f, 1e-6);
}

}  // namespace
