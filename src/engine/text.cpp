// Text drawing and measuring with the bitmap font in FontSlot: one image record
// per byte, placed at a pen that advances by the fixed width table. No line
// breaks, kerning or clipping; measuring never touches the draw list.

#include <string>

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"

// clang-format off
const int fontw[kuvo::kFontGlyphs] = {
    // space ! " # $ % & ' ( ) * + , - . /
    15, 5, 12, 19, 15, 22, 15, 5, 10, 10, 15, 15, 5, 15, 5, 15,
    // 0 .. 9
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16,
    // : ; < = > ? @
    5, 5, 15, 15, 15, 15, 25,
    // A .. Z (M and W wide, V a touch wider)
    15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 22,
    15, 15, 15, 15, 15, 15, 15, 15, 16, 22, 15, 15, 15,
    // [ \ ] ^ _ `
    10, 15, 10, 12, 16, 5,
    // a .. z (i, j, l narrow; m, w wide)
    15, 15, 15, 15, 15, 15, 15, 15, 5, 10, 15, 5, 25,
    15, 15, 15, 15, 15, 15, 15, 15, 15, 22, 15, 15, 15,
    // { | } ~ and code 127, which steps the pen back one pixel
    11, 5, 12, 25, 0,
};
// clang-format on

namespace {

constexpr int kLastGlyphCode = kuvo::kFontFirstCode + kuvo::kFontGlyphs - 1;

// Bytes are character codes read as signed, so bytes from 128 up are negative:
// they draw (as a negative frame) but have no width.
int CodeOf(char c) { return static_cast<signed char>(c); }
bool HasWidth(int code) { return code >= kuvo::kFontFirstCode && code <= kLastGlyphCode; }
int GlyphWidth(int code) { return fontw[code - kuvo::kFontFirstCode]; }

// Each glyph is drawn centred on the pen, so the first pen sits this far in
// from the text's start (in glyph pixels) to put the space glyph's ink at 0.
float FirstGlyphOffset() { return static_cast<float>(fontw[0] - 1); }

float PenScale() { return ASys.SizeX * ViewScale; }

}  // namespace

float KUVOCore::StringWidth(std::string text) {
    const float k = PenScale();
    float width = 0.0f;
    for (char c : text) {
        const int code = CodeOf(c);
        if (HasWidth(code)) width += (GlyphWidth(code) - 1) * k;
    }
    return width;
}

float KUVOCore::StringWidth(char letter) { return StringWidth(std::string(1, letter)); }
float KUVOCore::CharWidth(char letter) { return StringWidth(letter); }

void KUVOCore::Text(float x, float y, std::string text) { Text(x, y, text, 0.0f, 1.0f); }
void KUVOCore::Text(float x, float y, std::string text, float align) { Text(x, y, text, align, 1.0f); }

void KUVOCore::Text(float x, float y, std::string text, float align, float) {
    const float k = PenScale();
    const float rot = ASys.DrawRot;
    const float half = StringWidth(text) * 0.5f;
    // Alignment 0 puts the left end at x, 1 the middle, 2 the right end.
    float px = x + Sin(rot - 90.0f) * half * align;
    float py = y - Cos(rot - 90.0f) * half * align;
    // The pen moves along the rotated baseline.
    const float ax = Sin(rot + 90.0f), ay = Cos(rot + 90.0f);
    px += ax * FirstGlyphOffset() * k;
    py -= ay * FirstGlyphOffset() * k;
    for (char c : text) {
        const int code = CodeOf(c);
        DrawImg(ASys.FontSlot, px, py, code - kuvo::kFontFirstCode);
        if (HasWidth(code)) {
            const float advance = (GlyphWidth(code) - 1) * k;
            px += ax * advance;
            py -= ay * advance;
        }
    }
}

void KUVOCore::Text(float x, float y, int number) { Text(x, y, std::string(fstr("%i", number)), 0.0f, 1.0f); }
void KUVOCore::Text(float x, float y, float number) { Text(x, y, std::string(fstr("%f", number)), 0.0f, 1.0f); }
void KUVOCore::Text(float x, float y, int number, float align) {
    Text(x, y, std::string(fstr("%i", number)), align, 1.0f);
}
void KUVOCore::Text(float x, float y, float number, float align) {
    Text(x, y, std::string(fstr("%f", number)), align, 1.0f);
}
void KUVOCore::Text(float x, float y, int number, float align, float spare) {
    Text(x, y, std::string(fstr("%i", number)), align, spare);
}
void KUVOCore::Text(float x, float y, float number, float align, float spare) {
    Text(x, y, std::string(fstr("%f", number)), align, spare);
}

void KUVOCore::Text(float x, float y, char letter) { Text(x, y, letter, 1.0f, 1.0f); }
void KUVOCore::Text(float x, float y, char letter, float align) { Text(x, y, letter, align, 1.0f); }

void KUVOCore::Text(float x, float y, char letter, float align, float) {
    const float k = PenScale();
    const float rot = ASys.DrawRot;
    const int code = CodeOf(letter);
    // The alignment shift is in glyph pixels and ignores the size: a single
    // letter at its default alignment 1 moves left by its whole width less
    // half a pixel, and the first-glyph offset is halved.
    const float m = HasWidth(code) ? GlyphWidth(code) - 0.5f : 0.0f;
    float px = x + Sin(rot - 90.0f) * m * align;
    float py = y - Cos(rot - 90.0f) * m * align;
    px += Sin(rot + 90.0f) * FirstGlyphOffset() * k * 0.5f;
    py -= Cos(rot + 90.0f) * FirstGlyphOffset() * k * 0.5f;
    DrawImg(ASys.FontSlot, px, py, code - kuvo::kFontFirstCode);
}
