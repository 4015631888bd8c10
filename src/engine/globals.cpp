// Definitions of the engine layer's globals (clock, view, latches, ring index,
// random state); behaviour lives in the concern files.

#include "core_internal.h"

int GameStartTime = 0;
int RenderThread = 0;
int RenderCountLive = 0;
int UpdateCountLive = 0;
int rw2 = 0, rh2 = 0;
int iBump = 0;
float ViewScale = 0.0025f;
int DebugToggle = 0, ScreenshotToggle = 0;
int TempstrUse = 0;

int qRand_Seed = 0, qRand_Count = 0, qRand_Bit = 0, qRand_Plus = 0, qRand_Out = 0, qRand_tSeed = 0;
