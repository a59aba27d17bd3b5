#include <cstring>

#include "tools/Artwork.h"
#include "tools/Motifs.h"

namespace art {

namespace {

const Colour kInk = Hex(0xEEF1F5);
const Colour kAmber = Hex(0xFFB444);
const Colour kRed = Hex(0xF25A4E);

// Shapes are designed on a 120-unit square and scaled to the file's size.
struct Button {
    Image img;
    float s;
    explicit Button(int size) : img(size, size), s(size / 120.0f) {}
    Vec P(float x, float y) const { return {x * s, y * s}; }
    float L(float v) const { return v * s; }
};

// The dark disc every button sits on, lit from above, with a fine rim.
void DrawDisc(Button& b) {
    Vec c = b.P(60, 60);
    float R = b.L(57.5f);
    b.img.Paint([&](Vec p) { return Mix(Hex(0x3A414D), Hex(0x15181D), Clamp01((p.y - b.L(4)) / b.L(112))); });
    b.img.Fill([&](Vec p) { return Circle(p, c, R - b.L(3)); },
               [&](Vec p) { return Mix(Hex(0x2C323C), Hex(0x181B21), Clamp01((p.y - b.L(8)) / b.L(104))); });
    // a soft sheen on the upper half
    b.img.FillSolid([&](Vec p) { return Circle(p, c + b.P(0, -20), b.L(34)); }, Hex(0x48505E), b.L(40), 0.25f);
}

void Finish(Button& b) {
    b.img.KeepInside([&](Vec p) { return Circle(p, b.P(60, 60), b.L(58.5f)); });
}

// A stroke drawn with a faint dark edge underneath so it reads on the lit
// variant too.
template <typename Shape>
void Ink(Button& b, Shape shape, Colour c = kInk) {
    b.img.FillSolid([&](Vec p) { return shape(p - b.P(0, 1.5f)); }, Hex(0x0B0C0F), b.L(4), 0.5f);
    b.img.FillSolid(shape, c);
}

float Head(Vec p, Vec tip, Vec dir, float length, float half) {
    Vec n{-dir.y, dir.x};
    Vec base = tip - dir * length;
    Vec v[] = {tip, base + n * half, base - n * half};
    return Polygon(p, v, 3) - 1.0f;  // corners slightly rounded
}

void Quit(Button& b) {
    float w = b.L(5.2f);
    Ink(b, [&](Vec p) {
        return Union(Arc(p, b.P(60, 63), b.L(27), -52, 232, w), Capsule(p, b.P(60, 27), b.P(60, 60), w));
    });
}

void Delete(Button& b) {
    float w = b.L(4.6f);
    auto can = [&](Vec p) {
        Vec body[] = {b.P(38, 47), b.P(82, 47), b.P(77.5f, 93), b.P(42.5f, 93)};
        float lid = Capsule(p, b.P(32, 38), b.P(88, 38), w);
        float handle = std::fabs(RoundBox(p, b.P(60, 30), b.P(11, 8), b.L(4))) - b.L(3.6f);
        handle = Intersect(handle, p.y - b.L(36));
        return Union(Union(lid, handle), Polygon(p, body, 4) - b.L(2.5f));
    };
    Ink(b, can, kRed);
    for (float x : {50.0f, 60.0f, 70.0f})
        b.img.FillSolid([&](Vec p) { return Capsule(p, b.P(x + (x - 60) * 0.1f, 56), b.P(x + (x - 60) * 0.06f, 84), b.L(2.6f)); },
                        Hex(0x6A1A16));
}

void Back(Button& b) {
    float w = b.L(5.2f);
    Ink(b, [&](Vec p) {
        float path = Union(Capsule(p, b.P(44, 44), b.P(66, 44), w),
                           Union(Arc(p, b.P(66, 65), b.L(21), -90, 90, w), Capsule(p, b.P(66, 86), b.P(42, 86), w)));
        return Union(path, Head(p, b.P(24, 44), {-1, 0}, b.L(22), b.L(15)));
    });
}

void Mail(Button& b) {
    float w = b.L(4.6f);
    Ink(b, [&](Vec p) {
        float box = std::fabs(RoundBox(p, b.P(60, 62), b.P(31, 22), b.L(6))) - w;
        float flap = Union(Capsule(p, b.P(33, 45), b.P(60, 66), w), Capsule(p, b.P(60, 66), b.P(87, 45), w));
        return Union(box, flap);
    });
}

// Three prints on an arc: back to the browsing track.
void TrackBack(Button& b) {
    Vec pivot = b.P(60, 124);
    for (float a : {-40.0f, 40.0f, 0.0f}) {
        Vec c = Rotate(b.P(60, 60), pivot, a);
        Vec h = a == 0 ? b.P(19, 15) : b.P(13, 10.5f);
        float turn = a * 0.75f;
        auto frame = [&](Vec p) { return RoundBox(Rotate(p, c, -turn), c, h, b.L(3)); };
        b.img.FillSolid(frame, Hex(0x0B0C0F), b.L(5), 0.6f);
        b.img.FillSolid(frame, a == 0 ? kInk : Hex(0xAEB5C0));
        Vec hi{h.x - b.L(4), h.y - b.L(4)};
        b.img.FillSolid([&](Vec p) { return RoundBox(Rotate(p, c, -turn), c, hi, b.L(1.5f)); },
                        a == 0 ? kAmber : Hex(0x5A6270));
    }
    // the track under them
    b.img.FillSolid([&](Vec p) { return Arc(p, pivot, b.L(40), 232, 308, b.L(2.4f)); }, Hex(0x8A93A3));
}

// Crop marks around a portrait or a landscape field.
void Crop(Button& b, bool upright) {
    float l = upright ? 44 : 34, r = upright ? 76 : 86, t = upright ? 36 : 44, d = upright ? 84 : 76;
    const float ext = 13;
    b.img.FillSolid([&](Vec p) { return RoundBox(p, b.P((l + r) / 2, (t + d) / 2), b.P((r - l) / 2 - 7, (d - t) / 2 - 7), b.L(2)); },
                    kAmber);
    float w = b.L(4.6f);
    Ink(b, [&](Vec p) {
        float one = Union(Capsule(p, b.P(l, t - ext), b.P(l, d), w), Capsule(p, b.P(l, d), b.P(r + ext, d), w));
        float two = Union(Capsule(p, b.P(l - ext, t), b.P(r, t), w), Capsule(p, b.P(r, t), b.P(r, d + ext), w));
        return Union(one, two);
    });
}

void Rotation(Button& b) {
    float w = b.L(5.2f);
    Vec c = b.P(60, 62);
    float R = b.L(27), a0 = -20;
    float rad = a0 * (float)M_PI / 180;
    Vec end = c + Vec{std::cos(rad), std::sin(rad)} * R;
    // the head points along the arc, against its direction of increase
    Vec dir{std::sin(rad), -std::cos(rad)};
    Ink(b, [&](Vec p) {
        return Union(Arc(p, c, R, a0 + 8, 262, w), Head(p, end + dir * b.L(9), dir, b.L(20), b.L(14)));
    });
}

void Bookmark(Button& b, float cx, float top, float bottom, float hw) {
    float notch = hw * 0.8f;
    auto ribbon = [&](Vec p) { return Ribbon(p, b.L(cx), b.L(top), b.L(bottom), b.L(hw), b.L(notch)) - b.L(1.5f); };
    b.img.FillSolid([&](Vec p) { return ribbon(p - b.P(0, 2)); }, Hex(0x0B0C0F), b.L(5), 0.6f);
    b.img.Fill(ribbon, [&](Vec p) { return Mix(Hex(0xFF5F52), Hex(0xC0232C), Clamp01((p.y - b.L(top)) / b.L(bottom - top))); });
    b.img.FillSolid([&](Vec p) { return Capsule(p, b.P(cx - hw + 6, top + 5), b.P(cx - hw + 6, bottom - 14), b.L(2)); },
                    Hex(0xFF9C8E), 1, 0.7f);
}

void Badge(Button& b, bool add) {
    Vec c = b.P(83, 80);
    b.img.FillSolid([&](Vec p) { return Circle(p, c, b.L(21)); }, Hex(0x181B21));
    b.img.Fill([&](Vec p) { return Circle(p, c, b.L(17)); },
               [&](Vec p) {
                   return add ? Mix(Hex(0x4FD07E), Hex(0x23964F), Clamp01((p.y - c.y + b.L(17)) / b.L(34)))
                              : Mix(Hex(0xF4F6F9), Hex(0xC6CCD6), Clamp01((p.y - c.y + b.L(17)) / b.L(34)));
               });
    float w = b.L(3.6f);
    b.img.FillSolid([&](Vec p) {
        float bar = Capsule(p, c - b.P(9, 0), c + b.P(9, 0), w);
        return add ? Union(bar, Capsule(p, c - b.P(0, 9), c + b.P(0, 9), w)) : bar;
    }, add ? Hex(0xFFFFFF) : Hex(0xD0342C));
}

// The small corner buttons: a chevron.
void Step(Button& b, bool next) {
    float w = b.L(9.5f), dx = next ? 1 : -1;
    Ink(b, [&](Vec p) {
        Vec tip = b.P(60 + dx * 20, 60), a = b.P(60 - dx * 12, 28), c = b.P(60 - dx * 12, 92);
        return Union(Capsule(p, a, tip, w), Capsule(p, tip, c, w));
    });
}

}  // namespace

Image DrawButton(const char* name, int size) {
    Button b(size);
    DrawDisc(b);
    if (!std::strcmp(name, "quit")) Quit(b);
    else if (!std::strcmp(name, "delete")) Delete(b);
    else if (!std::strcmp(name, "back")) Back(b);
    else if (!std::strcmp(name, "mail")) Mail(b);
    else if (!std::strcmp(name, "lback")) TrackBack(b);
    else if (!std::strcmp(name, "cropp")) Crop(b, true);
    else if (!std::strcmp(name, "cropl")) Crop(b, false);
    else if (!std::strcmp(name, "rotate")) Rotation(b);
    else if (!std::strcmp(name, "bm")) Bookmark(b, 60, 26, 96, 19);
    else if (!std::strcmp(name, "bm_add") || !std::strcmp(name, "bm_rem")) {
        Bookmark(b, 50, 24, 92, 17);
        Badge(b, name[3] == 'a');
    } else if (!std::strcmp(name, "fprev")) Step(b, false);
    else if (!std::strcmp(name, "fnext")) Step(b, true);
    else return Image(0, 0);
    Finish(b);
    return b.img;
}

}  // namespace art
