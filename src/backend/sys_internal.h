// Globals private to the backend (and visible to its tests): the window, the
// render-side copy of the draw list, the image-slot pixel stores, the audio
// handles and the input seam. The engine and the game never include this.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "KUVO_glfw3.h"

struct GLFWmonitor;
struct GLFWvidmode;

// ---- window (start-up and shut-down)
extern GLFWwindow* window;
extern int isFullscreen;
extern char GameTitleSys[kuvo::kSysTextSize];
extern std::vector<unsigned char> WhiteBlock;
// 1 while the last SetScreen could not open a window ("ERRORRZ"): the poll
// then raises the quit request so the program shuts down and saves normally.
extern int WindowFailed;
// Set from a signal handler when the system asks the program to stop (Ctrl+C
// in its terminal, SIGTERM, the terminal closing): the poll turns it into the
// quit request, so the game still shuts down and saves the normal way. A
// signal inherited as ignored (SIGHUP under nohup) is left alone; releasing
// gives each caught signal back the handler it had before.
void KuvoCatchStopSignals();
void KuvoReleaseStopSignals();
bool KuvoStopSignalled();

// ---- render-side copy of the draw list and renderer state
extern double DrawR[kuvo::kRenderCopyCapacity][kuvo::kDrawValues];
extern int DrawToRT;
extern int TexUse;        // -1 none, -2 white block, slot, slot + 200 (blur store)
extern int TriCount;      // primitives in the open batch
extern int RenderMode;    // GL_NEAREST or GL_LINEAR for this frame
extern int Wireframe;
extern float OverscanScaleX, OverscanScaleY;

// ---- image slot stores
extern std::vector<unsigned char> Image[kuvo::kImageSlots];
extern std::vector<unsigned char> ImageBlur[kuvo::kImageSlots];
extern int iSize[kuvo::kImageSlots];
extern int iFramesW[kuvo::kImageSlots];
extern float iFramesWz[kuvo::kImageSlots];
// Bumped whenever a slot's pixels change, so the renderer re-uploads a cached
// texture only when it is stale.
extern unsigned int ImageVersion[kuvo::kImageSlots];
// The same for each slot's second store (ImageBlur).
extern unsigned int ImageBlurVersion[kuvo::kImageSlots];

// ---- renderer internals (render.cpp, render_images.cpp, buffers.cpp)
// The window's GL context was replaced: every cached texture belonged to the
// old one and is forgotten. SetScreen calls this once a new window exists.
void KuvoRenderContextLost();
// Takes the framebuffer size a render measured into FrameW, FrameH and
// AspectRatio. A minimised window reports a zero side: the last real size
// and its ratio stay.
void KuvoTakeFrameSize(int width, int height);
// Reads the last presented frame into `out` (FrameW x FrameH RGBA, bottom row
// first, as glReadPixels delivers it); all zeros when there is no window.
void KuvoReadFrame(std::vector<unsigned char>& out);
// What the renderer asked of GL since the counters were last zeroed.
struct KuvoRenderCounters {
    long batches;    // triangle batches opened
    long uploads;    // texture uploads (glTexImage2D / glTexSubImage2D)
    long drawCalls;  // vertex submissions (one per non-empty batch)
};
extern KuvoRenderCounters RenderCounters;
// 1 draws every batch the slow, literal way (upload at every texture change,
// one GL call per vertex): a baseline for the renderer benchmark only.
extern int RenderLiteral;
// Whether frames draw through the renderer's program: chosen per frame by
// how often the list switches between shapes and images, or forced either
// way (tests compare the paths; their pixels must not differ).
namespace kuvo {
constexpr int kProgramAuto = 0;
constexpr int kProgramNever = 1;
constexpr int kProgramAlways = 2;
}  // namespace kuvo
extern int RenderProgramChoice;
// 1 when the last frame drew through the program.
extern int RenderProgramUsed;
// The renderer's program (render_program.cpp): binds it for a frame, building
// it first in a new context; false (nothing bound) when the driver cannot.
bool KuvoProgramBegin();
void KuvoProgramEnd();
// The context that held the program is gone.
void KuvoProgramForget();
// Makes `texture` (-2 white, a slot, slot + 200 for its second store) the
// texture of the open batch, opening a new batch when it differs or the open
// one is full.
void KuvoUseTexture(int texture);
// Appends two triangles A B C, A C D over corners (cx[i], cy[i]) with texture
// coordinates A (u0, vAB), B (u1, vAB), C (u1, vCD), D (u0, vCD); A and B take
// colour 1 of record `rec`, C and D colour 2.
void KuvoAddQuad(const double* rec, const float* cx, const float* cy,
                 float u0, float u1, float vAB, float vCD);
// Corners A..D of a box of half-extents hw, hh centred on values 1 and 2 of
// `rec`, turned by its value 18 (degrees) when that is not exactly 0.
void KuvoBoxCorners(const double* rec, float hw, float hh, float* cx, float* cy);
// A record value truncated toward zero; INT_MIN for NaN or values outside int.
int KuvoTrunc(double v);

// ---- audio
extern unsigned int ALsource[kuvo::kAudioSources];
extern unsigned int MusicBuffer[kuvo::kMusicBuffers];
extern unsigned int ALbuffer[kuvo::kSoundSlots];
extern int ALbufferActive[kuvo::kSoundSlots];
extern int SFXData[kuvo::kSoundSlots][kuvo::kSfxDataFields];  // size, frames, channels, bytes/sample, rate
extern int ALsourcebuffer[kuvo::kAudioSources];
extern int ALChannel;
extern void* ALdev;
extern void* ALctx;

// ---- music stream (music.cpp)
struct KuvoOggStream;             // an Ogg decoder and the source it reads
extern int MusicBufferTick;       // -3 at each start, +1 per queued block
extern int MusicBufferStats[kuvo::kMusicStats];  // [1] AL format, [4] rate, [5] channels
extern FILE* MusicFile;           // the running piece's file, null when none
extern KuvoOggStream* OggFile;    // its Ogg decoder, null for a WAV piece or none
extern long MusicFileBegin;       // first sample byte of a WAV piece's "data" chunk
extern long MusicFileEnd;         // one past the last byte of that chunk
extern short MusicStreamBlock[kuvo::kOggBlockValues];  // the block the last refill step read or decoded
long KuvoOggPasses();             // times the running Ogg piece went back to its start

// ---- WAV reading shared by effects and music (sfx.cpp)
struct KuvoWavFormat {
    int channels;
    int bytesPerSample;
    int rate;
};
// Reads a RIFF/WAVE header up to the end of the PCM format chunk; false on
// any mismatch, a format the chunk sizes or sample layout cannot describe,
// or a short file. fileEnd is the file's length.
bool KuvoReadWavHeader(FILE* f, long fileEnd, KuvoWavFormat* format);
// Walks the chunks after the header to the next "data" chunk and leaves the
// file at its first sample; false at the end of the file or at a chunk size
// that is negative or larger than what remains.
bool KuvoNextWavData(FILE* f, long fileEnd, long* dataSize);
// The OpenAL buffer format for (bytes per sample, channels); 0 for others.
int KuvoWavALFormat(int bytesPerSample, int channels);
// Logs the one line of a WAV file that was found but refused: a header that
// does not hold, or no "data" chunk that could be read whole or played.
void KuvoLogRefusedWave(const char* path);
// Length of an open file in bytes, leaving its position unchanged.
long KuvoFileLength(FILE* f);

// ---- input
extern std::string KeyName[kuvo::kKeyNames];
extern int ignorePress[kuvo::kIgnorePress];
extern int UpdateFrames;
extern int wasCanvasWidth, wasCanvasHeight;

// ---- log and shared text
extern int DebugMessages;
extern char TempstrSys[kuvo::kSysTextSize];

// ---- the one open file (files.cpp)
extern FILE* MyOpenFile;  // null while no file is open
extern int FileOpen;      // 1 while a file is open, else 0
// Opens a file for reading without ever waiting in the open (a named pipe
// nobody writes to); *plain tells whether it is a plain file. Null when it
// cannot be opened.
FILE* KuvoOpenForReading(const char* path, bool* plain);
// The same for the data files (images, sounds, music): null for anything
// but a plain file, since a pipe or a device would stall or never end.
FILE* KuvoOpenPlainFile(const char* path);

// ---- network
extern std::string website_HTML;   // kept bytes of the block received last
extern std::string URLGrabbed;
// Time limits of a fetch in milliseconds, kuvo::kWebConnectMs and
// kuvo::kWebReceiveMs; tests shorten them to keep dead-server cases quick.
extern int WebConnectLimitMs;
extern int WebReceiveLimitMs;

namespace kuvo {
// A host given as "name" or "name:port" (port 1..65535, 80 when absent); the
// name holds only letters, digits, dots and minus signs. Returns false and
// leaves out alone for anything else, the empty text included.
struct HostPort {
    std::string Name;
    int Port;
};
bool ParseHostPort(const std::string& text, HostPort* out);

// Finds the payload of an answer between its start and end tags, one receive
// block at a time. Each block is searched on its own, so a tag cut in two by
// the network is not seen. The payload keeps only codes 32..127, CR and LF and
// never grows past kWebResultMax characters.
class WebFramer {
public:
    // Empties window and result: the framing starts before the payload.
    WebFramer(std::string& window, std::string& result);
    void Block(const char* data, size_t length);
    // True once the end tag has been seen; nothing further is read.
    bool Done() const { return State_ == 2; }
    // The connection ended (or ran out of time) before any end tag.
    void Finish();

private:
    std::string& Window_;
    std::string& Result_;
    int State_;             // 0 before the payload, 1 inside it, 2 after it
    size_t Appended_;       // payload bytes seen, whether kept in Result_ or not
};
}  // namespace kuvo

// Every GLFW read that input polling and capture make goes through this table,
// so tests can drive the poll with fake keys, mice and controllers. The
// defaults call GLFW and read nothing (zeros) while there is no window.
struct KUVOInputSource {
    int (*GetKey)(GLFWwindow* w, int key);
    int (*GetMouseButton)(GLFWwindow* w, int button);
    void (*GetCursorPos)(GLFWwindow* w, double* x, double* y);
    void (*GetWindowSize)(GLFWwindow* w, int* width, int* height);
    int (*WindowShouldClose)(GLFWwindow* w);
    int (*WindowFocused)(GLFWwindow* w);
    int (*JoystickPresent)(int joy);
    const float* (*GetJoystickAxes)(int joy, int* count);
    const unsigned char* (*GetJoystickButtons)(int joy, int* count);
    const char* (*GetJoystickName)(int joy);
    // Primary monitor's current mode; false when there is no monitor.
    bool (*PrimaryMode)(int* width, int* height);
    void (*SetCursorPos)(GLFWwindow* w, double x, double y);
};
extern KUVOInputSource KUVOInput;
// The table that calls GLFW; tests restore it with KUVOInput = KUVOInputGLFW.
extern const KUVOInputSource KUVOInputGLFW;
// 1 while `key` is pressed, read through KUVOInput. Only GLFW's key codes
// 32..348 are ever asked; any other code reads 0.
int KUVOKeyDown(int key);

// Fills KeyName (every entry "???", then the named codes); called by SysInit
// once the working window is open.
void FillKeyNames();
