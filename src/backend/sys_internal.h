// Globals private to the backend (and visible to its tests): the window, the
// render-side copy of the draw list, the image-slot pixel stores, the audio
// handles and the input seam. The engine and the game never include this.
#pragma once

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

// ---- audio
extern unsigned int ALsource[kuvo::kAudioSources];
extern unsigned int MusicBuffer[kuvo::kMusicBuffers];
extern unsigned int ALbuffer[kuvo::kSoundSlots];
extern int ALbufferActive[kuvo::kSoundSlots];
extern int SFXData[kuvo::kSoundSlots][5];   // size, frames, channels, bytes/sample, rate
extern int ALsourcebuffer[kuvo::kAudioSources];
extern int ALChannel;
extern void* ALdev;
extern void* ALctx;

// ---- input
extern std::string KeyName[kuvo::kKeyNames];
extern int ignorePress[kuvo::kIgnorePress];
extern int UpdateFrames;
extern int wasCanvasWidth, wasCanvasHeight;

// ---- log and shared text
extern int DebugMessages;
extern char TempstrSys[kuvo::kSysTextSize];

// ---- network
extern std::string website_HTML;
extern std::string URLGrabbed;

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

// Fills KeyName (every entry "???", then the named codes); called by SysInit
// once the working window is open.
void FillKeyNames();
