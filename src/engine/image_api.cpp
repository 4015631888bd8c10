// Image, font and pixel-buffer access for the game: turns an asset name into a
// path below the data folder and forwards loading, buffer painting, screen
// copies and screenshots to the backend. It validates nothing itself.

#include <string>

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "core_internal.h"

namespace {

constexpr int kFontFrameSide = 32;  // glyph cell side of a font sheet

bool HasPngEnding(const std::string& name) {
    if (name.size() < 4) return false;
    const std::string end = name.substr(name.size() - 4);
    // Only these three spellings count; any other mix gets ".png" added.
    return end == ".png" || end == ".Png" || end == ".PNG";
}

// Logs the load with `logFormat`, builds "<program dir>/Data/<game>/<name>.png"
// in the scratch ring and hands it to the backend's loader.
void LoadPng(KUVOCore& core, int slot, std::string name, int side, const char* logFormat) {
    for (char& c : name)
        if (c == '\\') c = '/';
    ASys.Debuglog(core.fstr(logFormat, name.c_str()));
    const char* path = HasPngEnding(name)
                           ? core.fstr("%s/Data/%i/%s", core.ProgramDir, core.GameNumber, name.c_str())
                           : core.fstr("%s/Data/%i/%s.png", core.ProgramDir, core.GameNumber, name.c_str());
    // A negative side becomes huge and is refused by the loader.
    ASys.GetPNG(slot, path, static_cast<unsigned int>(side));
}

}  // namespace

void KUVOCore::LoadImg(int slot, std::string name, int side) {
    LoadPng(*this, slot, name, side, "Load Image : %s ");
}
void KUVOCore::LoadImgFull(int slot, std::string name, int side) { LoadImg(slot, name, side); }

void KUVOCore::LoadFont(int slot, std::string name) {
    LoadPng(*this, slot, name, kFontFrameSide, "Load Font  : %s ");
    // The font is selected even when the load failed: text then draws nothing.
    ASys.FontSlot = slot;
}

void KUVOCore::SetFont(int slot) { ASys.FontSlot = slot; }

void KUVOCore::Smooth(int on) { ASys.Smoothing = static_cast<float>(on); }
void KUVOCore::SetSmooth(int on) { Smooth(on); }

void KUVOCore::CreateBuffer(int slot, int side) { ASys.Buffer_Create(slot, side); }
void KUVOCore::BufferCLS(int slot) { ASys.Buffer_Fill(slot, 0, 0, 0, 0); }
void KUVOCore::BufferFill(int slot, int r, int g, int b, int a) { ASys.Buffer_Fill(slot, r, g, b, a); }

void KUVOCore::BufferLine(int slot, float x1, float y1, float x2, float y2) {
    ASys.Buffer_Line(slot, x1, y1, x2, y2, ASys.InkR, ASys.InkG, ASys.InkB, ASys.InkA);
}
void KUVOCore::BufferPlot(int slot, float x, float y) {
    ASys.Buffer_Plot(slot, x, y, ASys.InkR, ASys.InkG, ASys.InkB, ASys.InkA);
}
void KUVOCore::BufferTile(int dst, int src, float x, float y, int frame) { ASys.Buffer_Tile(dst, src, x, y, frame); }

void KUVOCore::TakeScreenshot() { ASys.Screenshot(); }
void KUVOCore::CopyBuffer() { ASys.GrabBuffer(); }
