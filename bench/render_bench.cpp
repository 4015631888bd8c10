// Renderer benchmark (needs a display, e.g. Xvfb): prints median and 95th
// percentile milliseconds per frame for typical and extreme draw lists, drawn
// the cached way and the literal baseline way. It prints, never asserts.

#include <GLFW/glfw3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "sys_internal.h"

namespace {

constexpr int kFrames = 60;

double* Add(int kind, double x, double y, double w, double h, int slot, int frame) {
    double* r = DrawR[DrawToRT++];
    memset(r, 0, sizeof(double) * kuvo::kDrawValues);
    r[0] = kind;
    r[1] = x;
    r[2] = y;
    r[3] = w;
    r[4] = -h;
    for (int k = 10; k <= 17; ++k) r[k] = 255;
    r[28] = slot;
    r[29] = frame;
    return r;
}

// A sheet-like slot of `side` texels with `frames` frames of 32.
void MakeSlot(int slot, int side) {
    ASys.Buffer_Create(slot, side);
    ASys.Buffer_Fill(slot, 90 + slot, 120, 200, 255);
    ASys.SlotFrames[slot] = 64;
    iFramesW[slot] = side / 40;
    iFramesWz[slot] = 40.0f / side;
    ASys.SlotScale[slot] = 40.0f / 800.0f;
}

void Typical() {
    Add(1, 0, 0, 900, 700, 0, 0);                                // sky
    for (int band = 0; band < 8; ++band) {
        Add(1, 0, 100 + band * 20, 900, 30, 0, 0);               // sea band
        for (int k = 0; k < 5; ++k) Add(11, -300 + k * 150, 100 + band * 20, 400, 400, 10, 24);  // ripples
    }
    for (int k = 0; k < 30; ++k) Add(11, -400 + k * 28, 40, 400, 400, 10, 18);   // bridge
    for (int k = 0; k < 20; ++k) Add(11, -380 + k * 40, 80, 400, 400, 10, 22);   // pillars
    for (int k = 0; k < 150; ++k) Add(11, -400 + (k % 30) * 27, -200 + (k / 30) * 30, 400, 400, 10, k % 16);
    for (int k = 0; k < 40; ++k) Add(11, -390 + k * 16, -280, 200, 200, 51, k % 60);  // glyphs
    Add(50, 2, 0, 0, 0, 0, 0);
    for (int k = 0; k < 60; ++k) Add(11, -300 + k * 10, (k % 7) * 20, 200, 200, 55, k % 40);  // particles
    Add(50, 1, 0, 0, 0, 0, 0);
}

void OneSheet() {
    for (int k = 0; k < kuvo::kDrawListCapacity; ++k) Add(11, -390 + (k % 97) * 8, -290 + (k / 97) * 3, 400, 400, 10, k % 64);
}

void Alternating() {
    for (int k = 0; k < kuvo::kDrawListCapacity; ++k) {
        if (k % 2 == 0) Add(1, -390 + (k % 97) * 8, -290 + (k / 97) * 3, 30, 30, 0, 0);
        else Add(11, -390 + (k % 97) * 8, -290 + (k / 97) * 3, 400, 400, 10, k % 64);
    }
}

void Ovals() {
    for (int k = 0; k < 5000; ++k) Add(3, -390 + (k % 97) * 8, -290 + (k / 97) * 10, 30, 30, 0, 0);
}

struct Result {
    double median, p95;
    long uploads, batches;
    int program;  // the frames went through the renderer's program
};

Result Run(void (*build)(), int literal) {
    DrawToRT = 0;
    build();
    RenderLiteral = literal;
    std::vector<double> ms;
    RenderCounters = {0, 0, 0};
    for (int i = 0; i < kFrames + 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        ASys.RenderSys(0.0f);
        glFinish();
        const auto t1 = std::chrono::steady_clock::now();
        if (i >= 3) ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    RenderLiteral = 0;
    std::sort(ms.begin(), ms.end());
    const double frames = kFrames + 3;
    return {ms[ms.size() / 2], ms[ms.size() * 95 / 100], static_cast<long>(RenderCounters.uploads / frames),
            static_cast<long>(RenderCounters.batches / frames), RenderProgramUsed};
}

}  // namespace

int main() {
    if (glfwInit() != GLFW_TRUE) {
        printf("no display\n");
        return 0;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 2);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    window = glfwCreateWindow(800, 600, "Render Bench", nullptr, nullptr);
    if (window == nullptr) {
        printf("no window\n");
        return 0;
    }
    glfwMakeContextCurrent(window);
    WhiteBlock.assign(kuvo::kWhiteBlockBytes, 255);
    ASys.VirtualWidth = 800.0f;
    for (int s = 0; s < kuvo::kImageSlots; ++s) ASys.SlotFrames[s] = -1;
    MakeSlot(10, 512);   // gfx-like sheet
    MakeSlot(51, 1024);  // font
    MakeSlot(55, 512);   // particles
    ASys.ClsR = ASys.ClsTargetR = 40;
    ASys.ClsFade = 1;

    struct Scene {
        const char* name;
        void (*build)();
    } scenes[] = {{"typical gameplay (~400 records)", Typical},
                  {"16,666 sprites of one sheet", OneSheet},
                  {"16,666 alternating shape/sprite", Alternating},
                  {"5,000 ovals", Ovals}};
    printf("%-34s %10s %10s %8s %8s %7s | %10s %10s %8s | %8s\n", "frame", "median ms", "p95 ms", "uploads",
           "batches", "program", "base med", "base p95", "uploads", "speed-up");
    for (const Scene& s : scenes) {
        const Result fast = Run(s.build, 0);
        const Result slow = Run(s.build, 1);
        printf("%-34s %10.2f %10.2f %8ld %8ld %7s | %10.2f %10.2f %8ld | %7.1fx\n", s.name, fast.median, fast.p95,
               fast.uploads, fast.batches, fast.program ? "yes" : "no", slow.median, slow.p95, slow.uploads,
               slow.median / fast.median);
    }
    glfwDestroyWindow(window);
    window = nullptr;
    glfwTerminate();
    return 0;
}
