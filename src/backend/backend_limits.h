// Fixed table sizes of the platform backend. Every table of the backend is a
// fixed array of one of these sizes; nothing here grows at run time.
#pragma once

namespace kuvo {

constexpr int kDrawListCapacity = 16666;   // records one update may append
constexpr int kDrawValues = 30;            // doubles in one draw record
constexpr int kRenderCopyCapacity = 50000; // records of the render-side copy (DrawR)
constexpr int kImageSlots = 105;           // image slots 0..104
constexpr int kLoadableImageSlots = 100;   // GetPNG fills slots 0..99
constexpr int kBufferSlotMax = 100;        // Buffer_Create accepts slots 0..100
constexpr int kScreenCopySlot = 102;       // the grabbed screen
constexpr int kSoundSlots = 105;           // sound slots 0..104
constexpr int kAudioSources = 32;          // OpenAL sources: 0..30 effects, 31 music
constexpr int kEffectSources = 31;         // sources the effect pool rotates over
constexpr int kMusicSource = 31;           // the source reserved for music
constexpr int kMusicBuffers = 4;           // rotating stream buffers
constexpr int kMusicBlockBytes = 16384;    // bytes of a WAV file taken per stream block
constexpr int kOggBlockValues = 16384;     // interleaved 16-bit values decoded per Ogg block
constexpr int kOggReadsPerBlock = 16384;   // decoder calls one Ogg block may take (a call gives a frame or more)
constexpr int kOggMaxChannels = 2;         // channels a music buffer takes (mono or stereo)
constexpr int kOggFillBytes = 4096;        // bytes read from the file at a time, ahead of the decoder
constexpr int kOggHeaderWatches = 4;       // Vorbis streams whose headers may be on their way at once
// What one link's setup header may ask of the decoder, checked before
// libvorbis unpacks it. The encoders' largest, mono and stereo, at every
// quality and rate from 8 to 192 kHz: libvorbisenc 1.3.7 a book of 6,561
// entries, 11,813 entries in all, 4,891 of them used, 9,276 book values, 213
// lookup values and 200 classification rows (two residues of 100); ffmpeg's
// own encoder 6,561, 10,423, 2,625, 3,946, 125 and 100. Set-up costs about
// 0.1 us per used entry, paid once per link, and 20 ns per classification
// row, paid at every decoder reset.
constexpr long kOggBookEntries = 65536;             // entries of one book: 10x; libvorbis builds its decode
                                                    // table on the stack, 12 bytes an entry (768 KB here)
constexpr long long kOggLinkBookEntries = 131072;   // entries of all books: 11x (their length lists)
constexpr long long kOggLinkUsedEntries = 32768;    // used entries of all books: 6.7x (the decode tables,
                                                    // about 3 ms to build)
constexpr long long kOggLinkBookValues = 131072;    // book values and lookup values: 14x (512 KB of floats)
constexpr long long kOggLinkResidueRows = 16384;    // classification rows of all residues: 80x (0.4 ms a reset)
constexpr long long kOggLinkResidueCells = 65536;   // values in those rows
// The open searches out every link and unpacks and keeps all their headers,
// about 0.1 ms and 27 KB a link of libvorbisenc's.
constexpr int kOggMaxLinks = 2048;                  // links of a chained file: 2x a 1,000-song chain, whose
                                                    // start takes 0.2 s; the search recurses once per link
constexpr long long kOggFileHeaderBytes = 64LL << 20;  // memory of all links' unpacked headers and comments: a
                                                    // 1,000-link chain keeps 27 MB, a 16 MB cover 16 MB
constexpr long kOggOpenBytes = 512L << 20;          // bytes the open may read: the search reads some 64 KB
                                                    // before each link, 92 MB for 1,000 links of a second
// Each block may be handed so much, then goes on at the next block: no
// valid file runs out of allowance, it only spreads its work.
constexpr long kOggStepBytes = 512L << 10;          // bytes: a valid block reads under 10 KB of sound; a 4 MB
                                                    // comment in a later link takes 8 blocks
constexpr int kOggStepLinks = 1;                    // streams begun (decoder resets, each a set-up)
constexpr int kOggLinksWithoutSound = 8;            // resets in a row with no sound between them: a link
                                                    // with streams beside it resets it a few times
constexpr int kMusicStats = 8;             // MusicBufferStats entries (1 format, 4 rate, 5 channels)
constexpr int kSfxDataFields = 5;          // SFXData fields per sound slot
constexpr int kKeyNames = 350;             // GLFW key codes with a name slot
constexpr int kButtonFlags = 128;          // per-poll key flags
constexpr int kPointerFields = 100;        // ten pointers of ten fields
constexpr int kJoyFields = 400;            // four controllers of 100 fields
constexpr int kControllers = 4;            // GLFW joysticks polled
constexpr int kVirtualKeyValues = 128;     // VirtualKeys entries (0..15 used)
constexpr int kVirtualKeys = 16;           // rebindable inputs
constexpr int kBindingSlots = 64;          // binding slots per virtual key
constexpr int kBindingCells = 1024;        // 16 x 64 binding table
constexpr int kIgnorePress = 1024;         // capture latches
constexpr int kSysTextSize = 1024;         // TempstrSys and GameTitleSys
constexpr int kPathSize = 4608;            // screenshot path (program dir + name)
constexpr int kWebBlock = 10000;           // bytes taken by one receive
constexpr int kWebBufferBytes = 10016;     // webBuffer, one receive and a margin
constexpr int kWebResultMax = 1023;        // characters of payload a fetch keeps
constexpr int kWebAnswerMax = 1048576;     // bytes read from one answer before giving up
constexpr int kWebRequestMax = 16384;      // longest request text sent
constexpr int kWebConnectMs = 3000;        // time allowed for the connection
constexpr int kWebReceiveMs = 5000;        // time allowed for the whole answer after sending
constexpr int kHostNameMax = 253;          // longest host name (DNS limit)
constexpr int kDefaultHttpPort = 80;       // port of a host given without one
constexpr int kMissingInt = -37171;        // integer read past the end of a file
constexpr int kWhiteBlockBytes = 256;      // 8 x 8 RGBA opaque white texture
constexpr int kMaxFrameSide = 4096;        // largest frame side GetPNG accepts
constexpr int kMaxImageSide = 8192;        // largest PNG side / texture side accepted
constexpr int kMaxGrabSide = 4096;         // largest screen-copy texture

}  // namespace kuvo
