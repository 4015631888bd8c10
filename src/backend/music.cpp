// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "sys_internal.h"

void KUVOSys::PlayMusic_Wav_Sys(const char*, int) {}
void KUVOSys::PlayMusic_Ogg_Sys(const char*, int) {}
void KUVOSys::BufferMusic_Wav_Sys() {}
void KUVOSys::BufferMusic_Ogg_Sys() {}
void KUVOSys::HandleMusicSys() {}
void KUVOSys::StopMusicSys() {}
