// The game's sound vocabulary: effects by slot from the data folder, music by
// file name, and the per-frame music step. It only builds paths, fills in
// defaults and clamps; every OpenAL call and file read stays in the backend.

#include <string>

#include "KUVOCore.h"
#include "KUVO_glfw3.h"

namespace {

constexpr float kMinMusicPitch = 0.25f;
constexpr float kMaxMusicPitch = 4.0f;  // narrower than effects allow

// NaN lands on the lower bound.
float Clamp(float v, float lo, float hi) {
    if (!(v > lo)) return lo;
    return v < hi ? v : hi;
}

std::string ForwardSlashes(std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

// Exactly the three spellings all small, first letter capital and all
// capital count; other mixtures of case match no kind.
bool EndsInKind(const std::string& name, const char* small, const char* first, const char* capital) {
    if (name.size() < 4) return false;
    const std::string tail = name.substr(name.size() - 4);
    return tail == small || tail == first || tail == capital;
}

}  // namespace

void KUVOCore::LoadSFX(int slot) {
    ASys.Debuglog(fstr("Load SFX   : %i", slot));
    ASys.GetWAV(slot, fstr("%s/Data/%i/audio/%02i.wav", ProgramDir, GameNumber, slot));
}

void KUVOCore::LoadSFX(int slot, std::string name) {
    ASys.Debuglog(fstr("Load Wave %s to %i", name.c_str(), slot));
    name = ForwardSlashes(name);
    const char* path = EndsInKind(name, ".wav", ".Wav", ".WAV")
                           ? fstr("%s/Data/%i/audio/%s", ProgramDir, GameNumber, name.c_str())
                           : fstr("%s/Data/%i/audio/%s.wav", ProgramDir, GameNumber, name.c_str());
    ASys.GetWAV(slot, path);
}

// The default pitch comes from the clock-driven generator, so effects vary
// without disturbing the seeded sequence the game relies on.
void KUVOCore::PlaySFX(int slot) { ASys.PlayWAV(slot, tRnd(0.8f, 1.2f), SfxVolume, 0.0f, 0); }

void KUVOCore::PlaySFX(int slot, float pitch) { ASys.PlayWAV(slot, pitch, SfxVolume, 0.0f, 0); }

void KUVOCore::PlaySFX(int slot, float pitch, float volume) {
    ASys.PlayWAV(slot, pitch, SfxVolume * volume, 0.0f, 0);
}

void KUVOCore::PlaySFX(int slot, float pitch, float volume, float pan) {
    ASys.PlayWAV(slot, pitch, SfxVolume * volume, pan, 0);
}

void KUVOCore::PlaySFX(int slot, float pitch, float volume, float pan, int loop) {
    ASys.PlayWAV(slot, pitch, SfxVolume * volume, pan, loop);
}

void KUVOCore::MusicPitch(float p) { ASys.MusicPitchSys = Clamp(p, kMinMusicPitch, kMaxMusicPitch); }

void KUVOCore::MusicPan(float p) { ASys.MusicPanSys = Clamp(p, -1.0f, 1.0f); }

void KUVOCore::MusicVolume(float v) { ASys.MusicVolumeSys = Clamp(v, 0.0f, 1.0f); }

void KUVOCore::PlayMusic(std::string name) { PlayMusic(name, 1); }

void KUVOCore::PlayMusic(std::string name, int repeat) {
    name = ForwardSlashes(name);
    const bool ogg = EndsInKind(name, ".ogg", ".Ogg", ".OGG");
    const bool wav = EndsInKind(name, ".wav", ".Wav", ".WAV");
    if (!ogg && !wav) return;
    const char* path = fstr("%s/Data/%i/audio/%s", ProgramDir, GameNumber, name.c_str());
    if (ogg)
        ASys.PlayMusic_Ogg_Sys(path, repeat);
    else
        ASys.PlayMusic_Wav_Sys(path, repeat);
}

void KUVOCore::StopMusic() { ASys.StopMusicSys(); }

void KUVOCore::MusicHandler() {
    ASys.MusicLevelSys = MusicLevel;
    if (ASys.MusicMode > 0) ASys.HandleMusicSys();
}
