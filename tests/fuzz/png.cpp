// Fuzz target: a PNG file loaded through the engine's image path (LoadImg)
// into an image slot, once cut into 32 x 32 frames and once as one 512 x 512
// image. A slot that takes the picture must hold exactly its store's texels.

#include "KUVOCore.h"
#include "fuzz_support.h"

namespace {

KUVOCore& Engine() {
    static KUVOCore* core = [] {
        KUVOCore* c = new KUVOCore();
        std::snprintf(c->ProgramDir, sizeof c->ProgramDir, "%s", fuzzsupport::ProgramFolder().c_str());
        c->GameNumber = kuvo::kGameNumber;
        return c;
    }();
    return *core;
}

void CheckSlot(int slot) {
    if (ASys.SlotFrames[slot] < 1) return;
    const size_t side = static_cast<size_t>(iSize[slot]);
    FUZZ_CHECK(side >= 1 && side <= static_cast<size_t>(kuvo::kMaxImageSide));
    FUZZ_CHECK(Image[slot].size() == side * side * 4u);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KUVOCore& core = Engine();
    fuzzsupport::WriteInput("Data/559/fuzz.png", data, size);
    core.LoadImg(0, "fuzz", 32);
    CheckSlot(0);
    core.LoadImg(1, "fuzz", 512);
    CheckSlot(1);
    return 0;
}
