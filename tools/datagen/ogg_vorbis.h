// The one Ogg Vorbis encoder of the project (libvorbisenc), shared by the data
// generator and the sound tests: planar float samples in, a file out. It never
// keeps state between calls; callers link vorbisenc, vorbis and ogg.
#pragma once

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace oggvorbis {

constexpr int kBlockFrames = 1024;  // frames handed to the encoder at a time
constexpr int kSerial = 559;        // the stream's serial number, fixed so the bytes never change

// Writes `frames` frames of one plane per channel (-1..1) at `rate`, with a
// variable bit rate of `quality` (0..1), and one comment field `tag`=`value`
// when a tag is given. False when the encoder refuses the settings or the file
// cannot be written whole.
inline bool Write(const std::string& path, const std::vector<const float*>& planes, size_t frames, int rate,
                  float quality, const char* tag = nullptr, const std::string& value = std::string()) {
    const int channels = static_cast<int>(planes.size());
    if (channels < 1) return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        return false;
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    if (tag) vorbis_comment_add_tag(&vc, tag, value.c_str());
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, kSerial);

    bool ok = true;
    ogg_page og;
    ogg_packet op;
    auto writePage = [&](const ogg_page& page) {
        ok = ok && std::fwrite(page.header, 1, size_t(page.header_len), out) == size_t(page.header_len);
        ok = ok && std::fwrite(page.body, 1, size_t(page.body_len), out) == size_t(page.body_len);
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
    for (size_t at = 0; at < frames; at += kBlockFrames) {
        const int n = int(std::min<size_t>(kBlockFrames, frames - at));
        float** buf = vorbis_analysis_buffer(&vd, n);
        for (int c = 0; c < channels; ++c) std::copy(planes[size_t(c)] + at, planes[size_t(c)] + at + n, buf[c]);
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
    return std::fclose(out) == 0 && ok;
}

}  // namespace oggvorbis
