// A fuzz target with two faults planted on purpose: a length byte trusted to
// copy into an eight-byte buffer, and an input that never returns. It is
// never run with the others; the fuzz check feeds it the input that overruns
// the buffer, then the one that hangs, and requires each run to fail and name
// its input, so that a real finding, a hang included, can never pass unseen.

#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5 || std::memcmp(data, "KUVO", 4) != 0) return 0;
    if (size == 8 && std::memcmp(data + 4, "HANG", 4) == 0) {
        volatile bool forever = true;  // the planted hang: a loop the input never leaves
        while (forever) {
        }
    }
    const size_t length = data[4];
    if (size < 5 + length) return 0;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[8]);
    std::memcpy(buffer.get(), data + 5, length);  // the planted fault: no check against 8
    volatile uint8_t first = buffer[0];
    (void)first;
    return 0;
}
