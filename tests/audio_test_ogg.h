// Ogg Vorbis files for the music tests, encoded with the data generator's
// libvorbisenc writer from samples the test makes, so no sound file is ever
// fetched. Only the tests that link vorbisenc include this.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "../tools/datagen/ogg_vorbis.h"

namespace audiotest {

// Encodes interleaved 16-bit samples as an Ogg Vorbis file; false on error.
inline bool WriteOgg(const std::string& path, int channels, int rate, const std::vector<int16_t>& samples) {
    if (channels < 1) return false;
    const size_t frames = samples.size() / size_t(channels);
    std::vector<std::vector<float>> planes(static_cast<size_t>(channels), std::vector<float>(frames));
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < size_t(channels); ++c) planes[c][i] = samples[i * size_t(channels) + c] / 32768.0f;
    std::vector<const float*> heads;
    for (const std::vector<float>& p : planes) heads.push_back(p.data());
    return oggvorbis::Write(path, heads, frames, rate, 0.6f);
}

// Joins Ogg files into one chained file, each as a link of its own: every
// page of file k is given the serial number 559 + k (its checksum made anew),
// since links that shared one serial number would read as one broken stream.
inline bool WriteChainedOgg(const std::string& path, const std::vector<std::string>& files) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = true;
    for (size_t k = 0; k < files.size() && ok; ++k) {
        FILE* in = std::fopen(files[k].c_str(), "rb");
        if (!in) {
            ok = false;
            break;
        }
        ogg_sync_state sync;
        ogg_sync_init(&sync);
        ogg_page page;
        for (;;) {
            const int got = ogg_sync_pageout(&sync, &page);
            if (got == 1) {
                const uint32_t serial = uint32_t(oggvorbis::kSerial) + uint32_t(k);
                for (int b = 0; b < 4; ++b) page.header[14 + b] = static_cast<unsigned char>(serial >> (8 * b));
                ogg_page_checksum_set(&page);
                ok = ok && std::fwrite(page.header, 1, size_t(page.header_len), out) == size_t(page.header_len);
                ok = ok && std::fwrite(page.body, 1, size_t(page.body_len), out) == size_t(page.body_len);
                continue;
            }
            char* buffer = ogg_sync_buffer(&sync, 4096);
            const size_t n = std::fread(buffer, 1, 4096, in);
            if (n == 0) break;
            ogg_sync_wrote(&sync, long(n));
        }
        ogg_sync_clear(&sync);
        std::fclose(in);
    }
    return std::fclose(out) == 0 && ok;
}

}  // namespace audiotest
