// Placeholder: not built yet. Each body does nothing and returns a neutral value.

#include "KUVOCore.h"

float KUVOCore::Dist(float, float, float, float) { return 0; }
float KUVOCore::Pyth(float, float) { return 0; }
float KUVOCore::WhichWayDoIGo(float, float) { return 0; }
float KUVOCore::WhichWayDoIGo(float, float, float, float) { return 0; }
int KUVOCore::SpiralAt(int, int, int, int) { return 0; }
int KUVOCore::Collide_Point_Circle(float, float, float, float, float) { return 0; }
int KUVOCore::Collide_Circle_Circle(float, float, float, float, float, float) { return 0; }
int KUVOCore::Collide_Line_Line(float, float, float, float, float, float, float, float) { return 0; }
int KUVOCore::Collide_Rect_Rect(float, float, float, float, float, float, float, float) { return 0; }
int KUVOCore::Collide_Rect_Rect_Complex(float, float, float, float, float, float, float, float) { return 0; }
