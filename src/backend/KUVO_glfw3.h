// KUVOSys: the platform backend of KUVOFrame. It owns the window, the OpenGL
// renderer of the draw list, OpenAL sound and music, input polling, raw files,
// PNG/WAV loading and the HTTP fetch. Only the backend's own .cpp files include
// GLFW, GL, AL, socket or codec headers; this header stays free of them so the
// engine and the tests can include it.
#pragma once

#include <string>

#include "backend_limits.h"

struct GLFWwindow;

class KUVOSys {
public:
    KUVOSys();
    ~KUVOSys();

    // ---- draw list (first member: the list, then its count, then the draw state)
    double DrawList[kuvo::kDrawListCapacity][kuvo::kDrawValues];
    int DrawCount;

    float InkA, InkR, InkG, InkB;      // colour 1 (bottom edge, centre)
    float InkA2, InkR2, InkG2, InkB2;  // colour 2 (top edge, rim)
    float DrawRot;                     // degrees
    float LineThick;                   // half the line thickness
    float DrawReserved0;
    float SizeX, SizeY;                // size over the view scale; SizeY negated
    float DrawReserved1, DrawReserved2, DrawReserved3;
    float ClsR, ClsG, ClsB;            // current clear colour
    float ClsTargetR, ClsTargetG, ClsTargetB;
    float ClsFade;                     // clear-colour fade divisor
    float Depth1, Depth2;
    float Smoothing;                   // 1.0 = linear texture filtering
    int FontSlot;                      // image slot of the current font
    int BlendMode;                     // blend mode of the last blend record

    // ---- view and frame
    int FrameW, FrameH;        // framebuffer size in pixels
    float AspectRatio;         // FrameW / FrameH
    float VirtualWidth;        // view width in view units (800 or 512)
    float ImageScale;          // 1.0, or 1.5625 on a portrait canvas
    float ViewCentreX, ViewCentreY;
    int FramePolys;            // triangles drawn by the last frame

    // ---- input tables
    int ButtonFlags[kuvo::kButtonFlags];
    float PointerState[kuvo::kPointerFields];
    float JoyState[kuvo::kJoyFields];
    float VirtualKeys[kuvo::kVirtualKeyValues];
    int KeyBindings[kuvo::kBindingCells];  // cell (key k, slot s) at s * 16 + k

    // ---- image slots
    int SlotFrames[kuvo::kImageSlots];     // -1 = empty
    float SlotScale[kuvo::kImageSlots];
    int SlotFrameSize[kuvo::kImageSlots];

    // ---- sound
    int AudioEnabled;
    int MusicMode;          // 0 none, 1 WAV stream, 2 Ogg stream
    int MusicRepeat;
    int MusicNextBuffer;
    float MusicPitchSys, MusicVolumeSys, MusicPanSys, MusicLevelSys;

    // ---- misc
    char ScreenshotPath[kuvo::kPathSize];
    std::string WebResult;   // payload of the last HTTP fetch

    // ---- start-up, window, shut-down
    void SysInit(const char* title);
    void SetScreen(int width, int height);
    void FlipFull();
    void HiResRender();
    void Force1920();
    void Close();

    // ---- draw list and rendering
    void RenderBuffer();
    void RenderSys(float overscan);
    void RenderRect(int first);
    void RenderQuad(int first);
    void RenderOval(int first);
    void RenderLine(int first);
    void RenderFan(int first);
    void RenderTri(int first);
    void RenderImage(int first);
    void RenderImageBlur(int first);
    void RenderQuadImage(int first);

    // ---- images, buffers, screenshots
    void GetPNG(int slot, char const* path, unsigned int side);
    void Buffer_Create(int slot, int side);
    void Buffer_Fill(int slot, int r, int g, int b, int a);
    void Buffer_Line(int slot, float x1, float y1, float x2, float y2, float r, float g, float b, float a);
    void Buffer_Plot(int slot, float x, float y, float r, float g, float b, float a);
    void Buffer_Tile(int dst, int src, float x, float y, int frame);
    void GrabBuffer();
    void Screenshot();
    void SavePNG(char const* path, int slot, unsigned int w, unsigned int h);
    void ScreenToBuffer();

    // ---- files (one open file at a time)
    int WriteFile_Sys(char const* path);
    int ReadFile_Sys(char const* path);
    // The same for a plain file only: a pipe, a device or a folder is
    // refused as a file that cannot be read (the game's own files are plain).
    int ReadPlainFile_Sys(char const* path);
    void WriteInt_Sys(int value);
    void WriteByte_Sys(char value);
    void WriteString_Sys(char const* text);
    int ReadInt_Sys();
    int ReadIntb_Sys();
    int ReadByte_Sys();
    char* ReadString_Sys();
    int FilePos_Sys();
    int FileSeek_Sys(int offset);
    void CloseFile_Sys();
    // Gives the file `from` the name `to`, replacing a file of that name: 1
    // done, 0 when there is no file `from`, -1 when it cannot be renamed.
    int RenameFile_Sys(char const* from, char const* to);

    // ---- sound effects and music
    void GetWAV(int slot, const char* path);
    void PlayWAV(int slot, float pitch, float volume, float pan, int loop);
    void PlayMusic_Wav_Sys(const char* path, int repeat);
    void PlayMusic_Ogg_Sys(const char* path, int repeat);
    void BufferMusic_Wav_Sys();
    void BufferMusic_Ogg_Sys();
    void HandleMusicSys();
    void StopMusicSys();

    // ---- input
    void PollInputB(int mode);
    void FlushKeys();
    int IsBut(int n);
    float vKey(int n);
    float vKey(int n, int row);
    void BumpCursorSys();
    std::string ButtonName(int code);
    int AnyKey();
    void LockAll();
    void DefineKey(int k, int code);
    void ClearKeys();
    void PollRedef();

    // ---- network and the desktop
    void URLData(std::string host, std::string path);
    int OpenBrowserSys(std::string page);

    // ---- log, formatting, user
    void Debuglog(const char* text);
    char* fstrSys(const char* format, ...) __attribute__((format(printf, 2, 3)));
    std::string SystemUsername();
};

extern KUVOSys ASys;

// Copies the draw state into the record whose value 0 is at index `first` of
// the draw list seen as one array of doubles.
void Getdef(int first);
