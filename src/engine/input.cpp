// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

void KUVOCore::PollInput(int) {}
int KUVOCore::PlayKey(int) { return 0; }
int KUVOCore::PlayKeyAll(int) { return 0; }
float KUVOCore::Joy(int) { return 0; }
int KUVOCore::KeyValue(int, int) { return 0; }
void KUVOCore::SetKey(int, int) {}
void KUVOCore::FlushKeys() {}
std::string KUVOCore::KeyName(int) { return std::string(); }
void KUVOCore::LockForGet() {}
int KUVOCore::GetKey() { return 0; }
float KUVOCore::StickX() { return 0; }
float KUVOCore::StickY() { return 0; }
int KUVOCore::JoyDown(int) { return 0; }
int KUVOCore::JoyDown(int, int) { return 0; }
float KUVOCore::JoyAxis(int) { return 0; }
float KUVOCore::JoyAxis(int, int) { return 0; }
void KUVOCore::BumpCursor() {}
float KUVOCore::MouseX() { return 0; }
float KUVOCore::MouseY() { return 0; }
float KUVOCore::MouseX(int) { return 0; }
float KUVOCore::MouseY(int) { return 0; }
int KUVOCore::MouseDown() { return 0; }
int KUVOCore::MouseDown(int) { return 0; }
int KUVOCore::MouseDown_Alt() { return 0; }
int KUVOCore::MouseDown_Alt(int) { return 0; }
int KUVOCore::MouseHeld() { return 0; }
int KUVOCore::MouseHeld(int) { return 0; }
float KUVOCore::TouchX() { return 0; }
float KUVOCore::TouchY() { return 0; }
float KUVOCore::TouchX(int) { return 0; }
float KUVOCore::TouchY(int) { return 0; }
int KUVOCore::TouchDown() { return 0; }
int KUVOCore::TouchDown(int) { return 0; }
int KUVOCore::TouchDown_Alt() { return 0; }
int KUVOCore::TouchDown_Alt(int) { return 0; }
int KUVOCore::TouchHeld() { return 0; }
int KUVOCore::TouchHeld(int) { return 0; }
int KUVOCore::mdall() { return 0; }
int KUVOCore::MouseIn(float, float, float, float) { return 0; }
int KUVOCore::MouseIn_Centered(float, float, float, float) { return 0; }
int KUVOCore::MouseIn_Radius(float, float, float) { return 0; }
int KUVOCore::Button(int, float, float, int) { return 0; }
