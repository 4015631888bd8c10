// Ogg Vorbis streams written bit by bit, for the tests of what a stream's
// headers may ask of the decoder: codebooks and residue classification maps
// of any size the format allows, which no encoder writes, around a piece of
// silence that the decoder plays (each audio packet a single byte whose
// floors are unused). Written with libogg's own bit packer and page framing.
#pragma once

#include <ogg/ogg.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace audiotest {

struct CraftedBook {
    int dim;
    int lengthBits;       // 2^lengthBits entries, every code that long: a complete code, as the decoder demands
    bool values;          // lookup type 1 (a vector per entry) rather than none
    bool sparse = false;  // instead only the first two entries used, with codes of one bit
};

struct CraftedVorbis {
    int channels = 2;
    int rate = 44100;
    int blockBits = 11;  // both block sizes 2^blockBits
    std::vector<CraftedBook> books = {{1, 1, true}};
    // Residues, each classified with the book given: partitions^dim rows.
    struct Residue {
        int book;
        int partitions;
    };
    std::vector<Residue> residues = {{0, 1}};
    long audioPackets = 64 * 4;  // one-byte packets of silence, 64 a page
    uint32_t serial = 7001;
    // The comment and setup's page flagged as a stream's first page too:
    // the decoder reads on through it as the same stream's next page.
    bool headersFlaggedFirst = false;
};

namespace crafted {

inline void Bytes(oggpack_buffer* b, const char* s, int n) {
    for (int i = 0; i < n; ++i) oggpack_write(b, static_cast<unsigned char>(s[i]), 8);
}

inline ogg_packet Packet(oggpack_buffer* b, bool first, int64_t granule, int64_t number) {
    ogg_packet p{};
    p.packet = oggpack_get_buffer(b);
    p.bytes = oggpack_bytes(b);
    p.b_o_s = first;
    p.granulepos = granule;
    p.packetno = number;
    return p;
}

inline void Pages(ogg_stream_state* os, std::string* out, bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(os, &page) : ogg_stream_pageout(os, &page)) {
        out->append(reinterpret_cast<const char*>(page.header), size_t(page.header_len));
        out->append(reinterpret_cast<const char*>(page.body), size_t(page.body_len));
    }
}

}  // namespace crafted

// The bytes of one stream as specified.
inline std::string CraftedOgg(const CraftedVorbis& v) {
    using namespace crafted;
    ogg_stream_state os;
    ogg_stream_init(&os, int(v.serial));
    std::string out;
    oggpack_buffer b;

    oggpack_writeinit(&b);
    oggpack_write(&b, 1, 8);
    Bytes(&b, "vorbis", 6);
    oggpack_write(&b, 0, 32);
    oggpack_write(&b, unsigned(v.channels), 8);
    oggpack_write(&b, unsigned(v.rate), 32);
    for (int i = 0; i < 3; ++i) oggpack_write(&b, 0, 32);
    oggpack_write(&b, unsigned(v.blockBits), 4);
    oggpack_write(&b, unsigned(v.blockBits), 4);
    oggpack_write(&b, 1, 1);
    ogg_packet id = Packet(&b, true, 0, 0);
    ogg_stream_packetin(&os, &id);
    Pages(&os, &out, true);
    oggpack_writeclear(&b);
    if (v.headersFlaggedFirst) os.b_o_s = 0;

    oggpack_writeinit(&b);
    oggpack_write(&b, 3, 8);
    Bytes(&b, "vorbis", 6);
    oggpack_write(&b, 4, 32);
    Bytes(&b, "test", 4);
    oggpack_write(&b, 0, 32);
    oggpack_write(&b, 1, 1);
    ogg_packet comment = Packet(&b, false, 0, 1);
    ogg_stream_packetin(&os, &comment);
    oggpack_writeclear(&b);

    oggpack_writeinit(&b);
    oggpack_write(&b, 5, 8);
    Bytes(&b, "vorbis", 6);
    oggpack_write(&b, unsigned(v.books.size() - 1), 8);
    for (const CraftedBook& book : v.books) {
        oggpack_write(&b, 0x564342, 24);
        oggpack_write(&b, unsigned(book.dim), 16);
        oggpack_write(&b, 1u << book.lengthBits, 24);
        if (book.sparse) {
            oggpack_write(&b, 0, 1);  // unordered, with unused entries flagged
            oggpack_write(&b, 1, 1);
            for (unsigned long e = 0; e < (1ul << book.lengthBits); ++e) {
                oggpack_write(&b, e < 2 ? 1 : 0, 1);
                if (e < 2) oggpack_write(&b, 0, 5);
            }
        } else {
            oggpack_write(&b, 1, 1);  // ordered: one run of entries, all of one length
            oggpack_write(&b, unsigned(book.lengthBits - 1), 5);
            int bits = 0;
            for (unsigned long left = 1ul << book.lengthBits; left; left >>= 1) ++bits;
            oggpack_write(&b, 1u << book.lengthBits, bits);
        }
        if (book.values) {
            oggpack_write(&b, 1, 4);
            oggpack_write(&b, 0x60000000, 32);  // q_min, q_delta: small floats
            oggpack_write(&b, 0x60000000, 32);
            oggpack_write(&b, 0, 4);  // one bit a value
            oggpack_write(&b, 0, 1);
            long values = 1;
            while (true) {  // the largest v with v^dim <= entries
                long acc = 1;
                for (int d = 0; d < book.dim; ++d) acc *= values + 1;
                if (acc > (1l << book.lengthBits)) break;
                ++values;
            }
            for (long i = 0; i < values; ++i) oggpack_write(&b, 0, 1);
        } else {
            oggpack_write(&b, 0, 4);
        }
    }
    oggpack_write(&b, 0, 6);   // one time slot
    oggpack_write(&b, 0, 16);
    oggpack_write(&b, 0, 6);   // one floor: type 1, no partitions, posts 0 and 128
    oggpack_write(&b, 1, 16);
    oggpack_write(&b, 0, 5);
    oggpack_write(&b, 0, 2);
    oggpack_write(&b, 7, 4);
    oggpack_write(&b, unsigned(v.residues.size() - 1), 6);
    for (const CraftedVorbis::Residue& r : v.residues) {
        oggpack_write(&b, 2, 16);
        oggpack_write(&b, 0, 24);
        oggpack_write(&b, 0, 24);
        oggpack_write(&b, 31, 24);
        oggpack_write(&b, unsigned(r.partitions - 1), 6);
        oggpack_write(&b, unsigned(r.book), 8);
        for (int j = 0; j < r.partitions; ++j) oggpack_write(&b, 0, 4);  // no cascade
    }
    oggpack_write(&b, 0, 6);  // one mapping
    oggpack_write(&b, 0, 16);
    oggpack_write(&b, 0, 1);
    oggpack_write(&b, 0, 1);
    oggpack_write(&b, 0, 2);
    oggpack_write(&b, 0, 8);
    oggpack_write(&b, 0, 8);
    oggpack_write(&b, 0, 8);
    oggpack_write(&b, 0, 6);  // one mode
    oggpack_write(&b, 0, 1);
    oggpack_write(&b, 0, 16);
    oggpack_write(&b, 0, 16);
    oggpack_write(&b, 0, 8);
    oggpack_write(&b, 1, 1);
    ogg_packet setup = Packet(&b, false, 0, 2);
    ogg_stream_packetin(&os, &setup);
    Pages(&os, &out, true);
    oggpack_writeclear(&b);

    // Silence: a zero bit (audio), no mode bits, and every channel's floor unused.
    const int64_t half = int64_t(1) << (v.blockBits - 1);
    for (long n = 0; n < v.audioPackets; ++n) {
        unsigned char zero = 0;
        ogg_packet p{};
        p.packet = &zero;
        p.bytes = 1;
        p.granulepos = n * half;
        p.packetno = 3 + n;
        p.e_o_s = n + 1 == v.audioPackets;
        ogg_stream_packetin(&os, &p);
        if ((n + 1) % 64 == 0) Pages(&os, &out, true);
    }
    Pages(&os, &out, true);
    ogg_stream_clear(&os);
    return out;
}

}  // namespace audiotest
