// Ogg Vorbis files for the music tests, encoded with the data generator's
// libvorbisenc writer from samples the test makes, so no sound file is ever
// fetched. Only the tests that link vorbisenc include this.
#pragma once

#include <cstdint>
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

}  // namespace audiotest
