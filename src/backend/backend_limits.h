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
constexpr int kOggReadBytes = 1024;        // bytes one decoder read takes: the processor budget is checked between
                                           // reads, and 1,024 bytes hold at most 37 of the smallest pages
constexpr int kOggOpenCpuMs = 200;         // processor time the open may take; a 4 MB comment or a chain of
                                           // 200 links opens in a sixth of it
constexpr int kOggStepCpuMs = 10;          // processor time one block or one return to the start may take;
                                           // a valid block decodes in under 1 ms
constexpr int kSanitizerSlowdown = 3;      // how much slower the sanitizer builds run the decoder: its budgets
                                           // grow by as much, so that they end only what the shipped game would
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
