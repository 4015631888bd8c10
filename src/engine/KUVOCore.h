// KUVOCore: the engine API of KUVOFrame, the game's whole vocabulary. The game
// derives from it and calls these members on itself; they reach the backend
// only through the global ASys. Nothing here includes GLFW, GL or AL.
#pragma once

#include <string>


namespace kuvo {
constexpr int kTempstrCount = 30;      // ring of scratch texts
constexpr int kTempstrSize = 16384;    // bytes of one scratch text
constexpr int kTitleSize = 1024;       // Title and Keyword arrays
constexpr int kProgramDirSize = 4096;  // ProgramDir array
constexpr int kScrambleTable = 64;     // entries of the scramble table
constexpr int kGameNumber = 559;       // this game's number
}  // namespace kuvo

class KUVOCore {
public:
    // ---- lifecycle (declared in this order)
    char Title[kuvo::kTitleSize];
    int GameNumber;
    int UpdateSecond, UpdatesPerSecond;
    int RenderSecond, RendersPerSecond;
    int PolysShown;
    int WindowActive;
    int DebugStats;
    int RealWidth, RealHeight;
    int ViewWidthInt, ViewHeightInt;
    float Overscan;

    // ---- input state written by PollInput
    int MixControllers;
    int ShotMode;
    int QuitFlag;

    // ---- shared with the game's launch and the data-folder paths
    char ProgramDir[kuvo::kProgramDirSize];
    float SfxVolume;    // 0..1, effects volume
    float MusicLevel;   // 0..1, music volume

    // ---- scrambling
    char Keyword[kuvo::kTitleSize];
    signed char ScrambleTable[kuvo::kScrambleTable];

    // ---- geometry
    float CollideX, CollideY;

    // ---- scratch texts
    char Tempstr[kuvo::kTempstrCount][kuvo::kTempstrSize];

    // ================= lifecycle and frame hand-over
    void Begin(int gameNumber, std::string title);
    void Terminate();
    void BufferGame();
    void RenderGame(float& width, float& height);
    void FlipFullscreen();
    void SetWindow(int width, int height);
    void SetTitle(std::string title);
    std::string GetTitle();
    void SetNum(int n);
    int GetNum();
    void Rest(int ms);
    int Mills();
    int StartTick();

    // ================= draw state
    void ResetDraw();
    void SetSize(float s);
    void SetSize(float x, float y);
    void SetRot(float r);
    void SetLineThickness(float t);
    void Width(float t);
    void Thick(float t);
    void SetLineWidth(float t);
    void SetLineThick(float t);
    void SetCLS(float r, float g, float b);
    void CLS(float r, float g, float b);
    void FadeCLS(float r, float g, float b, float divisor);
    void SetCLSRot(float angle, float low, float high);
    void CLSGradient(float r1, float g1, float b1, float a1, float r2, float g2, float b2, float a2);
    void Ink(int n);
    void InkRot(double h);
    void InkRot(double h, double s);
    void InkRot(double h, double s, double v);
    void HSV2RGB(double h, double s, double v);
    void SetCol(float r, float g, float b);
    void SetCol(float r, float g, float b, float a);
    void SetGradient(float r1, float g1, float b1, float a1, float r2, float g2, float b2, float a2);
    void SetDepth(float d);
    void Depth(float d);
    void SetDepth(float a, float b);
    void Depth(float a, float b);
    void SetAlpha(float a);
    void Alpha(float a);
    void SetBlend(int mode);

    // ================= shapes
    int Rect(float x, float y, float w, float h);
    int Rect(float x, float y, float s);
    int Plot(float x, float y);
    int Rect_UL(float x, float y, float s);
    int Rect_UL(float x, float y, float w, float h);
    void Quad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4);
    int Oval(float x, float y, float w, float h);
    int Oval(float x, float y, float r);
    int Circle(float x, float y, float r);
    int Oval_UL(float x, float y, float w, float h);
    int Oval_UL(float x, float y, float r);
    int Circle_UL(float x, float y, float r);
    int FullTri(float x1, float y1, float x2, float y2, float x3, float y3);
    void Tri(float x, float y, float w, float h);
    void Tri_Fix(float x, float y, float w, float h, float shift);
    int Fan(float x, float y, float r);
    void Line(float x1, float y1, float x2, float y2);

    // ================= images
    int DrawImg(int img, float x, float y);
    int DrawImg(int img, float x, float y, int frame);
    int DrawImg(int img, float x, float y, int frame, float ignored);
    void DrawBlur(int img, float x, float y);
    void DrawBlur(int img, float x, float y, int frame);
    int QuadImg(int img, float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int frame);
    int DrawBuffer();

    // ================= text
    void Text(float x, float y, std::string text);
    void Text(float x, float y, std::string text, float align);
    void Text(float x, float y, std::string text, float align, float spare);
    void Text(float x, float y, int number);
    void Text(float x, float y, float number);
    void Text(float x, float y, int number, float align);
    void Text(float x, float y, float number, float align);
    void Text(float x, float y, int number, float align, float spare);
    void Text(float x, float y, float number, float align, float spare);
    void Text(float x, float y, char letter);
    void Text(float x, float y, char letter, float align);
    void Text(float x, float y, char letter, float align, float spare);
    float StringWidth(std::string text);
    float StringWidth(char letter);
    float CharWidth(char letter);

    // ================= image, font and buffer API
    void LoadImg(int slot, std::string name, int side);
    void LoadImgFull(int slot, std::string name, int side);
    void LoadFont(int slot, std::string name);
    void SetFont(int slot);
    void Smooth(int on);
    void SetSmooth(int on);
    void CreateBuffer(int slot, int side);
    void BufferCLS(int slot);
    void BufferFill(int slot, int r, int g, int b, int a);
    void BufferLine(int slot, float x1, float y1, float x2, float y2);
    void BufferPlot(int slot, float x, float y);
    void BufferTile(int dst, int src, float x, float y, int frame);
    void TakeScreenshot();
    void CopyBuffer();

    // ================= file API
    int WriteFile(std::string name);
    int ReadFile(std::string name);
    void WriteInt(int value);
    void WriteByte(char value);
    void WriteLine(std::string text);
    void WriteString(std::string text);
    int ReadInt();
    int ReadByte();
    std::string ReadLine();
    int ReadString();
    int FilePos();
    void FileSeek(int offset);
    void CloseFile();
    int RenameFile(std::string from, std::string to);  // 1 done, 0 no such file, -1 failed

    // ================= audio
    void LoadSFX(int slot);
    void LoadSFX(int slot, std::string name);
    void PlaySFX(int slot);
    void PlaySFX(int slot, float pitch);
    void PlaySFX(int slot, float pitch, float volume);
    void PlaySFX(int slot, float pitch, float volume, float pan);
    void PlaySFX(int slot, float pitch, float volume, float pan, int loop);
    void MusicPitch(float p);
    void MusicPan(float p);
    void MusicVolume(float v);
    void PlayMusic(std::string name);
    void PlayMusic(std::string name, int repeat);
    void StopMusic();
    void MusicHandler();

    // ================= date, time and maths
    int Date_Day();
    int Date_Month();
    int Date_Year();
    int Time_Hour();
    int Time_Minute();
    int Time_Second();
    std::string Date_str();
    std::string Time_str();
    std::string DateTime_str();
    std::string DateTime_file();
    std::string DateTime_fileb();
    float Sin(float degrees);
    float Cos(float degrees);
    float Mod(float a, float b);
    float Abs(float x);
    int Abs(int n);
    float Atan2(float x, float y);
    float Atan2(float x1, float y1, float x2, float y2);
    float aTan2(float x, float y);
    float aTan2(float x1, float y1, float x2, float y2);

    // ================= random numbers
    void SeedRnd();
    void SeedRnd(int seed);
    float Rnd(float a, float b);
    float Rnd(float b);
    int Rand(float a, float b);
    int Rand(float b);
    float tRnd(float a, float b);
    float tRnd(float b);
    int tRand(float a, float b);
    int tRand(float b);

    // ================= geometry and collisions
    float Dist(float x1, float y1, float x2, float y2);
    float Pyth(float a, float b);
    float WhichWayDoIGo(float from, float to);
    float WhichWayDoIGo(float from, float to, float lo, float hi);
    int SpiralAt(int x, int y, int w, int h);
    int Collide_Point_Circle(float px, float py, float cx, float cy, float r);
    int Collide_Circle_Circle(float x1, float y1, float r1, float x2, float y2, float r2);
    int Collide_Line_Line(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4);
    int Collide_Rect_Rect(float x1, float y1, float w1, float h1, float x2, float y2, float w2, float h2);
    int Collide_Rect_Rect_Complex(float x1, float y1, float w1, float h1, float x2, float y2, float w2, float h2);

    // ================= strings, numbers, console
    char* fstr(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void tstr(const char* format, ...) __attribute__((format(printf, 2, 3)));
    int Print(const char* text);
    int Debuglog(const char* text);
    int DebugLog(const char* text);
    int Debug(const char* text);
    std::string Hex(int v);
    int HexToInt(std::string s);
    std::string Bin(int v);
    int BinToInt(std::string s);
    int StrToInt(std::string s);
    int ToInt(std::string s);
    int Char64(int v);
    int Char64b(int v);
    int Int64(char c);
    std::string Char64x4(long v);
    int Int64x4(const char* s);
    long SixDigitString(std::string s);
    std::string SixDigitString(long a);
    std::string SixDigitString(long a, long b);
    std::string SixDigitString(long a, long b, long c);
    const char* nth(int n);
    std::string Left(std::string s, int n);
    std::string Right(std::string s, int n);
    std::string Mid(std::string s, int start, int n);
    std::string LeftPad(std::string s, unsigned int width, char pad);
    std::string RightPad(std::string s, unsigned int width, char pad);
    std::string Trim(std::string s);
    std::string Strip(std::string s);
    std::string iniLeft(std::string s);
    std::string iniRight(std::string s);
    std::string Split(std::string s, char sep, int field);
    int SplitCount(std::string s, char sep);

    // ================= input
    void PollInput(int mode);
    int PlayKey(int n);
    int PlayKeyAll(int n);
    float Joy(int k);
    int KeyValue(int k, int s);
    void SetKey(int k, int code);
    void FlushKeys();
    std::string KeyName(int code);
    void LockForGet();
    int GetKey();
    float StickX();
    float StickY();
    int JoyDown(int b);
    int JoyDown(int b, int n);
    float JoyAxis(int a);
    float JoyAxis(int a, int n);
    void BumpCursor();
    float MouseX();
    float MouseY();
    float MouseX(int n);
    float MouseY(int n);
    int MouseDown();
    int MouseDown(int n);
    int MouseDown_Alt();
    int MouseDown_Alt(int n);
    int MouseHeld();
    int MouseHeld(int n);
    float TouchX();
    float TouchY();
    float TouchX(int n);
    float TouchY(int n);
    int TouchDown();
    int TouchDown(int n);
    int TouchDown_Alt();
    int TouchDown_Alt(int n);
    int TouchHeld();
    int TouchHeld(int n);
    int mdall();
    int MouseIn(float x, float y, float w, float h);
    int MouseIn_Centered(float x, float y, float w, float h);
    int MouseIn_Radius(float x, float y, float r);
    int Button(int slot, float x, float y, int frame);

    // ================= scrambling and checksums
    void SetKeyword(std::string k);
    void Rescramble();
    std::string ScrambleTxt(std::string t);
    std::string UnscrambleTxt(std::string t);
    std::string QuellPack(std::string t);
    std::string QuellUnpack(std::string t);
    unsigned int Checksum(std::string t, int k);
    unsigned int Checksum(std::string t);

    // ================= web and identity
    std::string GetURL(std::string host, std::string path, std::string payload);
    int OpenBrowser(std::string page);
    std::string MyName();
};
