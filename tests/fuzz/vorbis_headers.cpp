// Fuzz target: a Vorbis header, read by the backend's check and unpacked by
// libvorbis itself. The input's first byte picks one channel or two (its low
// bit) and the header (the rest: a setup header, mostly, or a comment or an
// identification header); the rest of the input is the header's body, after
// its type byte and "vorbis". Within the backend's limits the check must
// accept exactly what libvorbis accepts (it follows libvorbis bit for bit),
// and a setup header both accept must set up without fault: the limits are
// what make that set-up cheap.

#include <vorbis/codec.h>

#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "music_source.h"

namespace {

// An identification header (one or two channels, 44.1 kHz, blocks of 256
// and 2,048) and a comment header of no fields, as libvorbisenc writes them.
std::vector<unsigned char> IdHeader(int channels) {
    std::vector<unsigned char> p = {1, 'v', 'o', 'r', 'b', 'i', 's', 0, 0, 0, 0, static_cast<unsigned char>(channels),
                                    0x44, 0xac, 0, 0};
    p.resize(28, 0);
    p.push_back(0xb8);  // 2^8 and 2^11
    p.push_back(1);
    return p;
}

const std::vector<unsigned char> kComment = {3, 'v', 'o', 'r', 'b', 'i', 's', 0, 0, 0, 0, 0, 0, 0, 0, 1};

bool Headerin(vorbis_info* vi, vorbis_comment* vc, const std::vector<unsigned char>& bytes, bool first) {
    ogg_packet p{};
    p.packet = const_cast<unsigned char*>(bytes.data());
    p.bytes = long(bytes.size());
    p.b_o_s = first;
    return vorbis_synthesis_headerin(vi, vc, &p) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int channels = 1 + (data[0] & 1);
    const int kind = (data[0] >> 1) % 8;  // 0..5 a setup header, 6 a comment, 7 an identification
    if (kind >= 6) {
        std::vector<unsigned char> header = {static_cast<unsigned char>(kind == 6 ? 3 : 1), 'v', 'o', 'r', 'b', 'i', 's'};
        header.insert(header.end(), data + 1, data + size);
        vorbis_info vi;
        vorbis_comment vc;
        vorbis_info_init(&vi);
        vorbis_comment_init(&vc);
        KuvoVorbisId id;
        if (kind == 7) {
            FUZZ_CHECK(KuvoReadVorbisId(header.data(), long(header.size()), &id) == Headerin(&vi, &vc, header, true));
        } else {
            FUZZ_CHECK(Headerin(&vi, &vc, IdHeader(channels), true));
            FUZZ_CHECK(KuvoReadVorbisComment(header.data(), long(header.size())) == Headerin(&vi, &vc, header, false));
        }
        vorbis_comment_clear(&vc);
        vorbis_info_clear(&vi);
        return 0;
    }
    std::vector<unsigned char> setup = {5, 'v', 'o', 'r', 'b', 'i', 's'};
    setup.insert(setup.end(), data + 1, data + size);

    KuvoVorbisFigures f;
    const bool ours = KuvoReadVorbisSetup(setup.data(), long(setup.size()), channels, &f);
    if (KuvoVorbisPastLimits(f)) return 0;  // refused before libvorbis would see it

    vorbis_info vi;
    vorbis_comment vc;
    vorbis_info_init(&vi);
    vorbis_comment_init(&vc);
    FUZZ_CHECK(Headerin(&vi, &vc, IdHeader(channels), true));
    FUZZ_CHECK(Headerin(&vi, &vc, kComment, false));
    const bool theirs = Headerin(&vi, &vc, setup, false);
    FUZZ_CHECK(ours == theirs);
    if (theirs) {
        vorbis_dsp_state vd;
        if (vorbis_synthesis_init(&vd, &vi) == 0) vorbis_dsp_clear(&vd);
    }
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return 0;
}
