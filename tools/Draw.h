// Drawing for the asset tool: an RGB canvas of floats, shapes described by
// signed distance functions (negative inside, in pixels) and filled with
// antialiased coverage, and PNG output in which transparent pixels are
// exactly magenta 0xFF00FF.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace art {

struct Vec {
    float x = 0, y = 0;
};
inline Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
inline Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
inline Vec operator*(Vec a, float s) { return {a.x * s, a.y * s}; }
inline float Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
inline float Length(Vec a) { return std::sqrt(Dot(a, a)); }
// Turns p around c by the angle in degrees (clockwise on screen, y down).
Vec Rotate(Vec p, Vec c, float degrees);

struct Colour {
    float r = 0, g = 0, b = 0;  // 0..1
};
Colour Hex(uint32_t rgb);
Colour Mix(Colour a, Colour b, float t);
inline float Clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
inline float Smooth(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// ---- signed distances (pixels; negative inside)
float Circle(Vec p, Vec c, float r);
// A segment with round ends, half thickness r.
float Capsule(Vec p, Vec a, Vec b, float r);
// Axis-aligned box of centre c and half size h with corner radius r.
float RoundBox(Vec p, Vec c, Vec h, float r);
// A circular arc of radius R around c from angle a0 to a1 (degrees,
// clockwise from the +x axis on screen, a1 > a0), stroked with half width r
// and round ends.
float Arc(Vec p, Vec c, float R, float a0, float a1, float r);
// A polygon (any simple one, either winding).
float Polygon(Vec p, const Vec* v, int n);
inline float Union(float a, float b) { return std::min(a, b); }
inline float Cut(float a, float b) { return std::max(a, -b); }
inline float Intersect(float a, float b) { return std::max(a, b); }

class Image {
public:
    Image(int width, int height);
    int Width() const { return w_; }
    int Height() const { return h_; }
    Colour& At(int x, int y) { return px_[(size_t)y * w_ + x]; }
    bool Transparent(int x, int y) const { return clear_[(size_t)y * w_ + x] != 0; }
    void SetTransparent(int x, int y, bool t) { clear_[(size_t)y * w_ + x] = t; }

    // Blends colour over pixel (x, y) with coverage a.
    void Blend(int x, int y, Colour c, float a);
    // Fills the shape: coverage falls from 1 to 0 over `soft` pixels around
    // the edge (1 = antialiasing; more = a soft glow or shadow). paint gives
    // the colour at the pixel centre; opacity scales the coverage.
    template <typename Shape, typename PaintFn>
    void Fill(Shape shape, PaintFn paint, float soft = 1.0f, float opacity = 1.0f) {
        for (int y = 0; y < h_; y++)
            for (int x = 0; x < w_; x++) {
                Vec p{x + 0.5f, y + 0.5f};
                float d = shape(p);
                float a = Clamp01(0.5f - d / soft) * opacity;
                if (a > 0) Blend(x, y, paint(p), a);
            }
    }
    template <typename Shape>
    void FillSolid(Shape shape, Colour c, float soft = 1.0f, float opacity = 1.0f) {
        Fill(shape, [c](Vec) { return c; }, soft, opacity);
    }
    // Makes every pixel whose centre lies outside the shape transparent: a
    // hard edge, as the program's key colour allows no blending.
    template <typename Shape>
    void KeepInside(Shape shape) {
        for (int y = 0; y < h_; y++)
            for (int x = 0; x < w_; x++)
                if (shape(Vec{x + 0.5f, y + 0.5f}) > 0) SetTransparent(x, y, true);
    }
    // Paints every pixel with the function of its centre and makes it opaque.
    template <typename PaintFn>
    void Paint(PaintFn paint) {
        for (int y = 0; y < h_; y++)
            for (int x = 0; x < w_; x++) {
                At(x, y) = paint(Vec{x + 0.5f, y + 0.5f});
                SetTransparent(x, y, false);
            }
    }

    // 8-bit R, G, B of a pixel; transparent pixels are 255, 0, 255, and no
    // opaque pixel comes so close to magenta that the program's 5-bit
    // reduction would turn it into the key colour.
    void Bytes(int x, int y, uint8_t* rgb) const;
    // Writes an 8-bit RGB PNG; false on failure.
    bool WritePng(const char* path) const;
    // Writes an 8-bit RGBA PNG with one alpha value (0..1) per pixel, for
    // the desktop, which blends; false on failure.
    bool WritePngAlpha(const char* path, const std::vector<float>& alpha) const;

private:
    int w_, h_;
    std::vector<Colour> px_;
    std::vector<uint8_t> clear_;
};

}  // namespace art
