// The frame renderer: viewport, clear-colour fade, the walk over the render-side
// draw list with its texture batches and blend records, the untextured shape
// renderers, the texture cache and the frame read-back. It must never issue a
// GL call while there is no window, and never change what a frame looks like
// for the sake of speed (batches, draw order and pixels stay as designed).

#include <GLFW/glfw3.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "sys_internal.h"

KuvoRenderCounters RenderCounters = {0, 0, 0};
int RenderLiteral = 0;
int RenderProgramChoice = kuvo::kProgramAuto;
int RenderProgramUsed = 0;

namespace {

constexpr int kWhiteTexture = -2;        // TexUse of the untextured shapes
constexpr int kNoBatch = -1;             // TexUse while no batch is open
constexpr int kBlurTextureBase = 200;    // TexUse of a slot's second store
constexpr int kBatchPrimitives = 50000;  // a batch past this many restarts
constexpr int kWhiteSide = 8;            // the white block is 8 x 8 texels
constexpr int kWedges = 36;              // ovals and fans: 36 wedges of 10 degrees
constexpr double kDegToRad = 0.017453;   // the renderers' own degree factor
constexpr float kDefaultViewWidth = 800.0f;

// Very large frames are flushed to GL now and then, so that a software
// rasteriser can start on the first part while the rest is set up; small
// frames would only pay for the extra synchronisation.
constexpr int kFlushFrameRecords = 4000;
constexpr int kFlushEveryRecords = 2000;
// Each switch between a shape batch and an image batch changes GL state,
// which a software rasteriser pays for dearly (it snapshots its whole shading
// state). From this many switches a frame draws through the program, which
// needs none; below it the plain path is cheaper, as the program samples a
// texture under every shape pixel.
constexpr int kProgramSwitches = 64;

struct Vertex {
    float x, y, u, v;
    float textured;  // 1 for image vertices, 0 for shapes (read by the program)
    float r, g, b, a;
};

// Colours go to GL as the floats glColor4ub would make of them (byte / 255):
// a byte colour array is widened by the rasteriser in its own way, which can
// round a blended channel differently.
struct ColourTable {
    float f[256];
    ColourTable() {
        for (int i = 0; i < 256; ++i) f[i] = static_cast<float>(i) / 255.0f;
    }
};
const ColourTable Colours;

// One GL texture object per slot store, valid in the context it was made in.
struct CachedTexture {
    GLuint name;
    unsigned int version;  // the store's version at its last upload
    int side;              // texture side at its last upload (0: never uploaded)
    GLint filter;          // filter last set on it
};

CachedTexture TextureCache[2][kuvo::kImageSlots];  // [0] Image, [1] ImageBlur
GLuint SentinelTexture = 0;  // first texture made in the current context
GLFWwindow* CacheContext = nullptr;

std::vector<Vertex> Batch;   // vertices of the open batch
size_t BatchUsed = 0;
bool TextureOn = false;      // GL_TEXTURE_2D as last set this frame
// This frame draws through the renderer's program: shapes then need no GL
// state of their own, and only a change of image binds a texture.
bool ProgramFrame = false;
GLuint BoundName = 0;        // texture object bound while ProgramFrame
float VertexTextured = 0.0f; // `textured` of vertices added to the open batch
bool InFrame = false;        // between the frame's last record and its swap

// What a frame looked like apart from its list: a read-back after the swap
// draws the presented frame again with these, whatever was set since.
struct FrameLook {
    float overscan;
    float clear[3];   // clear colour, 0..255
    float viewWidth;  // view units across the screen
    float aspect;
    int wireframe;
};
FrameLook Presented = {0.0f, {0.0f, 0.0f, 0.0f}, kDefaultViewWidth, 1.0f, 0};
int RecordsSinceFlush = 0;

bool GLLive() { return window != nullptr; }

double* Record(int first) { return reinterpret_cast<double*>(DrawR) + first; }

float Channel(double v) { return Colours.f[KuvoTrunc(v) & 0xff]; }
// The byte a table entry came from.
GLubyte Byte(float f) { return static_cast<GLubyte>(std::lround(f * 255.0f)); }

Vertex* AddVertices(size_t n) {
    if (BatchUsed + n > Batch.size()) Batch.resize(std::max(Batch.size() * 2, BatchUsed + n + 1024));
    Vertex* out = &Batch[BatchUsed];
    BatchUsed += n;
    return out;
}

void Put(Vertex* v, float x, float y, float u, float t, const double* rec, int colour) {
    // colour 1 is values 11..13 with alpha 10, colour 2 values 15..17 with alpha 14
    const int base = colour == 1 ? 10 : 14;
    v->x = x;
    v->y = y;
    v->u = u;
    v->v = t;
    v->textured = VertexTextured;
    v->r = Channel(rec[base + 1]);
    v->g = Channel(rec[base + 2]);
    v->b = Channel(rec[base + 3]);
    v->a = Channel(rec[base]);
}

void SetTexturing(bool on) {
    if (Wireframe == 1) on = false;  // outlines are always drawn untextured
    if (on == TextureOn) return;
    if (on) glEnable(GL_TEXTURE_2D); else glDisable(GL_TEXTURE_2D);
    TextureOn = on;
}

// Sends the vertices gathered so far: one call, or one call per vertex when
// the benchmark asks for the literal baseline. The batch itself stays open.
void SubmitVertices() {
    if (BatchUsed == 0) return;
    if (GLLive()) {
        const Vertex* v = Batch.data();
        if (RenderLiteral == 1) {
            glBegin(GL_TRIANGLES);
            for (size_t i = 0; i < BatchUsed; ++i) {
                glTexCoord2f(v[i].u, v[i].v);
                glColor4ub(Byte(v[i].r), Byte(v[i].g), Byte(v[i].b), Byte(v[i].a));
                glVertex2f(v[i].x, v[i].y);
            }
            glEnd();
        } else {
            glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &v->x);
            glTexCoordPointer(3, GL_FLOAT, sizeof(Vertex), &v->u);
            glColorPointer(4, GL_FLOAT, sizeof(Vertex), &v->r);
            glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(BatchUsed));
        }
        RenderCounters.drawCalls += 1;
    }
    BatchUsed = 0;
}

// The store behind a texture identity, with its version and side.
const std::vector<unsigned char>* StoreOf(int texture, unsigned int* version) {
    const int slot = texture >= kBlurTextureBase ? texture - kBlurTextureBase : texture;
    if (texture >= kBlurTextureBase) {
        *version = ImageBlurVersion[slot];
        return &ImageBlur[slot];
    }
    *version = ImageVersion[slot];
    return &Image[slot];
}

// The literal way: the one current texture is replaced by every upload.
void UploadLiteral(int texture) {
    glBindTexture(GL_TEXTURE_2D, 0);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(RenderMode));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(RenderMode));
    if (texture == kWhiteTexture) {
        if (WhiteBlock.size() >= static_cast<size_t>(kuvo::kWhiteBlockBytes)) {
            glTexImage2D(GL_TEXTURE_2D, 0, 4, kWhiteSide, kWhiteSide, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         WhiteBlock.data());
        }
    } else {
        unsigned int version = 0;
        const std::vector<unsigned char>* store = StoreOf(texture, &version);
        const int slot = texture >= kBlurTextureBase ? texture - kBlurTextureBase : texture;
        glTexImage2D(GL_TEXTURE_2D, 0, 4, iSize[slot], iSize[slot], 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     store->data());
    }
    RenderCounters.uploads += 1;
    SetTexturing(true);
}

// The cached way: bind the slot's own texture object; upload only when the
// store changed since its last upload; set the filter only when it differs.
void BindCached(int texture) {
    const int which = texture >= kBlurTextureBase ? 1 : 0;
    const int slot = which == 1 ? texture - kBlurTextureBase : texture;
    CachedTexture& c = TextureCache[which][slot];
    if (c.name == 0) {
        glGenTextures(1, &c.name);
        c.side = 0;
        c.filter = 0;
        if (SentinelTexture == 0) SentinelTexture = c.name;
    }
    if (!ProgramFrame || BoundName != c.name) glBindTexture(GL_TEXTURE_2D, c.name);
    BoundName = c.name;
    if (c.filter != RenderMode) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(RenderMode));
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(RenderMode));
        c.filter = RenderMode;
    }
    unsigned int version = 0;
    const std::vector<unsigned char>* store = StoreOf(texture, &version);
    const int side = iSize[slot];
    if (c.side != side || c.version != version) {
        if (c.side == side) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, side, side, GL_RGBA, GL_UNSIGNED_BYTE, store->data());
        } else {
            glTexImage2D(GL_TEXTURE_2D, 0, 4, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE, store->data());
        }
        c.side = side;
        c.version = version;
        RenderCounters.uploads += 1;
    }
    if (!ProgramFrame) SetTexturing(true);
}

// A new window means a new context whose texture names start afresh; catch a
// replacement that nobody announced (the window may even reuse its address).
void CheckContext() {
    GLFWwindow* current = glfwGetCurrentContext();
    if (current != CacheContext || (SentinelTexture != 0 && glIsTexture(SentinelTexture) == GL_FALSE)) {
        KuvoRenderContextLost();
        CacheContext = current;
    }
}

void SetBlend(int mode) {
    switch (mode) {
        case 1: glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); break;
        case 2: glBlendFunc(GL_SRC_ALPHA, GL_ONE); break;
        case 3: glBlendFunc(GL_ONE_MINUS_SRC_COLOR, GL_ONE); break;
        default: break;  // unknown modes only end the batch
    }
}

float ClampColour(float v) {
    if (!(v >= 0.0f)) return 0.0f;  // also catches NaN
    return v > 255.0f ? 255.0f : v;
}

// One step of the clear colour towards its target. A divisor of 0.5 or less
// (the zero-initialised state among them) would divide by zero or run away,
// so it reaches the target at once.
float FadeChannel(float current, float target) {
    current = ClampColour(current);
    target = ClampColour(target);
    if (ASys.ClsFade > 0.5f) current = current - (current - target) / ASys.ClsFade;
    else current = target;
    // |trunc(d)| < 2 holds exactly when |d| < 2
    if (!std::isfinite(current) || std::fabs(current - target) < 2.0f) current = target;
    return ClampColour(current);
}

// Sines and cosines of the 37 wedge edges of an oval, as the wedge loop
// computes them (degrees through the renderers' factor, then float).
struct WedgeTable {
    float s[kWedges + 1], c[kWedges + 1];
    WedgeTable() {
        for (int i = 0; i <= kWedges; ++i) {
            const float a = static_cast<float>((10 * i) * kDegToRad);
            s[i] = std::sin(a);
            c[i] = std::cos(a);
        }
    }
};
const WedgeTable Wedges;

// How often the list switches between untextured shapes and images (each
// such switch turns texturing on or off on the plain path).
int ShapeImageSwitches(int count) {
    int switches = 0;
    int last = 0;  // 0 nothing yet, 1 shape, 2 image
    for (int i = 0; i < count; ++i) {
        const int kind = KuvoTrunc(DrawR[i][0]);
        const int now = kind >= 1 && kind <= 6 ? 1 : (kind >= 11 && kind <= 13 ? 2 : 0);
        if (now == 0) continue;
        if (last != 0 && now != last) ++switches;
        last = now;
    }
    return switches;
}

bool WantProgram(int count) {
    if (Wireframe != 0 || RenderLiteral != 0) return false;  // both stay on the plain path
    if (RenderProgramChoice == kuvo::kProgramNever) return false;
    if (RenderProgramChoice == kuvo::kProgramAlways) return true;
    return ShapeImageSwitches(count) >= kProgramSwitches;
}

// Draws the render-side list into the back buffer: everything of a frame but
// the framebuffer measurement, the fade, the swap and the event pump.
void DrawFrame(const FrameLook& look) {
    const bool live = GLLive();
    const int count = std::min(std::max(DrawToRT, 0), kuvo::kRenderCopyCapacity);
    // A redraw takes the outline mode of the frame it repeats.
    const int wireframe = Wireframe;
    Wireframe = look.wireframe;
    if (live) {
        CheckContext();
        ProgramFrame = WantProgram(count) && KuvoProgramBegin();
        RenderProgramUsed = ProgramFrame ? 1 : 0;
        BoundName = 0;
        glPolygonMode(GL_FRONT_AND_BACK, Wireframe == 1 ? GL_LINE : GL_FILL);
        glClearColor(look.clear[0] / 255.0f, look.clear[1] / 255.0f, look.clear[2] / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
        if (Wireframe == 0) glEnable(GL_TEXTURE_2D); else glDisable(GL_TEXTURE_2D);
        TextureOn = Wireframe == 0;
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        const float vw = look.viewWidth > 0.0f ? look.viewWidth : kDefaultViewWidth;
        const float ar = look.aspect;
        const float overscan = look.overscan;
        glPushMatrix();
        glScalef((2.0f - overscan) / vw, -((2.0f - overscan * ar) / vw * ar), 1.0f);
    }
    TexUse = kNoBatch;
    TriCount = 0;
    ASys.FramePolys = 0;
    BatchUsed = 0;
    RecordsSinceFlush = 0;

    for (int i = 0; i < count; ++i) {
        const int first = i * kuvo::kDrawValues;
        const double* rec = Record(first);
        RecordsSinceFlush += 1;
        switch (KuvoTrunc(rec[0])) {
            case 1: ASys.RenderRect(first); break;
            case 2: ASys.RenderQuad(first); break;
            case 3: ASys.RenderOval(first); break;
            case 4: ASys.RenderLine(first); break;
            case 5: ASys.RenderFan(first); break;
            case 6: ASys.RenderTri(first); break;
            case 11: ASys.RenderImage(first); break;
            case 12: ASys.RenderQuadImage(first); break;
            case 13: ASys.RenderImageBlur(first); break;
            case 50:
                SubmitVertices();
                TexUse = kNoBatch;
                if (live) SetBlend(KuvoTrunc(rec[1]));
                break;
            default: break;
        }
        if (live && count > kFlushFrameRecords && RecordsSinceFlush >= kFlushEveryRecords) {
            // Same triangles in the same order, just handed over in two calls.
            SubmitVertices();
            glFlush();
            RecordsSinceFlush = 0;
        }
    }
    SubmitVertices();
    TexUse = kNoBatch;
    if (live) glPopMatrix();
    if (ProgramFrame) KuvoProgramEnd();
    ProgramFrame = false;
    Wireframe = wireframe;
}

}  // namespace

int KuvoTrunc(double v) {
    if (!(v > static_cast<double>(INT_MIN) - 1.0 && v < static_cast<double>(INT_MAX) + 1.0)) return INT_MIN;
    return static_cast<int>(v);
}

void KuvoTakeFrameSize(int width, int height) {
    // A minimised window reports a zero side: keep the last real size.
    if (width > 0 && height > 0) {
        ASys.FrameW = width;
        ASys.FrameH = height;
    }
    if (ASys.FrameW > 0 && ASys.FrameH > 0) {
        ASys.AspectRatio = static_cast<float>(ASys.FrameW) / static_cast<float>(ASys.FrameH);
    }
}

void KuvoRenderContextLost() {
    // The old names died with their context; deleting them here would act on
    // whatever context is current now.
    memset(TextureCache, 0, sizeof(TextureCache));
    SentinelTexture = 0;
    BoundName = 0;
    KuvoProgramForget();
    CacheContext = window != nullptr ? glfwGetCurrentContext() : nullptr;
}

void KuvoUseTexture(int texture) {
    if (texture == TexUse && TriCount <= kBatchPrimitives) return;
    SubmitVertices();
    TexUse = texture;
    TriCount = 0;
    RenderCounters.batches += 1;
    VertexTextured = texture == kWhiteTexture ? 0.0f : 1.0f;
    if (!GLLive()) return;
    if (RenderLiteral == 1) {
        UploadLiteral(texture);
    } else if (texture == kWhiteTexture) {
        // White texels times the vertex colour are the vertex colour: the
        // same pixels without sampling a texture at all. The program reads
        // that from the vertices, so a shape batch changes no GL state.
        if (!ProgramFrame) SetTexturing(false);
    } else {
        BindCached(texture);
    }
}

void KuvoBoxCorners(const double* rec, float hw, float hh, float* cx, float* cy) {
    const float x = static_cast<float>(rec[1]);
    const float y = static_cast<float>(rec[2]);
    const float dx[4] = {-hw, hw, hw, -hw};
    const float dy[4] = {-hh, -hh, hh, hh};
    if (rec[18] == 0.0) {
        for (int k = 0; k < 4; ++k) {
            cx[k] = x + dx[k];
            cy[k] = y + dy[k];
        }
        return;
    }
    const float r = static_cast<float>(rec[18] * kDegToRad);
    const float c = std::cos(r);
    const float s = std::sin(r);
    for (int k = 0; k < 4; ++k) {
        cx[k] = x + dx[k] * c - dy[k] * s;
        cy[k] = y + dy[k] * c + dx[k] * s;
    }
}

void KuvoAddQuad(const double* rec, const float* cx, const float* cy,
                 float u0, float u1, float vAB, float vCD) {
    Vertex* v = AddVertices(6);
    Put(v + 0, cx[0], cy[0], u0, vAB, rec, 1);
    Put(v + 1, cx[1], cy[1], u1, vAB, rec, 1);
    Put(v + 2, cx[2], cy[2], u1, vCD, rec, 2);
    v[3] = v[0];
    v[4] = v[2];
    Put(v + 5, cx[3], cy[3], u0, vCD, rec, 2);
}

void KuvoReadFrame(std::vector<unsigned char>& out) {
    const int w = std::max(ASys.FrameW, 0);
    const int h = std::max(ASys.FrameH, 0);
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(h) * 4u;
    out.assign(bytes, 0);
    if (!GLLive() || bytes == 0) return;
    // After a swap the back buffer's contents are undefined, so outside a
    // frame the last presented list is drawn again before reading it.
    if (!InFrame) DrawFrame(Presented);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(GL_BACK);
    // BGRA is the framebuffer's own order: far cheaper to read, then swizzle.
    glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, out.data());
    for (size_t i = 0; i < bytes; i += 4) std::swap(out[i], out[i + 2]);
}

void KUVOSys::RenderSys(float overscan) {
    RenderMode = Smoothing == 1.0f ? GL_LINEAR : GL_NEAREST;
    const bool live = GLLive();
    if (live) {
        int w = 0, h = 0;
        glfwGetFramebufferSize(window, &w, &h);
        KuvoTakeFrameSize(w, h);
        if (FrameW > 0 && FrameH > 0) glViewport(0, 0, FrameW, FrameH);
    }
    ClsR = FadeChannel(ClsR, ClsTargetR);
    ClsG = FadeChannel(ClsG, ClsTargetG);
    ClsB = FadeChannel(ClsB, ClsTargetB);

    Presented = {overscan, {ClampColour(ClsR), ClampColour(ClsG), ClampColour(ClsB)}, VirtualWidth, AspectRatio,
                 Wireframe};
    DrawFrame(Presented);
    OverscanScaleX = 1.0f / (1.0f - overscan / 2.0f);
    OverscanScaleY = 1.0f / (1.0f - overscan / 2.0f * AspectRatio);
    if (!live) return;

    // The screenshot reads the finished frame before the swap makes the back
    // buffer undefined; the picture is exactly the frame about to be shown.
    if (ButtonFlags[66] != 0) {
        InFrame = true;
        Screenshot();
        InFrame = false;
    }
    glfwSwapInterval(1);
    glfwSwapBuffers(window);
    glfwPollEvents();
}

void KUVOSys::RenderRect(int first) {
    const double* rec = Record(first);
    KuvoUseTexture(kWhiteTexture);
    float cx[4], cy[4];
    KuvoBoxCorners(rec, static_cast<float>(rec[3]) * 0.5f, static_cast<float>(rec[4]) * 0.5f, cx, cy);
    KuvoAddQuad(rec, cx, cy, 0.0f, 1.0f, 0.0f, 1.0f);
    TriCount += 1;
    FramePolys += 2;
}

void KUVOSys::RenderQuad(int first) {
    const double* rec = Record(first);
    KuvoUseTexture(kWhiteTexture);
    float cx[4], cy[4];
    for (int k = 0; k < 4; ++k) {
        cx[k] = static_cast<float>(rec[1 + 2 * k]);
        cy[k] = static_cast<float>(rec[2 + 2 * k]);
    }
    KuvoAddQuad(rec, cx, cy, 0.0f, 1.0f, 0.0f, 1.0f);
    TriCount += 1;
    FramePolys += 2;
}

// Nothing writes kind 4; it is drawn exactly like a quadrilateral.
void KUVOSys::RenderLine(int first) { RenderQuad(first); }

void KUVOSys::RenderTri(int first) {
    const double* rec = Record(first);
    KuvoUseTexture(kWhiteTexture);
    Vertex* v = AddVertices(3);
    Put(v + 0, static_cast<float>(rec[1]), static_cast<float>(rec[2]), 0.0f, 0.0f, rec, 2);
    Put(v + 1, static_cast<float>(rec[3]), static_cast<float>(rec[4]), 1.0f, 0.0f, rec, 1);
    Put(v + 2, static_cast<float>(rec[5]), static_cast<float>(rec[6]), 1.0f, 1.0f, rec, 1);
    TriCount += 1;
    FramePolys += 2;
}

void KUVOSys::RenderOval(int first) {
    const double* rec = Record(first);
    KuvoUseTexture(kWhiteTexture);
    const float x = static_cast<float>(rec[1]);
    const float y = static_cast<float>(rec[2]);
    const float hw = static_cast<float>(rec[3]) * 0.5f;
    const float hh = static_cast<float>(rec[4]) * 0.5f;
    Vertex* v = AddVertices(3 * kWedges);
    for (int i = 0; i < kWedges; ++i, v += 3) {
        Put(v + 0, x, y, 0.0f, 0.0f, rec, 1);
        Put(v + 1, x + Wedges.s[i] * hw, y - Wedges.c[i] * hh, 1.0f, 0.0f, rec, 2);
        Put(v + 2, x + Wedges.s[i + 1] * hw, y - Wedges.c[i + 1] * hh, 1.0f, 1.0f, rec, 2);
    }
    TriCount += kWedges;
    FramePolys += kWedges;
}

void KUVOSys::RenderFan(int first) {
    const double* rec = Record(first);
    KuvoUseTexture(kWhiteTexture);
    const float x = static_cast<float>(rec[1]);
    const float y = static_cast<float>(rec[2]);
    const float hw = static_cast<float>(rec[3]) * 0.5f;
    const float hh = static_cast<float>(rec[4]) * 0.5f;
    Vertex* v = AddVertices(3 * kWedges);
    for (int i = 0; i < kWedges; ++i, v += 3) {
        const float a = static_cast<float>((10 * i - rec[18]) * kDegToRad);
        const float b = static_cast<float>((10 * i + 10 - rec[18]) * kDegToRad);
        const int colour = i % 2 == 0 ? 2 : 1;
        Put(v + 0, x, y, 0.0f, 0.0f, rec, colour);
        Put(v + 1, x + std::sin(a) * hw, y - std::cos(a) * hh, 1.0f, 0.0f, rec, colour);
        Put(v + 2, x + std::sin(b) * hw, y - std::cos(b) * hh, 1.0f, 1.0f, rec, colour);
    }
    TriCount += kWedges;
    FramePolys += kWedges;
}
