#include "tools/Artwork.h"
#include "tools/Motifs.h"

namespace art {

// What lies behind the thumbnails on screen, so that antialiased inner
// edges blend toward a colour that fits the background.
static const Colour kScreenGround = Hex(0x171A20);

Image DrawBackground() {
    const int W = 480, H = 640;
    Image img(W, H);
    Colour top = Hex(0x232833), middle = Hex(0x14171D), bottom = Hex(0x0A0B0E);
    img.Paint([&](Vec p) {
        float t = p.y / H;
        Colour c = t < 0.55f ? Mix(top, middle, Smooth(0, 0.55f, t)) : Mix(middle, bottom, Smooth(0.55f, 1, t));
        // a cool light from above, and the corners a little darker
        float glow = 1 - Clamp01(Length(Vec{(p.x - W * 0.5f) / W, (p.y + H * 0.08f) / H}) / 0.62f);
        c = Mix(c, Hex(0x3A4560), 0.35f * glow * glow);
        float edge = Length(Vec{(p.x - W * 0.5f) / (W * 0.5f), (p.y - H * 0.5f) / (H * 0.5f)});
        return Mix(c, Hex(0x050607), 0.45f * Smooth(0.75f, 1.45f, edge));
    });
    return img;
}

Image DrawNoSign() {
    const int S = 140;
    Image img(S, S);
    Vec c{S * 0.5f, S * 0.5f};
    float R = S * 0.46f, ring = S * 0.075f;
    img.Paint([&](Vec p) { return Mix(Hex(0x2A2F38), Hex(0x16191F), p.y / S); });
    // the red ring and the bar, lighter at the top like the buttons
    auto red = [&](Vec p) { return Mix(Hex(0xF0544C), Hex(0xB3261E), Clamp01((p.y - S * 0.1f) / (S * 0.8f))); };
    img.Fill([&](Vec p) { return std::fabs(Circle(p, c, R - ring)) - ring; }, red);
    Vec a = Rotate(c + Vec{-(R - ring), 0}, c, 45), b = Rotate(c + Vec{R - ring, 0}, c, 45);
    img.Fill([&](Vec p) { return Capsule(p, a, b, ring * 0.9f); }, red);
    img.KeepInside([&](Vec p) { return Circle(p, c, R); });
    return img;
}

Image DrawPictureIcon() {
    const int S = 240;
    Image img(S, S);
    img.Paint([](Vec) { return kScreenGround; });
    Vec c{S * 0.5f, S * 0.52f}, h{S * 0.43f, S * 0.34f};
    DrawPhoto(img, c, h, 0);
    img.KeepInside([&](Vec p) { return RoundBox(p, c, h, std::min(h.x, h.y) * 0.12f); });
    return img;
}

Image DrawFolderIcon(bool bookmarked) {
    const int S = 240;
    Image img(S, S);
    img.Paint([](Vec) { return kScreenGround; });
    const float left = 22, right = 218, top = 44, bottom = 200, tabRight = 104, tabDrop = 20, r = 12;
    // the back of the folder with its tab
    auto back = [&](Vec p) {
        float body = RoundBox(p, {(left + right) / 2, (top + tabDrop + bottom) / 2},
                              {(right - left) / 2, (bottom - top - tabDrop) / 2}, r);
        Vec tab[] = {{left, top + tabDrop + 10}, {left, top + r}, {left + r, top}, {tabRight - 14, top},
                     {tabRight + 8, top + tabDrop}, {tabRight + 8, top + tabDrop + 10}};
        float t = Polygon(p, tab, 6) - 0;
        return Union(body, Union(t, Circle(p, {left + r, top + r}, r)));
    };
    img.Fill(back, [&](Vec p) { return Mix(Hex(0xD08A22), Hex(0xA8661A), Clamp01((p.y - top) / (bottom - top))); });
    // a sheet of paper peeking out
    img.FillSolid([&](Vec p) { return RoundBox(p, {120, 104}, {82, 34}, 5); }, Hex(0xF3EFE6));
    img.FillSolid([&](Vec p) { return Capsule(p, {56, 96}, {150, 96}, 2.2f); }, Hex(0xC9C3B6));
    // the front flap, a little lower and lighter
    float frontTop = top + tabDrop + 26;
    auto front = [&](Vec p) {
        return RoundBox(p, {(left + right) / 2, (frontTop + bottom) / 2}, {(right - left) / 2, (bottom - frontTop) / 2}, r);
    };
    img.FillSolid([&](Vec p) { return front(p - Vec{0, -3}); }, Hex(0x8A5314), 6, 0.5f);
    img.Fill(front, [&](Vec p) {
        return Mix(Hex(0xFFD173), Hex(0xF0A83A), Clamp01((p.y - frontTop) / (bottom - frontTop)));
    });
    // a highlight along the flap's upper edge
    img.FillSolid([&](Vec p) { return Capsule(p, {left + 14, frontTop + 7}, {right - 14, frontTop + 7}, 2.0f); },
                  Hex(0xFFE6AE), 1, 0.8f);
    if (bookmarked) {
        const float cx = 176, ribbonTop = 44, ribbonBottom = 174, hw = 19, notch = 16;
        img.FillSolid([&](Vec p) { return Ribbon(p - Vec{3, 3}, cx, ribbonTop, ribbonBottom, hw, notch); },
                      Hex(0x5A2A0A), 6, 0.55f);
        img.Fill([&](Vec p) { return Ribbon(p, cx, ribbonTop, ribbonBottom, hw, notch); },
                 [&](Vec p) { return Mix(Hex(0xF0483E), Hex(0xB81F2A), Clamp01((p.y - ribbonTop) / 130)); });
        img.FillSolid([&](Vec p) { return Capsule(p, {cx - hw + 6, ribbonTop + 4}, {cx - hw + 6, ribbonBottom - 12}, 2.0f); },
                      Hex(0xFF8A7A), 1, 0.6f);
    }
    img.KeepInside([&](Vec p) {
        float d = Union(back(p), front(p));
        return bookmarked ? Union(d, Ribbon(p, 176, 44, 174, 19, 16)) : d;
    });
    return img;
}

}  // namespace art
