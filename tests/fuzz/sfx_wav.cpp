// Fuzz target: a WAV effect loaded into a sound slot through the engine's
// LoadSFX and played on a silent device. Whatever the file holds, the slot
// owns a buffer afterwards, and that buffer holds no more than the file did.

#include <AL/al.h>

#include "MyGame.h"
#include "fuzz_support.h"

extern MyGame ThisGame;

namespace {
constexpr int kSlot = 7;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        fuzzsupport::OpenSilentAudio();
        std::snprintf(ThisGame.ProgramDir, sizeof ThisGame.ProgramDir, "%s", fuzzsupport::ProgramFolder().c_str());
        ThisGame.GameNumber = kuvo::kGameNumber;
        ThisGame.SfxVolume = 1;
        return true;
    }();
    (void)ready;
    fuzzsupport::WriteInput("Data/559/audio/fuzz.wav", data, size);
    ThisGame.LoadSFX(kSlot, "fuzz.wav");
    FUZZ_CHECK(ALbufferActive[kSlot] == 1);
    ALint bytes = -1;
    alGetBufferi(ALbuffer[kSlot], AL_SIZE, &bytes);
    FUZZ_CHECK(bytes >= 0 && static_cast<size_t>(bytes) <= size);
    ThisGame.PlaySFX(kSlot, 1.0f, 1.0f, 0.0f, 0);
    alGetError();
    return 0;
}
