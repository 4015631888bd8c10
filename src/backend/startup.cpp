// Backend start-up (GLFW, the window, OpenAL with its source pool), window
// re-creation windowed or full screen, and shut-down. A missing display, monitor
// or sound device is logged and survived: nothing here uses a null handle.

#include <AL/al.h>
#include <AL/alc.h>
#include <GLFW/glfw3.h>
#include <signal.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "sys_internal.h"

int WindowFailed = 0;

namespace {

constexpr int kFirstWindowW = 256;  // small window that exists before audio starts
constexpr int kFirstWindowH = 128;
constexpr int kWindowW = 800;       // the working window
constexpr int kWindowH = 600;
constexpr int kLoadableSlots = kuvo::kLoadableImageSlots;

// False when glfwInit failed: every GLFW call would then only report that the
// library is not initialised, so window creation is not attempted.
bool GlfwUp = false;

void error_callback(int /*code*/, const char* description) {
    fprintf(stderr, "Error: %s\n", description != nullptr ? description : "");
}

ALCdevice* Device() { return static_cast<ALCdevice*>(ALdev); }
ALCcontext* Context() { return static_cast<ALCcontext*>(ALctx); }

void StartAudio() {
    ASys.AudioEnabled = 0;
    ALdev = alcOpenDevice(nullptr);
    if (ALdev == nullptr) {
        ASys.Debuglog("Audio Device Error");
        return;
    }
    ALctx = alcCreateContext(Device(), nullptr);
    alcMakeContextCurrent(Context());
    if (ALctx == nullptr) {
        ASys.Debuglog("Audio Context Issue");
        return;
    }
    ASys.Debuglog("OpenAL Audio Engaged!");
    ASys.AudioEnabled = 1;
    alGenSources(kuvo::kAudioSources, ALsource);
    for (int i = 0; i < kuvo::kMusicBuffers; i++) alGenBuffers(1, &MusicBuffer[i]);
    if (alGetError() != AL_NO_ERROR) {
        ASys.Debuglog("Error with Audio Buffers");
        ASys.AudioEnabled = 0;
    }
    alListener3f(AL_POSITION, 0.0f, 0.0f, 1.0f);
    alListener3f(AL_VELOCITY, 0.0f, 0.0f, 0.0f);
    const ALfloat orientation[6] = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f};
    alListenerfv(AL_ORIENTATION, orientation);
}

volatile std::sig_atomic_t StopSignalled = 0;

extern "C" void OnStopSignal(int) { StopSignalled = 1; }

constexpr int kStopSignalCount = 3;
const int kStopSignals[kStopSignalCount] = {SIGINT, SIGTERM, SIGHUP};
// What each signal did before we caught it, given back at shut-down.
struct sigaction PreviousAction[kStopSignalCount];
bool Caught[kStopSignalCount] = {};

}  // namespace

void KuvoCatchStopSignals() {
    StopSignalled = 0;
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kStopSignalCount; i++) {
        if (Caught[i]) continue;  // already ours: keep what it was before us
        struct sigaction before;
        if (sigaction(kStopSignals[i], nullptr, &before) != 0) continue;
        // A signal the program was started to ignore (SIGHUP under nohup)
        // stays ignored: the one who started us asked for that.
        if (before.sa_handler == SIG_IGN) continue;
        if (sigaction(kStopSignals[i], &action, nullptr) != 0) continue;
        PreviousAction[i] = before;
        Caught[i] = true;
    }
}

void KuvoReleaseStopSignals() {
    for (int i = 0; i < kStopSignalCount; i++) {
        if (!Caught[i]) continue;
        sigaction(kStopSignals[i], &PreviousAction[i], nullptr);
        Caught[i] = false;
    }
}

bool KuvoStopSignalled() { return StopSignalled != 0; }

KUVOSys::KUVOSys() {}
KUVOSys::~KUVOSys() {}

void KUVOSys::SysInit(const char* title) {
    snprintf(GameTitleSys, sizeof(GameTitleSys), "%s", title != nullptr ? title : "");
    FlushKeys();
    VirtualWidth = 800.0f;
    ImageScale = 1.0f;
    // Registered before glfwInit so that the reason a start-up fails is printed.
    glfwSetErrorCallback(error_callback);
    GlfwUp = glfwInit() == GLFW_TRUE;
    if (!GlfwUp) Debuglog("Initialisation Failed");
    KuvoCatchStopSignals();

    WhiteBlock.assign(kuvo::kWhiteBlockBytes, 255);
    for (int i = 0; i < kuvo::kButtonFlags; i++) ButtonFlags[i] = 0;
    for (int i = 0; i < kuvo::kPointerFields; i++) PointerState[i] = 0.0f;
    for (int i = 0; i < kLoadableSlots; i++) SlotFrames[i] = -1;
    for (int i = 0; i < kuvo::kJoyFields; i++) JoyState[i] = 0.0f;

    isFullscreen = 0;
    SetScreen(kFirstWindowW, kFirstWindowH);
    StartAudio();
    SetScreen(kWindowW, kWindowH);
    FillKeyNames();
}

void KUVOSys::SetScreen(int width, int height) {
    if (GlfwUp) {
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 2);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    }
    if (window != nullptr) {
        glfwDestroyWindow(window);
        window = nullptr;
    }

    int mw = 0, mh = 0;
    bool haveMode = GlfwUp && KUVOInput.PrimaryMode(&mw, &mh);
    GLFWmonitor* monitor = GlfwUp ? glfwGetPrimaryMonitor() : nullptr;
    // Full screen needs a monitor and its mode; without them we open a plain
    // window rather than none at all.
    if (isFullscreen == 1 && (!haveMode || monitor == nullptr)) isFullscreen = 0;

    if (isFullscreen == 1) {
        window = glfwCreateWindow(mw, mh, GameTitleSys, monitor, nullptr);
        Debuglog("Opened Fullscreen");
    } else {
        if (GlfwUp) {
            window = glfwCreateWindow(width, height, GameTitleSys, nullptr, nullptr);
        }
        if (window != nullptr && haveMode) {
            glfwSetWindowPos(window, mw / 2 - width / 2, mh / 2 - height / 2);
        }
        Debuglog("Opened Window");
    }
    FrameW = width;
    FrameH = height;

    WindowFailed = window == nullptr ? 1 : 0;
    if (window == nullptr) {
        Debuglog("ERRORRZ");
        KuvoRenderContextLost();
        return;
    }
    glfwMakeContextCurrent(window);
    // The old window took its GL context, and with it every cached texture,
    // along: the renderer must upload each slot afresh.
    KuvoRenderContextLost();
    glViewport(0, 0, width, height);
    // The poll reads only the current state, so nothing may stick between polls.
    glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_NORMAL);
    glfwSetInputMode(window, GLFW_STICKY_KEYS, GLFW_FALSE);
    glfwSetInputMode(window, GLFW_STICKY_MOUSE_BUTTONS, GLFW_FALSE);
}

void KUVOSys::FlipFull() {
    isFullscreen = 1 - isFullscreen;
    SetScreen(kWindowW, kWindowH);
}

void KUVOSys::HiResRender() {
    if (window != nullptr) glfwMakeContextCurrent(window);
}

void KUVOSys::Force1920() {}

void KUVOSys::Close() {
    // A file written and never closed is committed now, whichever way the
    // program was asked to end (F4, the window's close, a stop signal).
    CloseFile_Sys();
    Debuglog("Closing OpenAL Audio");
    // Without a context every AL call would only raise errors: release the
    // names only where they were made.
    bool haveContext = Context() != nullptr;
    if (haveContext) {
        alDeleteSources(kuvo::kAudioSources, ALsource);
        for (int i = 0; i < kuvo::kAudioSources; i++) ALsource[i] = 0;
    }
    for (int slot = 0; slot < kuvo::kSoundSlots; slot++) {
        if (ALbufferActive[slot] != 1) continue;
        if (haveContext) alDeleteBuffers(1, &ALbuffer[slot]);
        ALbufferActive[slot] = 0;
    }
    // The stream buffers are free once the sources are gone (deleting a
    // source unqueues them); releasing them keeps the device close clean.
    if (haveContext) {
        alDeleteBuffers(kuvo::kMusicBuffers, MusicBuffer);
        for (int i = 0; i < kuvo::kMusicBuffers; i++) MusicBuffer[i] = 0;
    }
    alcMakeContextCurrent(nullptr);
    if (haveContext) alcDestroyContext(Context());
    if (Device() != nullptr) alcCloseDevice(Device());
    ALctx = nullptr;
    ALdev = nullptr;
    AudioEnabled = 0;

    Debuglog("Closing OpenGL Window");
    if (window != nullptr) glfwDestroyWindow(window);
    window = nullptr;
    WindowFailed = 0;
    if (GlfwUp) glfwTerminate();
    GlfwUp = false;
    // From here on a second Ctrl+C does what it did before the start: as a
    // rule, it ends the program at once.
    KuvoReleaseStopSignals();
}
