#include "tools/Lettering.h"

#include <cstring>

namespace art {

namespace {

struct Glyph {
    char letter;
    float advance;
    std::vector<Stroke> strokes;
};

Stroke Seg(float x0, float y0, float x1, float y1) { return {false, {x0, y0}, {x1, y1}}; }
Stroke ArcOf(float cx, float cy, float R, float a0, float a1) { return {true, {cx, cy}, {}, R, a0, a1}; }

// Screen angles: 0 right, 90 down, 180 left, 270 up.
const std::vector<Glyph>& Glyphs() {
    static const std::vector<Glyph> glyphs = {
        {'L', 0.74f, {Seg(0, -1.42f, 0, 0), Seg(0, 0, 0.74f, 0)}},
        {'u', 0.84f, {Seg(0, -1, 0, -0.42f), ArcOf(0.42f, -0.42f, 0.42f, 0, 180), Seg(0.84f, -1, 0.84f, 0)}},
        {'m', 1.2f,
         {Seg(0, 0, 0, -1), ArcOf(0.3f, -0.7f, 0.3f, 180, 360), Seg(0.6f, -0.7f, 0.6f, 0),
          ArcOf(0.9f, -0.7f, 0.3f, 180, 360), Seg(1.2f, -0.7f, 1.2f, 0)}},
        {'a', 1.0f, {ArcOf(0.5f, -0.5f, 0.5f, 0, 360), Seg(1.0f, -1, 1.0f, 0)}},
        {'t', 0.62f, {Seg(0.2f, -1.38f, 0.2f, -0.26f), ArcOf(0.46f, -0.26f, 0.26f, 90, 180), Seg(0, -1, 0.6f, -1)}},
        {'r', 0.64f, {Seg(0, 0, 0, -1), ArcOf(0.44f, -0.56f, 0.44f, 180, 300)}},
        {'y', 0.92f, {Seg(0, -1, 0.46f, 0), Seg(0.92f, -1, 0.22f, 0.52f)}},
    };
    return glyphs;
}

}  // namespace

std::vector<Stroke> LayoutWord(const char* word, Vec origin, float scale, float gap, float* width) {
    std::vector<Stroke> out;
    float x = 0;
    bool first = true;
    for (size_t i = 0; i < std::strlen(word); i++) {
        for (const Glyph& g : Glyphs()) {
            if (g.letter != word[i]) continue;
            if (!first) x += gap;
            first = false;
            for (Stroke s : g.strokes) {
                s.a = origin + Vec{(s.a.x + x) * scale, s.a.y * scale};
                s.b = origin + Vec{(s.b.x + x) * scale, s.b.y * scale};
                s.R *= scale;
                out.push_back(s);
            }
            x += g.advance;
        }
    }
    if (width) *width = x * scale;
    return out;
}

float StrokesDistance(const std::vector<Stroke>& strokes, Vec p, float halfWidth) {
    float d = 1e9f;
    for (const Stroke& s : strokes)
        d = std::min(d, s.arc ? Arc(p, s.a, s.R, s.a0, s.a1, halfWidth) : Capsule(p, s.a, s.b, halfWidth));
    return d;
}

}  // namespace art
