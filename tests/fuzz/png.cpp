// Fuzz target: a PNG file loaded through the engine's image path (LoadImg)
// into an image slot, once cut into 32 x 32 frames and once as one 512 x 512
// image. A slot that takes the picture must hold exactly its store's texels.
// The mutator mends the chunk checksums of most mutants, so the decoder gets
// past them to the header, palette and pixel data it would otherwise never
// see changed.

#include <lodepng.h>

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

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    // One mutant in four keeps its checksums as mutated, so a damaged
    // checksum is still tried.
    constexpr size_t kSignature = 8, kChunkFrame = 12;  // length, type, checksum
    if (seed % 4 == 0 || size < kSignature) return size;
    for (size_t at = kSignature; size - at >= kChunkFrame;) {
        const size_t length = lodepng_chunk_length(data + at);
        if (length > size - at - kChunkFrame) break;
        lodepng_chunk_generate_crc(data + at);
        at += kChunkFrame + length;
    }
    return size;
}
