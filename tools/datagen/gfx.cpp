// The gameplay sprite sheet, gfx.png (256 x 128, 32-pixel frames): the
// jumper's poses, the collectable gem, the mine, the bridge deck and anchor,
// the pillar pieces and the ripple crests. Tiles meant to repeat (deck
// across, pillar shaft down) must match edge to edge; frames nobody draws
// stay transparent.

#include <cmath>
#include <vector>

#include "datagen.h"
#include "raster.h"

namespace dg {
namespace {

constexpr int kSide = 32;

const RGBA kInk = Rgb(22, 18, 40);  // the dark rim round every sprite

// ---- the jumper ----------------------------------------------------------

// A pose in upright coordinates: feet at the bottom of the cell.
struct Pose {
    float headX = 16, headY = 6.5f;
    float hipY = 19.5f;
    // Hands and feet, left then right as seen on screen.
    float handX[2] = {11.5f, 20.5f}, handY[2] = {20, 20};
    float footX[2] = {14, 18}, footY[2] = {29.5f, 29.5f};
    int facing = 0;  // -1 left, 0 front, 1 right
    bool ankleStrap = false;
};

struct Part {
    Sdf shape;
    Paint paint;
};

void DrawFigure(Region r, const Pose& p, float turn) {
    auto T = [&](Sdf s) { return turn != 0 ? Turn(s, 16, 16, turn) : s; };
    RGBA skin = Rgb(255, 204, 160), suit = Rgb(236, 56, 48), suitLight = Rgb(255, 128, 96);
    RGBA suitDark = Rgb(176, 32, 40), boot = Rgb(44, 56, 132), helmet = Rgb(255, 214, 40);
    float sx = p.headX;
    float shoulderY = p.headY + 6.0f;

    std::vector<Part> parts;
    // Back limbs first when seen from the side, so the body covers them.
    int backArm = p.facing > 0 ? 0 : 1, frontArm = 1 - backArm;
    auto arm = [&](int i, RGBA c) {
        float ox = (i == 0 ? -2.6f : 2.6f);
        parts.push_back({Capsule(sx + ox, shoulderY, p.handX[i], p.handY[i], 1.6f), Solid(c)});
        parts.push_back({Circle(p.handX[i], p.handY[i], 1.7f), Solid(skin)});
    };
    auto leg = [&](int i, RGBA c) {
        float ox = (i == 0 ? -1.9f : 1.9f);
        parts.push_back({Capsule(sx + ox, p.hipY, p.footX[i], p.footY[i] - 1.0f, 2.0f), Solid(c)});
        float toe = p.facing == 0 ? (i == 0 ? -1.0f : 1.0f) : static_cast<float>(p.facing) * 1.6f;
        parts.push_back({Capsule(p.footX[i], p.footY[i], p.footX[i] + toe, p.footY[i], 1.7f), Solid(boot)});
    };
    if (p.facing != 0) {
        arm(backArm, suitDark);
        leg(p.facing > 0 ? 0 : 1, suitDark);
    } else {
        arm(0, suit);
        arm(1, suit);
    }
    // The body: a rounded torso shaded from the light side.
    parts.push_back({Capsule(sx, shoulderY + 0.5f, sx, p.hipY, 3.8f),
                     Linear(sx - 3, 0, suitLight, sx + 4, 0, suitDark)});
    // A white harness belt.
    parts.push_back({Intersect(Capsule(sx, shoulderY + 0.5f, sx, p.hipY, 3.9f),
                               Box(sx, p.hipY - 1.2f, 5, 0.9f)),
                     Solid(Grey(0.97f))});
    if (p.facing != 0) {
        leg(p.facing > 0 ? 1 : 0, suit);
        arm(frontArm, suit);
    } else {
        leg(0, suit);
        leg(1, suit);
    }
    if (p.ankleStrap) {
        float fx = (p.footX[0] + p.footX[1]) * 0.5f;
        parts.push_back({Box(fx, p.footY[0] - 2.2f, 4.2f, 1.0f, 0.8f), Solid(Grey(0.97f))});
    }
    // Head and helmet.
    parts.push_back({Circle(sx, p.headY, 4.3f), Solid(skin)});
    parts.push_back({Intersect(Circle(sx, p.headY, 4.6f), Box(sx, p.headY - 3.4f, 6, 3.2f)),
                     Linear(0, p.headY - 5, Rgb(255, 240, 140), 0, p.headY, helmet)});

    // One dark rim round the whole figure keeps it readable on sky and sea.
    Sdf all = parts[0].shape;
    for (size_t i = 1; i < parts.size(); i++) all = Union(all, parts[i].shape);
    Fill(r, T(Grow(all, 1.1f)), kInk);
    for (const Part& part : parts) {
        Paint paint = part.paint;
        if (turn != 0) {
            // Paints are given in upright coordinates; turn them with the shape.
            float c = std::cos(Rad(turn)), s = std::sin(Rad(turn));
            paint = [paint, c, s](float x, float y) {
                float dx = x - 16, dy = y - 16;
                return paint(16 + dx * c + dy * s, 16 - dx * s + dy * c);
            };
        }
        Fill(r, T(part.shape), paint);
    }
    // Eyes: two dots facing front, one toward the walking side.
    auto eye = [&](float x) { Fill(r, T(Circle(x, p.headY + 0.8f, 0.75f)), kInk); };
    if (p.facing == 0) {
        eye(sx - 1.6f);
        eye(sx + 1.6f);
    } else {
        eye(sx + 2.0f * p.facing);
    }
}

Pose Standing() { return Pose{}; }

Pose Walking(int step, int facing) {
    Pose p;
    p.facing = facing;
    float s = step == 0 ? 1.0f : -1.0f;
    p.footX[0] = 16 - 4.0f * s;
    p.footX[1] = 16 + 4.0f * s;
    p.footY[0] = 29.5f - (s < 0 ? 0.8f : 0.0f);
    p.footY[1] = 29.5f - (s > 0 ? 0.8f : 0.0f);
    p.handX[0] = 16 + 3.5f * s;
    p.handX[1] = 16 - 3.5f * s;
    p.handY[0] = p.handY[1] = 19.5f;
    p.headY = 7.0f;
    return p;
}

Pose Diving() {
    Pose p;
    // Arms stretched past the head, legs together, the rope strapped at the
    // ankles: drawn upright, then laid on its side with the feet at the right.
    p.headY = 9.0f;
    p.hipY = 21.0f;
    p.handX[0] = 9.0f; p.handY[0] = 2.6f;
    p.handX[1] = 23.0f; p.handY[1] = 2.6f;
    p.footX[0] = 14.6f; p.footX[1] = 17.4f;
    p.footY[0] = p.footY[1] = 29.8f;
    p.ankleStrap = true;
    return p;
}

// ---- gem and mine ------------------------------------------------------------

void DrawGem(Region r) {
    // A cut gem seen from the front: a crown of facets over a pointed pavilion.
    float cx = 16, top = 5, girdle = 12, bottom = 28, hw = 12, tw = 6.5f;
    Sdf outline = Polygon({cx - tw, top, cx + tw, top, cx + hw, girdle, cx, bottom, cx - hw, girdle});
    Shadow(r, outline, 1.2f, 1.5f, 2.0f, 0.35f);
    Fill(r, Grow(outline, 1.3f), Rgb(96, 40, 8));
    Fill(r, outline, Rgb(255, 170, 24));
    RGBA light = Rgb(255, 236, 120), mid = Rgb(255, 196, 40), dark = Rgb(226, 112, 16), deep = Rgb(188, 76, 10);
    // Crown facets.
    Fill(r, Polygon({cx - tw, top, cx - 2, top, cx - 4.5f, girdle, cx - hw, girdle}), light);
    Fill(r, Polygon({cx - 2, top, cx + 2, top, cx + 4.5f, girdle, cx - 4.5f, girdle}), Rgb(255, 250, 200));
    Fill(r, Polygon({cx + 2, top, cx + tw, top, cx + hw, girdle, cx + 4.5f, girdle}), mid);
    // Pavilion facets.
    Fill(r, Polygon({cx - hw, girdle, cx - 4.5f, girdle, cx, bottom}), mid);
    Fill(r, Polygon({cx - 4.5f, girdle, cx + 4.5f, girdle, cx, bottom}), dark);
    Fill(r, Polygon({cx + 4.5f, girdle, cx + hw, girdle, cx, bottom}), deep);
    // A glint.
    Fill(r, Star(cx - 5.5f, top + 3.0f, 4, 3.6f, 0.8f, 0), Grey(1.0f, 0.95f));
}

void DrawMine(Region r) {
    float cx = 16, cy = 16.5f;
    Sdf spikes = Circle(cx, cy, 0);
    for (int i = 0; i < 8; i++) {
        float a = Rad(i * 45.0f + 22.5f);
        float ex = cx + 13.2f * std::sin(a), ey = cy - 13.2f * std::cos(a);
        spikes = Union(spikes, Capsule(cx, cy, ex, ey, 1.6f));
    }
    Sdf ball = Circle(cx, cy, 9.0f);
    Sdf body = Union(ball, spikes);
    Shadow(r, body, 1.2f, 1.5f, 2.0f, 0.35f);
    Fill(r, Grow(body, 1.2f), Rgb(10, 8, 16));
    // Spike tips glow red, the shell is gunmetal lit from the top-left.
    for (int i = 0; i < 8; i++) {
        float a = Rad(i * 45.0f + 22.5f);
        float ex = cx + 12.6f * std::sin(a), ey = cy - 12.6f * std::cos(a);
        Fill(r, Capsule(cx, cy, ex, ey, 1.6f), Rgb(120, 124, 140));
        Fill(r, Circle(ex, ey, 1.9f), Rgb(255, 60, 40));
    }
    Fill(r, ball, Radial(cx - 3.5f, cy - 3.5f, 12.0f, Rgb(150, 156, 176), Rgb(36, 38, 52)));
    // A band and a warning light.
    Fill(r, Intersect(ball, Box(cx, cy + 1, 10, 1.2f)), Rgb(255, 200, 40));
    Fill(r, Circle(cx, cy - 2.5f, 3.0f), Rgb(90, 10, 10));
    Fill(r, Circle(cx, cy - 2.5f, 2.2f), Radial(cx - 0.7f, cy - 3.2f, 2.6f, Rgb(255, 220, 200), Rgb(255, 40, 30)));
    Fill(r, Circle(cx - 4.5f, cy - 5.0f, 1.6f), Grey(1.0f, 0.7f));
}

// ---- bridge -------------------------------------------------------------------

// Rows shared by the deck, the anchor and the pillar heads: where the walkway
// surface and the girder lie in a 32-pixel cell centred on the deck line.
constexpr float kDeckTop = 12.0f;      // walkway surface (the jumper's soles)
constexpr float kGirderTop = 14.0f;
constexpr float kGirderBottom = 21.0f;
constexpr float kTrussBottom = 30.0f;

const RGBA kSteel = Rgb(232, 84, 40), kSteelLight = Rgb(255, 150, 90), kSteelDark = Rgb(150, 44, 26);

// The deck across x0..x1 of the cell (it repeats every 32 pixels).
void DrawDeck(Region r, float x0, float x1) {
    auto span = [&](float y0, float y1) { return Box((x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2); };
    // Railing behind the walkway: a top rail and one post per tile.
    Fill(r, span(3.0f, 5.5f), kInk);
    Fill(r, span(3.5f, 5.0f), Rgb(250, 250, 250));
    for (float px = 7.0f; px < 32; px += 16) {
        if (px < x0 - 2 || px > x1 + 2) continue;
        Fill(r, Box(px, 8.5f, 1.4f, 4.0f), kInk);
        Fill(r, Box(px, 8.5f, 0.7f, 4.0f), Rgb(235, 235, 240));
    }
    Fill(r, span(7.5f, 8.8f), Grey(0.85f));
    // Walkway plank and girder.
    Fill(r, span(kDeckTop - 1, kGirderBottom + 1), kInk);
    Fill(r, span(kDeckTop, kGirderTop), Rgb(214, 200, 176));
    Fill(r, span(kGirderTop, kGirderBottom), Linear(0, kGirderTop, kSteelLight, 0, kGirderBottom, kSteelDark));
    Fill(r, span(kGirderTop, kGirderTop + 1.2f), Rgb(255, 190, 140));
    for (float rx = 4.0f; rx < 32; rx += 8) {
        if (rx < x0 || rx > x1) continue;
        Fill(r, Circle(rx, 17.5f, 1.0f), kSteelDark);
        Fill(r, Circle(rx - 0.3f, 17.2f, 0.5f), kSteelLight);
    }
    // Truss below: a W of struts between the girder and a lower chord; the
    // struts meet the tile edges at the same height, so tiles join seamlessly.
    Sdf truss = Union(Capsule(0, kGirderBottom, 16, kTrussBottom - 1.5f, 1.5f),
                      Capsule(16, kTrussBottom - 1.5f, 32, kGirderBottom, 1.5f));
    truss = Union(truss, Box(16, kTrussBottom - 1.5f, 16, 1.4f));
    truss = Union(truss, Capsule(16, kGirderBottom, 16, kTrussBottom - 1.5f, 1.2f));
    truss = Intersect(truss, span(kGirderBottom, kTrussBottom + 1));
    Fill(r, Grow(truss, 1.0f), kInk);
    Fill(r, truss, Linear(0, kGirderBottom, kSteel, 0, kTrussBottom, kSteelDark));
}

void DrawAnchor(Region r) {
    // A bolted plate with a shackle ring; the rope ties on at the centre.
    float cx = 16, cy = 16;
    Sdf plate = Box(cx, cy + 1.5f, 6.5f, 5.0f, 1.5f);
    Fill(r, Grow(plate, 1.0f), kInk);
    Fill(r, plate, Linear(0, cy - 4, Rgb(200, 206, 220), 0, cy + 7, Rgb(96, 102, 124)));
    for (float bx : {cx - 4.2f, cx + 4.2f}) {
        Fill(r, Circle(bx, cy + 4.0f, 1.1f), Rgb(60, 62, 80));
    }
    Sdf ring = Ring(cx, cy - 1.0f, 4.2f, 1.5f);
    Fill(r, Grow(ring, 1.0f), kInk);
    Fill(r, ring, Linear(cx - 5, cy - 6, Rgb(255, 240, 150), cx + 5, cy + 3, Rgb(220, 150, 20)));
}

// Pillar pieces are a stone tower 24 pixels wide, lit from the left.
constexpr float kTowerHalf = 11.0f;

void DrawShaft(Region r, float y0, float y1) {
    float cx = 16;
    Sdf body = Box(cx, (y0 + y1) / 2, kTowerHalf, (y1 - y0) / 2);
    Fill(r, Grow(body, 1.0f), kInk);
    Fill(r, body, Linear(cx - kTowerHalf, 0, Rgb(236, 228, 214), cx + kTowerHalf, 0, Rgb(150, 140, 132)));
    // Courses of stone every 16 rows, offset joints, a shaded right face.
    for (float cy = 7.5f; cy < 32; cy += 16) {
        if (cy < y0 || cy > y1) continue;
        Fill(r, Box(cx, cy, kTowerHalf, 0.6f), Rgb(120, 110, 106));
    }
    for (float jy : {0.0f, 16.0f}) {
        float jx = jy == 0 ? cx - 3 : cx + 4;
        float a = std::max(y0, jy - 0.5f), b = std::min(y1, jy + 7.5f);
        if (b > a) Fill(r, Box(jx, (a + b) / 2, 0.6f, (b - a) / 2), Rgb(140, 130, 124));
    }
    Fill(r, Box(cx + kTowerHalf - 2.0f, (y0 + y1) / 2, 2.0f, (y1 - y0) / 2), Rgb(118, 110, 104, 0.8f));
    Fill(r, Box(cx - kTowerHalf + 1.0f, (y0 + y1) / 2, 1.0f, (y1 - y0) / 2), Rgb(255, 252, 244, 0.8f));
}

// A pillar head: the deck runs into it from one side (joinLeft: from the
// left), the tower rises above the walkway with a beacon and runs down.
void DrawPillarHead(Region r, bool joinLeft) {
    if (joinLeft) {
        DrawDeck(r, 0, 10);
    } else {
        DrawDeck(r, 22, 32);
    }
    float cx = 16;
    DrawShaft(r, 5.0f, 32.0f);
    // A cap stone wider than the tower, and a red beacon on top.
    Sdf cap = Box(cx, 5.0f, kTowerHalf + 2.0f, 2.2f, 1.0f);
    Fill(r, Grow(cap, 1.0f), kInk);
    Fill(r, cap, Linear(0, 3, Rgb(250, 246, 236), 0, 7, Rgb(170, 160, 150)));
    Sdf lamp = Circle(cx, 1.8f, 1.8f);
    Fill(r, Grow(lamp, 1.0f), kInk);
    Fill(r, lamp, Rgb(255, 64, 48));
    // A steel collar where the girder meets the tower.
    Sdf collar = Box(cx, (kGirderTop + kGirderBottom) / 2, kTowerHalf + 1.5f, (kGirderBottom - kGirderTop) / 2 + 0.5f);
    Fill(r, Grow(collar, 1.0f), kInk);
    Fill(r, collar, Linear(0, kGirderTop, kSteelLight, 0, kGirderBottom, kSteelDark));
    for (float rx = cx - 8; rx <= cx + 8.5f; rx += 8) Fill(r, Circle(rx, 17.5f, 1.0f), kSteelDark);
}

// ---- ripples ----------------------------------------------------------------------

// White crests, drawn six times wider and faint on the sea bands.
void DrawRipple(Region r, bool doubled) {
    auto crest = [&](float cx, float cy, float half, float thick) {
        // A shallow arch tapering at both ends.
        Sdf s = [=](float x, float y) {
            float t = (x - cx) / half;
            if (std::fabs(t) > 1) return std::hypot(std::fabs(x - cx) - half, y - cy) + 1.0f;
            float arch = cy + 2.5f * t * t;
            float w = thick * (1 - t * t) + 0.4f;
            return std::fabs(y - arch) - w;
        };
        Fill(r, s, Grey(1.0f));
    };
    if (doubled) {
        crest(11, 13.5f, 9, 1.6f);
        crest(21, 18.0f, 9, 1.6f);
    } else {
        crest(16, 15.0f, 14, 2.2f);
    }
}

}  // namespace

bool MakeGameSprites(const std::string& dir) {
    Canvas sheet(8 * kSide, 4 * kSide);
    DrawFigure(Cell(sheet, 0, kSide), Diving(), -90.0f);
    DrawFigure(Cell(sheet, 1, kSide), Standing(), 0);
    DrawFigure(Cell(sheet, 2, kSide), Walking(0, 1), 0);
    DrawFigure(Cell(sheet, 3, kSide), Walking(1, 1), 0);
    DrawFigure(Cell(sheet, 4, kSide), Walking(0, -1), 0);
    DrawFigure(Cell(sheet, 5, kSide), Walking(1, -1), 0);
    DrawGem(Cell(sheet, 12, kSide));
    DrawMine(Cell(sheet, 13, kSide));
    DrawDeck(Cell(sheet, 18, kSide), 0, 32);
    DrawAnchor(Cell(sheet, 19, kSide));
    DrawPillarHead(Cell(sheet, 20, kSide), true);
    DrawPillarHead(Cell(sheet, 21, kSide), false);
    DrawShaft(Cell(sheet, 22, kSide), -2.0f, 34.0f);
    DrawRipple(Cell(sheet, 24, kSide), false);
    DrawRipple(Cell(sheet, 25, kSide), true);
    return Save(sheet, dir, "gfx.png");
}

}  // namespace dg
