// The music file as libvorbisfile reads it: read ahead into a framing of its
// own, examined a page (or a run of bytes holding none) at a time, and handed
// over only once examined and within the decoder step's allowance. libogg
// frames a stream the same way whatever the reads are cut into, and both
// framings start afresh at each seek, so every page the decoder can take has
// been seen here first. Nothing here may hand over bytes it has not
// examined, or read outside the file.

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <unistd.h>

#include "music_source.h"

namespace {

// A stream's first page: the decoder resets itself at one (or, when it comes
// from another stream, at the next page of its own) and builds its tables
// again, the costliest thing a page can make it do.
bool FirstPage(const ogg_page& page) { return ogg_page_bos(const_cast<ogg_page*>(&page)) != 0; }

void StopWatching(KuvoMusicSource* s) {
    for (KuvoHeaderWatch& w : s->watch) w.active = false;
}

// The framing begins again at `at`, the streams' headers still followed.
void RestartFraming(KuvoMusicSource* s, long at) {
    ogg_sync_reset(&s->sync);
    s->syncPos = at;
    s->filePos = at;
    s->pos = at;
    s->out = nullptr;
    s->outLeft = 0;
    s->outPending = false;
    s->atEnd = false;
}

// After a seek both framings begin again at the same byte, and the decoder
// reads any stream's headers again from its first page.
void Restart(KuvoMusicSource* s, long at) {
    RestartFraming(s, at);
    StopWatching(s);
}

bool IsHeader(const ogg_packet& p, int type) {
    return p.bytes >= 7 && p.packet[0] == type && std::memcmp(p.packet + 1, "vorbis", 6) == 0;
}

// A setup header, judged before the decoder can unpack it. Chained files
// made by one encoder repeat the same header in every link, so the last
// verdict is kept.
bool SetupPasses(KuvoMusicSource* s, const KuvoHeaderWatch& w, const ogg_packet& p, KuvoVorbisFigures* f) {
    const size_t bytes = size_t(p.bytes);
    if (s->lastSetupChannels == w.id.channels && s->lastSetup.size() == bytes &&
        std::memcmp(s->lastSetup.data(), p.packet, bytes) == 0) {
        *f = s->lastFigures;
        return s->lastSetupPassed;
    }
    KuvoReadVorbisSetup(p.packet, p.bytes, w.id.channels, f);
    s->lastSetup.assign(p.packet, p.packet + bytes);
    s->lastSetupChannels = w.id.channels;
    s->lastFigures = *f;
    s->lastSetupPassed = f->complete && KuvoVorbisPastLimits(*f) == nullptr;
    return s->lastSetupPassed;
}

// The open unpacks every link's headers and keeps them all: what they add
// up to is bounded as well. Each link counts once, however often the
// decoder's search for the links reads its pages.
bool FileWithinLimits(KuvoMusicSource* s, const KuvoHeaderWatch& w, const KuvoVorbisFigures& f) {
    if (!s->links.insert(w.startsAt).second) return true;
    s->fileHeaderBytes += w.commentBytes + KuvoVorbisUnpackedBytes(f);
    return s->links.size() <= size_t(kuvo::kOggMaxLinks) && s->fileHeaderBytes <= kuvo::kOggFileHeaderBytes;
}

// Follows the headers of every Vorbis stream that begins, as the decoder
// would assemble them; false when one is past the limits, or one the decoder
// would refuse: a chained file's open meets those deep in a search that then
// loses what it had unpacked.
bool WatchHeaders(KuvoMusicSource* s, ogg_page* page, long offset) {
    const long serial = ogg_page_serialno(page);
    KuvoHeaderWatch* w = nullptr;
    for (KuvoHeaderWatch& c : s->watch)
        if (c.active && c.serial == serial) w = &c;
    ogg_packet p;
    // A first page of a stream already being followed is taken as its next
    // page, as the decoder does while it reads that stream's headers.
    if (FirstPage(*page) && !w) {
        for (KuvoHeaderWatch& c : s->watch)
            if (!c.active) w = &c;
        // More streams beginning at once than any file has.
        if (!w) return false;
        ogg_stream_reset_serialno(&w->stream, int(serial));
        ogg_stream_pagein(&w->stream, page);
        // The decoder takes a stream as Vorbis when the first page holds a
        // whole identification packet, and unpacks it at once.
        if (ogg_stream_packetout(&w->stream, &p) != 1 || !p.b_o_s || !IsHeader(p, 1)) return true;
        if (!KuvoReadVorbisId(p.packet, p.bytes, &w->id)) return false;
        if (w->id.channels > kuvo::kOggMaxChannels || w->id.rate > INT_MAX) return false;
        w->active = true;
        w->serial = serial;
        w->startsAt = offset;
        w->packets = 1;
    } else {
        if (!w) return true;
        ogg_stream_pagein(&w->stream, page);
    }
    for (;;) {
        const int got = ogg_stream_packetout(&w->stream, &p);
        if (got == 0) return true;
        w->active = false;
        // A gap in the headers, or a packet out of their order: the decoder
        // would refuse the stream there.
        if (got < 0 || !IsHeader(p, w->packets == 1 ? 3 : 5)) return false;
        if (w->packets == 1) {
            if (!KuvoReadVorbisComment(p.packet, p.bytes)) return false;
            w->active = true;
            w->packets = 2;
            w->commentBytes = p.bytes;
            continue;
        }
        KuvoVorbisFigures f;
        if (!SetupPasses(s, *w, p, &f)) return false;
        return s->step != KuvoMusicStep::Open || FileWithinLimits(s, *w, f);
    }
}

// A page of the open that belongs to none of the streams the file begins
// with shows a later link (or damage that looks like one).
bool MeetsLaterLink(KuvoMusicSource* s) {
    if (s->step != KuvoMusicStep::Open || s->chainChecked || !s->outIsPage) return false;
    const long serial = ogg_page_serialno(&s->outPage);
    if (!s->firstRunRead) {
        if (FirstPage(s->outPage)) {
            s->firstSerials.push_back(serial);
            return false;
        }
        s->firstRunRead = true;
    }
    return std::find(s->firstSerials.begin(), s->firstSerials.end(), serial) == s->firstSerials.end();
}

enum class Verdict { Take, Hold, Refuse };

// Whether the examined bytes fit the step's allowance. A block step that has
// used its allowance holds them for the next block; the open and a seek
// cannot be resumed, so for them it is the end. The first bytes of a block
// step always go: every step moves on. Streams beginning count only in a
// block, where each makes the decoder set itself up again; the open and a
// seek pass over them.
Verdict Judge(KuvoMusicSource* s) {
    const long bytes = s->outLeft;
    const int first = s->outIsPage && FirstPage(s->outPage) ? 1 : 0;
    switch (s->step) {
    case KuvoMusicStep::Open:
        if (s->stepBytes + bytes > kuvo::kOggOpenBytes) return Verdict::Refuse;
        if (MeetsLaterLink(s)) {
            s->chained = true;
            return Verdict::Refuse;
        }
        break;
    case KuvoMusicStep::Seek:
        if (s->stepBytes + bytes > kuvo::kOggStepBytes) return Verdict::Refuse;
        break;
    case KuvoMusicStep::Block:
        if (s->stepBytes > 0 &&
            (s->stepBytes + bytes > kuvo::kOggStepBytes || s->stepLinks + first > kuvo::kOggStepLinks))
            return Verdict::Hold;
        break;
    }
    // A file whose streams keep resetting the decoder without a sound
    // between them is made to do nothing else.
    if (first && s->step == KuvoMusicStep::Block && ++s->linksWithoutSound > kuvo::kOggLinksWithoutSound)
        return Verdict::Refuse;
    s->stepBytes += bytes;
    s->stepLinks += first;
    if (s->outIsPage && !WatchHeaders(s, &s->outPage, s->outAt)) return Verdict::Refuse;
    return Verdict::Take;
}

// Examines the next page or run of bytes without one; false at the file's
// end with nothing left. Reads ahead only once every examined byte is
// handed over, since a read may move the framing's buffer.
bool Examine(KuvoMusicSource* s) {
    for (;;) {
        const int before = s->sync.returned;
        const long n = ogg_sync_pageseek(&s->sync, &s->outPage);
        if (n != 0) {
            s->out = s->sync.data + before;
            s->outLeft = n > 0 ? n : -n;
            s->outIsPage = n > 0;
            s->outAt = s->syncPos;
            s->syncPos += s->outLeft;
            return true;
        }
        if (s->filePos >= s->length) {
            // What is left can never make a page: it goes as it is.
            const long left = long(s->sync.fill) - s->sync.returned;
            s->atEnd = true;
            if (left <= 0) return false;
            s->out = s->sync.data + before;
            s->outLeft = left;
            s->outIsPage = false;
            s->outAt = s->syncPos;
            s->syncPos += left;
            return true;
        }
        char* into = ogg_sync_buffer(&s->sync, kuvo::kOggFillBytes);
        if (!into) return false;
        const long want = std::min<long>(kuvo::kOggFillBytes, s->length - s->filePos);
        const size_t got = std::fread(into, 1, size_t(want), s->file);
        // A file cut short since it was opened ends where it now ends.
        if (got == 0) s->length = s->filePos;
        ogg_sync_wrote(&s->sync, long(got));
        s->filePos += long(got);
    }
}

}  // namespace

void KuvoMusicSourceInit(KuvoMusicSource* s, FILE* file, long length) {
    s->file = file;
    s->length = length < 0 || std::fseek(file, 0, SEEK_SET) != 0 ? 0 : length;
    ogg_sync_init(&s->sync);
    for (KuvoHeaderWatch& w : s->watch) {
        ogg_stream_init(&w.stream, 0);
        w.active = false;
    }
    Restart(s, 0);
    s->step = KuvoMusicStep::Open;
    s->stepBytes = 0;
    s->stepLinks = 0;
    s->linksWithoutSound = 0;
    s->yielded = false;
    s->refused = false;
    s->firstSerials.clear();
    s->firstRunRead = false;
    s->chained = false;
    s->chainChecked = false;
    s->links.clear();
    s->fileHeaderBytes = 0;
    s->lastSetupChannels = -1;
    s->lastSetupPassed = false;
}

void KuvoMusicSourceClear(KuvoMusicSource* s) {
    ogg_sync_clear(&s->sync);
    for (KuvoHeaderWatch& w : s->watch) ogg_stream_clear(&w.stream);
}

void KuvoMusicBeginStep(KuvoMusicSource* s, KuvoMusicStep step) {
    s->step = step;
    s->stepBytes = 0;
    s->stepLinks = 0;
    s->yielded = false;
    // A seek leaves the decoder to set itself up again at its next block.
    if (step == KuvoMusicStep::Seek && ++s->linksWithoutSound > kuvo::kOggLinksWithoutSound) s->refused = true;
}

void KuvoMusicHeard(KuvoMusicSource* s) { s->linksWithoutSound = 0; }

namespace {

constexpr long kWalkWindow = 256L << 10;  // bytes read at a time walking a chain's pages

// Walks a chained file's pages by their headers from its first byte: a page
// that begins a stream, or belongs to one whose headers are not all in yet,
// is read whole, its checksum checked, and followed as the decoder's open
// would meet it; the others (the sound) are passed over unread. Returns
// where the pages stopped following one another (the file's length when
// they never did); false when a link went past a limit.
bool WalkPages(KuvoMusicSource* s, long* stoppedAt) {
    const int fd = fileno(s->file);
    std::vector<unsigned char> window;
    long windowAt = 0;
    // `n` bytes at `from`, or null when the file has fewer.
    auto bytesAt = [&](long from, long n) -> const unsigned char* {
        if (from < windowAt || from + n > windowAt + long(window.size())) {
            window.resize(size_t(std::max(std::min(kWalkWindow, s->length - from), n)));
            size_t got = 0;
            while (got < window.size()) {
                const ssize_t r = pread(fd, window.data() + got, window.size() - got, from + long(got));
                if (r <= 0) break;
                got += size_t(r);
            }
            window.resize(got);
            windowAt = from;
        }
        return from + n <= windowAt + long(window.size()) ? window.data() + (from - windowAt) : nullptr;
    };
    ogg_sync_state check;
    ogg_sync_init(&check);
    bool passed = true;
    long pos = 0;
    while (pos < s->length) {
        const unsigned char* h = bytesAt(pos, 27);
        if (!h || std::memcmp(h, "OggS", 4) != 0 || !(h = bytesAt(pos, 27 + long(h[26])))) break;
        long length = 27 + long(h[26]);
        for (int i = 0; i < h[26]; ++i) length += h[27 + i];
        ogg_page head{const_cast<unsigned char*>(h), 27 + long(h[26]), nullptr, 0};
        const long serial = ogg_page_serialno(&head);
        bool followed = FirstPage(head);
        for (const KuvoHeaderWatch& w : s->watch) followed = followed || (w.active && w.serial == serial);
        if (followed) {
            if (!(h = bytesAt(pos, length))) break;
            ogg_sync_reset(&check);
            char* into = ogg_sync_buffer(&check, length);
            if (!into) break;
            std::memcpy(into, h, size_t(length));
            ogg_sync_wrote(&check, length);
            ogg_page page;
            if (ogg_sync_pageseek(&check, &page) != length) break;  // not a whole page with its checksum
            if (!WatchHeaders(s, &page, pos)) {
                passed = false;
                break;
            }
        }
        s->stepBytes += length;
        if (s->stepBytes > kuvo::kOggOpenBytes) {
            passed = false;
            break;
        }
        pos += length;
    }
    ogg_sync_clear(&check);
    *stoppedAt = pos;
    return passed;
}

}  // namespace

bool KuvoMusicHandFrom(KuvoMusicSource* s, long at) {
    if (at < 0 || at > s->length || std::fseek(s->file, at, SEEK_SET) != 0) return false;
    Restart(s, at);
    return true;
}

bool KuvoMusicCheckChain(KuvoMusicSource* s) {
    auto fromStart = [s] {
        s->refused = false;
        s->links.clear();
        s->fileHeaderBytes = 0;
        if (!KuvoMusicHandFrom(s, 0)) return false;
        KuvoMusicBeginStep(s, KuvoMusicStep::Open);
        return true;
    };
    s->chained = false;
    s->chainChecked = true;
    if (!fromStart()) return false;
    long stoppedAt = 0;
    bool passed = WalkPages(s, &stoppedAt);
    // Past where the pages stop following one another (damage, or bytes
    // that hold none), the rest is framed byte by byte as the decoder
    // frames it, the streams' headers still followed.
    if (passed && stoppedAt < s->length) {
        passed = std::fseek(s->file, stoppedAt, SEEK_SET) == 0;
        RestartFraming(s, stoppedAt);
        unsigned char scratch[kuvo::kOggFillBytes];
        while (passed && KuvoMusicRead(scratch, 1, sizeof scratch, s) > 0) {
        }
        passed = passed && !s->refused;
    }
    if (!passed || !fromStart()) {
        s->refused = true;
        return false;
    }
    return true;
}

size_t KuvoMusicRead(void* into, size_t size, size_t count, void* source) {
    KuvoMusicSource* s = static_cast<KuvoMusicSource*>(source);
    if (size == 0 || count == 0) return 0;
    if (s->refused || s->yielded) {
        errno = s->refused ? EIO : EAGAIN;
        return 0;
    }
    if (s->outLeft == 0) {
        if (s->atEnd || !Examine(s)) {
            errno = 0;
            return 0;
        }
        s->outPending = true;
    }
    if (s->outPending) {
        const Verdict v = Judge(s);
        if (v != Verdict::Take) {
            s->refused = v == Verdict::Refuse;
            s->yielded = v == Verdict::Hold;
            errno = s->refused ? EIO : EAGAIN;
            return 0;
        }
        s->outPending = false;
    }
    const size_t items = std::min(count, size_t(s->outLeft) / size);
    if (items == 0) {
        // Fewer bytes than one item are left of what was examined.
        s->refused = true;
        errno = EIO;
        return 0;
    }
    const size_t bytes = items * size;
    std::memcpy(into, s->out, bytes);
    s->out += bytes;
    s->outLeft -= long(bytes);
    s->pos += long(bytes);
    return items;
}

// Only offsets inside the file, its end included: the file systems differ on
// a seek far past the end (ext4 refuses one near 2^63, tmpfs takes it), and a
// decoder searching out there would never come back.
int KuvoMusicSeek(void* source, int64_t offset, int whence) {
    KuvoMusicSource* s = static_cast<KuvoMusicSource*>(source);
    if (s->refused) return -1;
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_END ? s->length : whence == SEEK_CUR ? s->pos : -1;
    if (base < 0 || offset < -base || offset > s->length - base) return -1;
    const long at = long(base + offset);
    if (std::fseek(s->file, at, SEEK_SET) != 0) return -1;
    Restart(s, at);
    return 0;
}

long KuvoMusicTell(void* source) {
    KuvoMusicSource* s = static_cast<KuvoMusicSource*>(source);
    return s->refused ? -1 : s->pos;
}
