// Calendar and clock getters with their fixed text forms, and the angle and
// number helpers of the engine API (degrees throughout). Pure arithmetic:
// nothing here touches the backend or keeps state beyond the clock seam.

#include <cmath>
#include <ctime>

#include "KUVOCore.h"
#include "core_internal.h"

namespace {

// Fixed conversion constants of the engine: the ten-place factor one way and
// the six-place divisor the other, so a quarter turn reads back as 90.0015.
constexpr double kDegToRad = 0.0174532925;
constexpr double kRadToDegDivisor = 0.017453;

long long SystemCalendarSeconds() { return static_cast<long long>(std::time(nullptr)); }

// One fresh reading of the local calendar; each getter copies its field at once.
std::tm LocalNow() {
    std::time_t t = static_cast<std::time_t>(KuvoCalendarSeconds());
    std::tm out{};
    if (localtime_r(&t, &out) == nullptr) out = std::tm{};
    return out;
}

}  // namespace

long long (*KuvoCalendarSeconds)() = SystemCalendarSeconds;

int KUVOCore::Date_Day() { return LocalNow().tm_mday; }
int KUVOCore::Date_Month() { return LocalNow().tm_mon + 1; }
int KUVOCore::Date_Year() { return LocalNow().tm_year + 1900; }
int KUVOCore::Time_Hour() { return LocalNow().tm_hour; }
int KUVOCore::Time_Minute() { return LocalNow().tm_min; }
int KUVOCore::Time_Second() { return LocalNow().tm_sec; }

// The text forms read each part separately, in a fixed order (smallest unit
// first for the clock, so a text built across a tick may mix two readings).
std::string KUVOCore::Date_str() {
    const int y = Date_Year();
    const int m = Date_Month();
    const int d = Date_Day();
    return std::string(fstr("%02i/%02i/%i", d, m, y));
}

std::string KUVOCore::Time_str() {
    const int s = Time_Second();
    const int mi = Time_Minute();
    const int h = Time_Hour();
    return std::string(fstr("%02i:%02i:%02i", h, mi, s));
}

std::string KUVOCore::DateTime_str() {
    const int s = Time_Second();
    const int mi = Time_Minute();
    const int h = Time_Hour();
    const int y = Date_Year();
    const int m = Date_Month();
    const int d = Date_Day();
    return std::string(fstr("%02i/%02i/%i %02i:%02i:%02i", d, m, y, h, mi, s));
}

std::string KUVOCore::DateTime_file() {
    const int s = Time_Second();
    const int mi = Time_Minute();
    const int h = Time_Hour();
    const int y = Date_Year();
    const int m = Date_Month();
    const int d = Date_Day();
    return std::string(fstr("%02i-%02i-%i_%02i-%02i-%02i", d, m, y, h, mi, s));
}

std::string KUVOCore::DateTime_fileb() {
    const int s = Time_Second();
    const int mi = Time_Minute();
    const int h = Time_Hour();
    const int d = Date_Day();
    const int m = Date_Month();
    const int y = Date_Year();
    return std::string(fstr("%i-%02i-%02i_%02i-%02i-%02i", y, m, d, h, mi, s));
}

float KUVOCore::Sin(float degrees) { return static_cast<float>(std::sin(degrees * kDegToRad)); }

float KUVOCore::Cos(float degrees) { return static_cast<float>(std::cos(degrees * kDegToRad)); }

float KUVOCore::Mod(float a, float b) { return std::fmod(a, b); }

float KUVOCore::Abs(float x) { return x < 0 ? -x : x; }

// The most negative int has no positive twin; it stays as it is rather than
// overflowing.
int KUVOCore::Abs(int n) { return (n < 0 && n != -2147483647 - 1) ? -n : n; }

float KUVOCore::Atan2(float x, float y) {
    return static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)) / kRadToDegDivisor);
}

// Screen y grows downward, so "up" (smaller y) is the positive quarter turn.
float KUVOCore::Atan2(float x1, float y1, float x2, float y2) {
    const double dy = static_cast<double>(y1) - y2;
    const double dx = static_cast<double>(x2) - x1;
    return static_cast<float>(std::atan2(dy, dx) / kRadToDegDivisor);
}

float KUVOCore::aTan2(float x, float y) { return Atan2(x, y); }

float KUVOCore::aTan2(float x1, float y1, float x2, float y2) { return Atan2(x1, y1, x2, y2); }
