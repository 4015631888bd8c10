// Ogg Vorbis files for the music tests, encoded here with libvorbisenc from
// samples the test makes, so no sound file is ever fetched. Only the tests
// that link vorbisenc include this.
#pragma once

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace audiotest {

// Encodes interleaved 16-bit samples as an Ogg Vorbis file; false on error.
inline bool WriteOgg(const std::string& path, int channels, int rate, const std::vector<int16_t>& samples) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, 0.6f) != 0) {
        vorbis_info_clear(&vi);
        std::fclose(out);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 559);

    ogg_page og;
    ogg_packet op;
    auto writePage = [&](const ogg_page& page) {
        std::fwrite(page.header, 1, size_t(page.header_len), out);
        std::fwrite(page.body, 1, size_t(page.body_len), out);
    };
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    while (ogg_stream_flush(&os, &og)) writePage(og);

    auto drain = [&]() {
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og)) writePage(og);
            }
        }
    };
    const int frames = int(samples.size()) / channels;
    const int step = 4096;
    for (int at = 0; at < frames; at += step) {
        const int n = frames - at < step ? frames - at : step;
        float** buf = vorbis_analysis_buffer(&vd, n);
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c) buf[c][i] = samples[size_t(at + i) * size_t(channels) + size_t(c)] / 32768.0f;
        vorbis_analysis_wrote(&vd, n);
        drain();
    }
    vorbis_analysis_wrote(&vd, 0);
    drain();
    while (ogg_stream_flush(&os, &og)) writePage(og);

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return std::fclose(out) == 0;
}

}  // namespace audiotest
