// The Ogg music file as libvorbisfile reads it. Every byte it is handed has
// been framed into pages first, by the same libogg framing its own reader
// applies to the same bytes, so each page is seen before the decoder can
// use it: the headers of every stream are checked before libvorbis unpacks
// or sets them up, and each decoder step is handed only as much as its
// allowance of work takes. Nothing here depends on timing; nothing reads
// outside the file.
#pragma once

#include <ogg/ogg.h>

#include <cstdint>
#include <cstdio>
#include <unordered_set>
#include <vector>

#include "backend_limits.h"

// ---- a link's headers (vorbis_headers.cpp)

struct KuvoVorbisId {
    int channels;
    long rate;
    long blocksize[2];
};

// What unpacking and setting up one setup header costs, as far as libvorbis
// would read it.
struct KuvoVorbisFigures {
    int books;
    int floors;
    int residues;
    long long bookEntries;   // length-list entries unpacked, all books
    long long largestBook;   // entries of the largest book
    long long usedEntries;   // entries the decode tables are built for
    long long bookValues;    // floats of the books' value vectors, built at set-up
    long long quantValues;   // lookup values unpacked
    long long residueRows;   // rows of the residues' classification maps, built at every set-up
    long long residueCells;  // values in those rows
    bool complete;           // read to its end as libvorbis would accept it
};

// An identification header as libvorbis accepts one; false otherwise.
bool KuvoReadVorbisId(const unsigned char* packet, long bytes, KuvoVorbisId* id);
// A comment header as libvorbis accepts one; false otherwise.
bool KuvoReadVorbisComment(const unsigned char* packet, long bytes);
// Reads a setup header for a stream of `channels`; true when libvorbis would
// accept it. The figures hold what was read either way.
bool KuvoReadVorbisSetup(const unsigned char* packet, long bytes, int channels, KuvoVorbisFigures* f);
// Null when the figures are within the backend's limits, else what is past them.
const char* KuvoVorbisPastLimits(const KuvoVorbisFigures& f);
// The memory an unpacked setup header of these figures keeps.
long long KuvoVorbisUnpackedBytes(const KuvoVorbisFigures& f);

// ---- the file as the decoder reads it (music_source.cpp)

// What the decoder is doing while it reads: each kind has an allowance.
enum class KuvoMusicStep {
    Open,    // ov_open: every link's headers, the bisection for the links
    Seek,    // a return to a byte offset (the start, or the first audio page)
    Block,   // decoding one block
};

// A stream whose headers are coming in: followed from its first page until
// its setup header has been checked.
struct KuvoHeaderWatch {
    ogg_stream_state stream;
    bool active;
    long serial;
    long startsAt;  // file offset of its first page
    int packets;    // header packets seen
    long commentBytes;
    KuvoVorbisId id;
};

struct KuvoMusicSource {
    FILE* file;
    long length;     // bytes of the file when it was opened; nothing past them is read
    long filePos;    // where the next read from the file starts
    long pos;        // the decoder's position: the next byte it is handed
    ogg_sync_state sync;  // the page framing of the bytes read ahead
    long syncPos;         // file offset of the framing's next unexamined byte
    const unsigned char* out;  // examined bytes not handed over yet (inside the framing's buffer)
    long outLeft;
    long outAt;        // their file offset
    bool outIsPage;    // they are a page (outPage), not a run of bytes holding none
    ogg_page outPage;
    bool outPending;   // they still wait for a step's allowance
    bool atEnd;        // the file is read to its end and every byte examined

    KuvoMusicStep step;
    long long stepBytes;  // bytes handed over in this step
    int stepLinks;        // first pages of a stream handed over in this step
    int linksWithoutSound;  // decoder resets since it last gave a value
    bool yielded;  // the step's allowance is used up; the next step goes on from here
    bool refused;  // the file went past a limit: every call fails from now on

    KuvoHeaderWatch watch[kuvo::kOggHeaderWatches];
    // A chained file's open searches out its later links and unpacks their
    // headers deep inside a recursion that, when one of them fails, loses
    // what it unpacked of the others (libvorbisfile 1.3.7 frees none of it).
    // So the first open stops at the first page of a later link, before any
    // of them is unpacked, and the whole file is read through the checks
    // first; only a file that passes is opened again.
    std::vector<long> firstSerials;  // the streams the file begins with
    bool firstRunRead;               // the pages that begin them are behind
    bool chained;                    // a later link was met: the open stopped there
    bool chainChecked;               // the whole file passed the checks
    std::unordered_set<long> links;  // first pages of the streams whose setup header the open counted
    long long fileHeaderBytes;       // the memory their unpacked headers keep, comments included
    std::vector<unsigned char> lastSetup;  // the setup header judged last, its figures and verdict
    int lastSetupChannels;
    KuvoVorbisFigures lastFigures;
    bool lastSetupPassed;
};

// Takes the open file of `length` bytes, read from its start; it stays the
// caller's to close.
void KuvoMusicSourceInit(KuvoMusicSource* s, FILE* file, long length);
void KuvoMusicSourceClear(KuvoMusicSource* s);
// Begins a decoder step with its allowance.
void KuvoMusicBeginStep(KuvoMusicSource* s, KuvoMusicStep step);
// The decoder gave values: the resets it made since count no more.
void KuvoMusicHeard(KuvoMusicSource* s);
// Hands the file over again from `at`: the decoder dropped what it had been
// handed beyond it without framing it. False when the file cannot go there.
bool KuvoMusicHandFrom(KuvoMusicSource* s, long at);
// After an open that stopped at a later link: reads the whole file through
// the checks, from its first byte, as the open would meet every link; true
// when it passes, and the file is then ready to be opened again from its
// first byte. False leaves the file refused.
bool KuvoMusicCheckChain(KuvoMusicSource* s);

// The read, seek and tell callbacks. A read hands over whole checked pages
// and runs of bytes that hold none; a read of nothing with errno set is an
// error to the decoder (an allowance used up, or a refusal), with errno 0 the
// end of the file.
size_t KuvoMusicRead(void* into, size_t size, size_t count, void* source);
int KuvoMusicSeek(void* source, int64_t offset, int whence);  // 0, or -1 when refused
long KuvoMusicTell(void* source);
