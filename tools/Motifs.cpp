#include "tools/Motifs.h"

namespace art {

void DrawPhoto(Image& img, Vec c, Vec h, float angle, float fade, Colour fadeTo) {
    float m = std::min(h.x, h.y);
    float border = std::max(1.5f, m * 0.14f);
    Vec inner{h.x - border, h.y - border};
    auto local = [c, angle](Vec p) { return Rotate(p, c, -angle); };
    auto faded = [fade, fadeTo](Colour k) { return Mix(k, fadeTo, fade); };

    // a soft shadow below the print
    img.FillSolid([&](Vec p) { return RoundBox(local(p), c + Vec{0, m * 0.08f}, h, m * 0.12f); }, Hex(0x000000),
                  m * 0.25f, 0.45f);
    img.FillSolid([&](Vec p) { return RoundBox(local(p), c, h, m * 0.12f); }, faded(Hex(0xEEEBE4)));
    // sky: deep blue at the top, warm at the horizon
    Colour skyTop = Hex(0x3F6FB8), skyLow = Hex(0xF4C27F);
    float top = c.y - inner.y, horizon = c.y + inner.y * 0.35f;
    auto window = [&](Vec q) { return RoundBox(q, c, inner, m * 0.05f); };
    img.Fill([&](Vec p) { return window(local(p)); },
             [&](Vec p) { return faded(Mix(skyTop, skyLow, Smooth(top, horizon, local(p).y))); });
    // sun, far ridge, near hill; each kept inside the window
    Vec sun = c + Vec{inner.x * 0.42f, -inner.y * 0.32f};
    img.FillSolid([&](Vec p) { Vec q = local(p); return Intersect(Circle(q, sun, m * 0.2f), window(q)); },
                  faded(Hex(0xFFF0C2)));
    Vec ridge[] = {c + Vec{-inner.x * 1.2f, inner.y * 1.2f}, c + Vec{-inner.x * 0.95f, inner.y * 0.2f},
                   c + Vec{-inner.x * 0.35f, -inner.y * 0.38f}, c + Vec{inner.x * 0.2f, inner.y * 0.25f},
                   c + Vec{inner.x * 0.55f, inner.y * 0.02f}, c + Vec{inner.x * 1.2f, inner.y * 0.5f},
                   c + Vec{inner.x * 1.2f, inner.y * 1.2f}};
    img.FillSolid([&](Vec p) { Vec q = local(p); return Intersect(Polygon(q, ridge, 7), window(q)); },
                  faded(Hex(0x56688F)));
    Vec hill{c.x - inner.x * 0.15f, c.y + inner.y * 2.1f};
    img.FillSolid([&](Vec p) { Vec q = local(p); return Intersect(Circle(q, hill, inner.y * 1.55f), window(q)); },
                  faded(Hex(0x2F6B55)));
}

float Ribbon(Vec p, float cx, float top, float bottom, float hw, float notch) {
    Vec v[] = {{cx - hw, top}, {cx + hw, top}, {cx + hw, bottom}, {cx, bottom - notch}, {cx - hw, bottom}};
    return Polygon(p, v, 5);
}

}  // namespace art
