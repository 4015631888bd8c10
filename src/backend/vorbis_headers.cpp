// Reads a Vorbis stream's identification and setup headers the way libvorbis
// unpacks them, bit for bit, and adds up what unpacking and setting them up
// will cost: the codebooks' entries and values, the residues' classification
// maps. It only reads; it never allocates by what a header claims, so a
// header of any size costs no more than the reading of its own bits.

#include <ogg/ogg.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "music_source.h"

namespace {

// The bit reader over one packet; every read past its end gives -1, as in
// libvorbis, which reads through the same libogg calls.
struct Bits {
    oggpack_buffer opb;
    Bits(const unsigned char* data, long bytes) { oggpack_readinit(&opb, const_cast<unsigned char*>(data), bytes); }
    long Read(int bits) { return oggpack_read(&opb, bits); }
    long Left() { return opb.storage - oggpack_bytes(&opb); }
};

int ILog(unsigned long v) {
    int bits = 0;
    while (v) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

// The largest v with v^dim <= entries: the values of a lookup-type-1 book.
long Maptype1Values(long entries, long dim) {
    if (entries < 1 || dim < 1) return 0;
    long v = 1;
    // Whole powers only; v stays below 2^24, so the products cannot overflow.
    auto fits = [&](long base) {
        long acc = 1;
        for (long i = 0; i < dim; ++i) {
            if (acc > entries / base) return false;
            acc *= base;
        }
        return true;
    };
    if (dim == 1) return entries;
    // dim >= 2: v is at most the square root of entries, below 4,096.
    while (fits(v + 1)) ++v;
    return v;
}

constexpr int kMaxBooks = 256;     // the header's 8-bit count, plus one
constexpr int kFloorPosts = 63;    // libvorbis's largest floor 1 post list (VIF_POSIT)

struct Book {
    long dim;
    long entries;
    int maptype;
};

}  // namespace

bool KuvoReadVorbisId(const unsigned char* packet, long bytes, KuvoVorbisId* id) {
    if (bytes < 30 || packet[0] != 1 || std::memcmp(packet + 1, "vorbis", 6) != 0) return false;
    Bits b(packet + 7, bytes - 7);
    const long version = b.Read(32);
    const long channels = b.Read(8);
    const long rate = b.Read(32);
    b.Read(32);
    b.Read(32);
    b.Read(32);
    const long bs0 = b.Read(4);
    const long bs1 = b.Read(4);
    if (version != 0 || channels < 1 || rate < 1 || bs0 < 0 || bs1 < 0) return false;
    id->channels = int(channels);
    id->rate = rate;
    id->blocksize[0] = 1L << bs0;
    id->blocksize[1] = 1L << bs1;
    return id->blocksize[0] >= 64 && id->blocksize[1] >= id->blocksize[0] && id->blocksize[1] <= 8192 &&
           b.Read(1) == 1;
}

// Follows _vorbis_unpack_comment: only the lengths are read, and the texts
// passed over, as libvorbis would check them.
bool KuvoReadVorbisComment(const unsigned char* packet, long bytes) {
    if (bytes < 7 || packet[0] != 3 || std::memcmp(packet + 1, "vorbis", 6) != 0) return false;
    Bits b(packet, bytes);
    b.Read(8);
    for (int i = 0; i < 6; ++i) b.Read(8);
    auto skip = [&b](long n) {
        while (n > 0) {
            const long step = std::min(n, 1L << 20);
            oggpack_adv(&b.opb, int(step * 8));
            n -= step;
        }
    };
    const int vendor = int(b.Read(32));
    if (vendor < 0 || vendor > b.opb.storage - 8) return false;
    skip(vendor);
    const int count = int(b.Read(32));
    if (count < 0 || count > (b.Left() >> 2)) return false;
    for (int i = 0; i < count; ++i) {
        const int length = int(b.Read(32));
        if (length < 0 || length > b.Left()) return false;
        skip(length);
    }
    return b.Read(1) == 1;
}

// Follows _vorbis_unpack_books and the unpack calls of the codebooks, floors,
// residues and mappings it makes. The figures count everything libvorbis
// would have built before it gives up on a damaged header, so a header
// refused by libvorbis late in its reading is judged by what it cost so far.
// The reading stops as soon as the figures pass a limit, before the bits
// they announce are read.
bool KuvoReadVorbisSetup(const unsigned char* packet, long bytes, int channels, KuvoVorbisFigures* f) {
    *f = KuvoVorbisFigures{};
    auto past = [f] { return KuvoVorbisPastLimits(*f) != nullptr; };
    if (bytes < 7 || packet[0] != 5 || std::memcmp(packet + 1, "vorbis", 6) != 0) return false;
    Bits b(packet + 7, bytes - 7);
    static thread_local Book books[kMaxBooks];

    const long count = b.Read(8) + 1;
    if (count <= 0) return false;
    for (long n = 0; n < count; ++n) {
        if (b.Read(24) != 0x564342) return false;
        Book& book = books[n];
        book.dim = b.Read(16);
        book.entries = b.Read(24);
        if (book.entries == -1 || book.dim < 0) return false;
        if (ILog(book.dim) + ILog(book.entries) > 24) return false;
        long used = 0;
        switch (b.Read(1)) {
        case 0: {
            const long sparse = b.Read(1);
            if ((book.entries * (sparse ? 1 : 5) + 7) >> 3 > b.Left()) return false;
            // The length list is allocated whole before it is read.
            f->bookEntries += book.entries;
            f->largestBook = std::max<long long>(f->largestBook, book.entries);
            if (past()) return false;
            for (long i = 0; i < book.entries; ++i) {
                if (sparse && !b.Read(1)) continue;
                if (b.Read(5) == -1) return false;
                ++used;
            }
            break;
        }
        case 1: {
            long length = b.Read(5) + 1;
            if (length == 0) return false;
            f->bookEntries += book.entries;
            f->largestBook = std::max<long long>(f->largestBook, book.entries);
            if (past()) return false;
            for (long i = 0; i < book.entries;) {
                const long num = b.Read(ILog(static_cast<unsigned long>(book.entries - i)));
                if (num == -1) return false;
                if (length > 32 || num > book.entries - i || (num > 0 && (num - 1) >> (length - 1) > 1)) return false;
                i += num;
                ++length;
            }
            used = book.entries;
            break;
        }
        default:
            return false;
        }
        f->usedEntries += used;
        book.maptype = int(b.Read(4));
        switch (book.maptype) {
        case 0:
            break;
        case 1:
        case 2: {
            b.Read(32);
            b.Read(32);
            const long quant = b.Read(4) + 1;
            if (b.Read(1) == -1) return false;
            const long values = book.maptype == 1 ? (book.dim == 0 ? 0 : Maptype1Values(book.entries, book.dim))
                                                  : book.entries * book.dim;
            if ((values * quant + 7) >> 3 > b.Left()) return false;
            f->quantValues += values;
            if (past()) return false;
            long last = 0;
            for (long i = 0; i < values; ++i) last = b.Read(int(quant));
            if (values && last == -1) return false;
            // Set up, each used entry's vector of dim floats.
            f->bookValues += used * book.dim;
            break;
        }
        default:
            return false;
        }
        ++f->books;
        if (past()) return false;
    }

    const long times = b.Read(6) + 1;
    if (times <= 0) return false;
    for (long i = 0; i < times; ++i)
        if (b.Read(16) != 0) return false;

    const long floors = b.Read(6) + 1;
    if (floors <= 0) return false;
    for (long n = 0; n < floors; ++n) {
        const long type = b.Read(16);
        if (type == 0) {
            const long order = b.Read(8), rate = b.Read(16), barkmap = b.Read(16);
            b.Read(6);
            b.Read(8);
            const long numbooks = b.Read(4) + 1;
            if (order < 1 || rate < 1 || barkmap < 1 || numbooks < 1) return false;
            for (long j = 0; j < numbooks; ++j) {
                const long book = b.Read(8);
                if (book < 0 || book >= count || books[book].maptype == 0 || books[book].dim < 1) return false;
            }
        } else if (type == 1) {
            int partitionClass[32];
            int classDim[16] = {};
            const long partitions = b.Read(5);
            long maxClass = -1;
            for (long j = 0; j < partitions; ++j) {
                partitionClass[j] = int(b.Read(4));
                if (partitionClass[j] < 0) return false;
                maxClass = std::max<long>(maxClass, partitionClass[j]);
            }
            for (long j = 0; j <= maxClass; ++j) {
                classDim[j] = int(b.Read(3) + 1);
                const long subs = b.Read(2);
                if (subs < 0) return false;
                const long classBook = subs ? b.Read(8) : 0;
                if (classBook < 0 || classBook >= count) return false;
                for (long k = 0; k < (1L << subs); ++k) {
                    const long sub = b.Read(8) - 1;
                    if (sub < -1 || sub >= count) return false;
                }
            }
            b.Read(2);
            const long rangeBits = b.Read(4);
            if (rangeBits < 0) return false;
            // Posts 0 and 1 are the range's ends; no two may be equal.
            long posts[kFloorPosts + 2] = {0, 1L << rangeBits};
            long postCount = 0;
            for (long j = 0; j < partitions; ++j) {
                const long end = postCount + classDim[partitionClass[j]];
                if (end > kFloorPosts) return false;
                for (; postCount < end; ++postCount) {
                    const long t = b.Read(int(rangeBits));
                    if (t < 0 || t >= (1L << rangeBits)) return false;
                    posts[postCount + 2] = t;
                }
            }
            std::sort(posts, posts + postCount + 2);
            if (std::adjacent_find(posts, posts + postCount + 2) != posts + postCount + 2) return false;
        } else {
            return false;
        }
        ++f->floors;
    }

    const long residues = b.Read(6) + 1;
    if (residues <= 0) return false;
    for (long n = 0; n < residues; ++n) {
        const long type = b.Read(16);
        if (type < 0 || type > 2) return false;
        b.Read(24);
        b.Read(24);
        b.Read(24);
        const long partitions = b.Read(6) + 1;
        const long groupBook = b.Read(8);
        if (groupBook < 0) return false;
        long cascades = 0;
        for (long j = 0; j < partitions; ++j) {
            long cascade = b.Read(3);
            const long high = b.Read(1);
            if (high < 0) return false;
            if (high) {
                const long c = b.Read(5);
                if (c < 0) return false;
                cascade |= c << 3;
            }
            cascades += __builtin_popcountl(static_cast<unsigned long>(cascade));
        }
        long stageBooks[512];
        for (long j = 0; j < cascades; ++j) {
            stageBooks[j] = b.Read(8);
            if (stageBooks[j] < 0) return false;
        }
        if (groupBook >= count) return false;
        for (long j = 0; j < cascades; ++j)
            if (stageBooks[j] >= count || books[stageBooks[j]].maptype == 0) return false;
        // The classification map: partitions^dim rows of dim values, built
        // at every set-up; libvorbis allows no more rows than the book has
        // entries.
        const long dim = books[groupBook].dim;
        if (dim < 1) return false;
        long rows = 1;
        for (long d = 0; d < dim; ++d) {
            rows *= partitions;
            if (rows > books[groupBook].entries) return false;
        }
        f->residueRows += rows;
        f->residueCells += rows * dim;
        ++f->residues;
        if (past()) return false;
    }

    const long maps = b.Read(6) + 1;
    if (maps <= 0) return false;
    for (long n = 0; n < maps; ++n) {
        if (b.Read(16) != 0) return false;
        if (channels <= 0) return false;
        long submaps = 1;
        const long hasSubmaps = b.Read(1);
        if (hasSubmaps < 0) return false;
        if (hasSubmaps) {
            submaps = b.Read(4) + 1;
            if (submaps <= 0) return false;
        }
        const long coupled = b.Read(1);
        if (coupled < 0) return false;
        if (coupled) {
            const long steps = b.Read(8) + 1;
            if (steps <= 0) return false;
            const int bits = ILog(static_cast<unsigned long>(channels - 1));
            for (long i = 0; i < steps; ++i) {
                const long mag = b.Read(bits), ang = b.Read(bits);
                if (mag < 0 || ang < 0 || mag == ang || mag >= channels || ang >= channels) return false;
            }
        }
        if (b.Read(2) != 0) return false;
        if (submaps > 1) {
            for (long c = 0; c < channels; ++c) {
                const long mux = b.Read(4);
                if (mux >= submaps || mux < 0) return false;
            }
        }
        for (long i = 0; i < submaps; ++i) {
            b.Read(8);
            const long floor = b.Read(8);
            if (floor >= floors || floor < 0) return false;
            const long residue = b.Read(8);
            if (residue >= residues || residue < 0) return false;
        }
    }

    const long modes = b.Read(6) + 1;
    if (modes <= 0) return false;
    for (long n = 0; n < modes; ++n) {
        b.Read(1);
        const long window = b.Read(16), transform = b.Read(16), mapping = b.Read(8);
        if (window >= 1 || transform >= 1 || mapping >= maps || mapping < 0) return false;
    }
    f->complete = b.Read(1) == 1;
    return f->complete;
}

// Roughly what libvorbis allocates for an unpacked setup header and keeps
// while the file is open: the length and lookup lists, a record per book,
// and the setup record itself.
long long KuvoVorbisUnpackedBytes(const KuvoVorbisFigures& f) {
    return f.bookEntries + 8 * f.quantValues + 128LL * (f.books + f.floors + f.residues) + 8192;
}

const char* KuvoVorbisPastLimits(const KuvoVorbisFigures& f) {
    if (f.largestBook > kuvo::kOggBookEntries) return "a codebook's entries";
    if (f.bookEntries > kuvo::kOggLinkBookEntries) return "the codebooks' entries";
    if (f.usedEntries > kuvo::kOggLinkUsedEntries) return "the codebooks' used entries";
    if (f.bookValues > kuvo::kOggLinkBookValues) return "the codebooks' values";
    if (f.quantValues > kuvo::kOggLinkBookValues) return "the codebooks' lookup values";
    if (f.residueRows > kuvo::kOggLinkResidueRows) return "the residues' classification rows";
    if (f.residueCells > kuvo::kOggLinkResidueCells) return "the residues' classification values";
    return nullptr;
}
