// Definitions of the backend's global tables and handles, in one place so that
// each concern's file only holds behaviour. Static initialisation order within
// this file is the order below; destruction runs in reverse.

#include "sys_internal.h"

// Texts and pixel stores first (each registers its destruction at exit).
std::string KeyName[kuvo::kKeyNames];
std::vector<unsigned char> Image[kuvo::kImageSlots];
std::vector<unsigned char> ImageBlur[kuvo::kImageSlots];
std::vector<unsigned char> WhiteBlock;
std::string website_HTML;
std::string URLGrabbed;

KUVOSys ASys;

GLFWwindow* window = nullptr;
int isFullscreen = 0;
char GameTitleSys[kuvo::kSysTextSize];

double DrawR[kuvo::kRenderCopyCapacity][kuvo::kDrawValues];
int DrawToRT = 0;
int TexUse = -1;
int TriCount = 0;
int RenderMode = 0x2600;  // GL_NEAREST
int Wireframe = 0;
float OverscanScaleX = 1.0f, OverscanScaleY = 1.0f;

int iSize[kuvo::kImageSlots];
int iFramesW[kuvo::kImageSlots];
float iFramesWz[kuvo::kImageSlots];
unsigned int ImageVersion[kuvo::kImageSlots];

unsigned int ALsource[kuvo::kAudioSources];
unsigned int MusicBuffer[kuvo::kMusicBuffers];
unsigned int ALbuffer[kuvo::kSoundSlots];
int ALbufferActive[kuvo::kSoundSlots];
int SFXData[kuvo::kSoundSlots][kuvo::kSfxDataFields];
int ALsourcebuffer[kuvo::kAudioSources];
int ALChannel = 0;
void* ALdev = nullptr;
void* ALctx = nullptr;

int ignorePress[kuvo::kIgnorePress];
int UpdateFrames = 0;
int wasCanvasWidth = 0, wasCanvasHeight = 0;

int DebugMessages = 0;
char TempstrSys[kuvo::kSysTextSize];
