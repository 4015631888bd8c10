// The options icon sheet, options.png (128 x 96, 32-pixel frames): white
// glyphs with a dark edge for the option rows and the back button. They are
// tinted by the screens that draw them, so they never carry colour.

#include <cmath>

#include "datagen.h"
#include "raster.h"

namespace dg {
namespace {

constexpr int kSide = 32;
constexpr float kEdge = 1.6f;  // dark edge round every glyph

const RGBA kInk = Rgb(16, 12, 36);

// A white glyph, shaded a little toward its foot, with a dark edge.
void Glyph(Region r, const Sdf& s) {
    Fill(r, Grow(s, kEdge), kInk);
    Fill(r, s, Linear(0, 4, Grey(1.0f), 0, 28, Grey(0.80f)));
}

// Dark detail cut into a glyph (lines, holes).
void Detail(Region r, const Sdf& s) { Fill(r, s, kInk); }

void BackArrow(Region r) {
    Sdf head = Grow(Polygon({4.5f, 16, 15, 5.5f, 15, 26.5f}), 0.8f);
    Sdf shaft = Box(20, 16, 8.5f, 4.2f, 2.0f);
    Glyph(r, Union(head, shaft));
}

void Speaker(Region r) {
    Sdf body = Box(7.5f, 16, 3.5f, 4.5f, 1.0f);
    Sdf cone = Grow(Polygon({10, 11.5f, 17, 5.5f, 17, 26.5f, 10, 20.5f}), 0.6f);
    Glyph(r, Union(body, cone));
    Glyph(r, Arc(16.5f, 16, 6.0f, 55, 125, 1.5f));
    Glyph(r, Arc(16.5f, 16, 11.0f, 50, 130, 1.6f));
}

void MusicNote(Region r) {
    // Two beamed notes: tilted oval heads, stems and a thick beam.
    Sdf headA = Turn(Box(9.5f, 24, 4.6f, 3.4f, 3.4f), 9.5f, 24, -20);
    Sdf headB = Turn(Box(22.5f, 21, 4.6f, 3.4f, 3.4f), 22.5f, 21, -20);
    Sdf stems = Union(Box(12.6f, 15.5f, 1.5f, 8.5f), Box(25.6f, 12.5f, 1.5f, 8.5f));
    Sdf beam = Polygon({11.1f, 6.5f, 27.1f, 3.5f, 27.1f, 8.5f, 11.1f, 11.5f});
    Glyph(r, Union(Union(headA, headB), Union(stems, beam)));
}

void Screen(Region r) {
    Sdf outer = Box(16, 14, 12.5f, 9.5f, 2.0f);
    Sdf frame = Subtract(outer, Box(16, 14, 9.5f, 6.5f, 0.5f));
    Sdf stand = Union(Box(16, 25, 2.0f, 2.0f), Box(16, 27.5f, 6.5f, 1.5f, 1.0f));
    Glyph(r, Union(frame, stand));
    // Corner marks inside the picture, the overscan guides.
    auto corner = [](float x, float y, float dx, float dy) {
        return Stroke({x + dx * 3.5f, y, x, y, x, y + dy * 3.0f}, 0.9f);
    };
    Sdf marks = Union(Union(corner(9.5f, 10, 1, 1), corner(22.5f, 10, -1, 1)),
                      Union(corner(9.5f, 18, 1, -1), corner(22.5f, 18, -1, -1)));
    Fill(r, marks, Grey(1.0f));
}

void Bug(Region r) {
    Sdf legs = Stroke({3.5f, 11, 8, 14}, 1.4f);
    legs = Union(legs, Stroke({3, 19, 8.5f, 19}, 1.4f));
    legs = Union(legs, Stroke({3.5f, 27.5f, 8.5f, 24}, 1.4f));
    legs = Union(legs, Stroke({28.5f, 11, 24, 14}, 1.4f));
    legs = Union(legs, Stroke({29, 19, 23.5f, 19}, 1.4f));
    legs = Union(legs, Stroke({28.5f, 27.5f, 23.5f, 24}, 1.4f));
    Sdf feelers = Union(Stroke({14, 6, 11, 2.5f}, 1.2f), Stroke({18, 6, 21, 2.5f}, 1.2f));
    Sdf body = Box(16, 19.5f, 7.0f, 8.5f, 7.0f);
    Sdf head = Circle(16, 9, 4.2f);
    Glyph(r, Union(Union(legs, feelers), Union(body, head)));
    Detail(r, Box(16, 20, 0.7f, 7.0f));
    Detail(r, Box(16, 13.2f, 5.5f, 0.7f));
}

void Gamepad(Region r) {
    Sdf body = Union(Box(16, 15, 13, 6.5f, 6.0f), Union(Circle(8, 20, 5.5f), Circle(24, 20, 5.5f)));
    Glyph(r, body);
    Detail(r, Union(Box(9, 15, 3.8f, 1.2f), Box(9, 15, 1.2f, 3.8f)));
    Detail(r, Union(Circle(21.5f, 13.5f, 1.7f), Circle(25, 16.5f, 1.7f)));
    Detail(r, Box(16, 11.5f, 1.8f, 0.8f, 0.6f));
}

void StickUpDown(Region r) {
    Sdf base = Box(11, 26, 8, 3, 3);
    Sdf shaft = Capsule(11, 25, 11, 13, 2.0f);
    Sdf knob = Circle(11, 10.5f, 5.0f);
    Glyph(r, Union(Union(base, shaft), knob));
    Sdf up = Grow(Polygon({25, 3.5f, 30, 10.5f, 20, 10.5f}), 0.6f);
    Sdf down = Grow(Polygon({25, 28.5f, 30, 21.5f, 20, 21.5f}), 0.6f);
    Glyph(r, Union(Union(up, down), Box(25, 16, 1.5f, 6)));
}

void Heart(Region r) {
    Sdf lobes = Union(Circle(11, 12, 6.5f), Circle(21, 12, 6.5f));
    Sdf point = Polygon({5.0f, 14.5f, 27.0f, 14.5f, 16, 27.5f});
    Sdf heart = Grow(Union(lobes, point), 0.5f);
    Glyph(r, heart);
    Fill(r, Circle(10, 10.5f, 2.0f), Grey(1.0f));
}

void NameTag(Region r) {
    Sdf tag = Grow(Polygon({3.5f, 16, 10, 8, 28.5f, 8, 28.5f, 24, 10, 24}), 1.0f);
    Glyph(r, tag);
    Detail(r, Circle(9.5f, 16, 1.8f));
    Detail(r, Box(19.5f, 13.5f, 5.5f, 1.1f, 0.6f));
    Detail(r, Box(18, 18.5f, 4.0f, 1.1f, 0.6f));
}

void Motion(Region r) {
    // A ball with speed lines trailing behind it.
    Glyph(r, Circle(22.5f, 16, 6.5f));
    Glyph(r, Capsule(5, 9, 11, 9, 1.5f));
    Glyph(r, Capsule(2.5f, 16, 10.5f, 16, 1.5f));
    Glyph(r, Capsule(5, 23, 11, 23, 1.5f));
    Fill(r, Circle(20.5f, 13.5f, 1.8f), Grey(1.0f));
}

}  // namespace

bool MakeOptionIcons(const std::string& dir) {
    Canvas sheet(4 * kSide, 3 * kSide);
    BackArrow(Cell(sheet, 0, kSide));
    Speaker(Cell(sheet, 1, kSide));
    MusicNote(Cell(sheet, 2, kSide));
    Screen(Cell(sheet, 3, kSide));
    Bug(Cell(sheet, 6, kSide));
    Gamepad(Cell(sheet, 7, kSide));
    StickUpDown(Cell(sheet, 8, kSide));
    Heart(Cell(sheet, 9, kSide));
    NameTag(Cell(sheet, 10, kSide));
    Motion(Cell(sheet, 11, kSide));
    return Save(sheet, dir, "options.png");
}

}  // namespace dg
