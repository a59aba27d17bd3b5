#include "tools/Draw.h"

#include <png.h>

#include <cstdio>

namespace art {

Vec Rotate(Vec p, Vec c, float degrees) {
    float a = degrees * (float)M_PI / 180.0f;
    float s = std::sin(a), k = std::cos(a);
    Vec d = p - c;
    return {c.x + d.x * k - d.y * s, c.y + d.x * s + d.y * k};
}

Colour Hex(uint32_t rgb) {
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f};
}

Colour Mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float Circle(Vec p, Vec c, float r) { return Length(p - c) - r; }

float Capsule(Vec p, Vec a, Vec b, float r) {
    Vec pa = p - a, ba = b - a;
    float len2 = Dot(ba, ba);
    float t = len2 > 0 ? Clamp01(Dot(pa, ba) / len2) : 0;
    return Length(pa - ba * t) - r;
}

float RoundBox(Vec p, Vec c, Vec h, float r) {
    float qx = std::fabs(p.x - c.x) - h.x + r, qy = std::fabs(p.y - c.y) - h.y + r;
    float outside = std::sqrt(std::max(qx, 0.0f) * std::max(qx, 0.0f) + std::max(qy, 0.0f) * std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
}

float Arc(Vec p, Vec c, float R, float a0, float a1, float r) {
    Vec d = p - c;
    float a = std::atan2(d.y, d.x) * 180.0f / (float)M_PI;
    // Bring the angle into [a0, a0 + 360).
    while (a < a0) a += 360;
    while (a >= a0 + 360) a -= 360;
    if (a <= a1) return std::fabs(Length(d) - R) - r;
    float e0 = a0 * (float)M_PI / 180.0f, e1 = a1 * (float)M_PI / 180.0f;
    Vec p0{c.x + R * std::cos(e0), c.y + R * std::sin(e0)};
    Vec p1{c.x + R * std::cos(e1), c.y + R * std::sin(e1)};
    return std::min(Length(p - p0), Length(p - p1)) - r;
}

float Polygon(Vec p, const Vec* v, int n) {
    float d = Dot(p - v[0], p - v[0]);
    float s = 1;
    for (int i = 0, j = n - 1; i < n; j = i, i++) {
        Vec e = v[j] - v[i], w = p - v[i];
        Vec b = w - e * Clamp01(Dot(w, e) / Dot(e, e));
        d = std::min(d, Dot(b, b));
        bool c1 = p.y >= v[i].y, c2 = p.y < v[j].y, c3 = e.x * w.y > e.y * w.x;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
}

Image::Image(int width, int height)
    : w_(width), h_(height), px_((size_t)width * height), clear_((size_t)width * height, 1) {}

void Image::Blend(int x, int y, Colour c, float a) {
    Colour& d = At(x, y);
    if (Transparent(x, y)) {
        // Coverage over nothing: the colour itself; the outline of the
        // whole picture is decided by KeepInside, not by blending.
        d = c;
        SetTransparent(x, y, false);
        return;
    }
    d = Mix(d, c, a);
}

void Image::Bytes(int x, int y, uint8_t* rgb) const {
    size_t i = (size_t)y * w_ + x;
    if (clear_[i]) {
        rgb[0] = 255, rgb[1] = 0, rgb[2] = 255;
        return;
    }
    const Colour& c = px_[i];
    for (int k = 0; k < 3; k++) {
        float v = k == 0 ? c.r : k == 1 ? c.g : c.b;
        rgb[k] = (uint8_t)std::lround(Clamp01(v) * 255.0f);
    }
    // 248..255 / 0..7 / 248..255 reduces to the key colour: keep clear.
    if (rgb[0] >= 248 && rgb[1] < 8 && rgb[2] >= 248) rgb[1] = 8;
}

// The libpng calls alone, holding only raw pointers: a library error jumps
// back here and nothing with a destructor is skipped.
static bool WriteRows(FILE* f, const Image* image, const float* alpha, uint8_t* row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    int w = image->Width(), h = image->Height();
    png_init_io(png, f);
    int channels = alpha ? 4 : 3;
    png_set_IHDR(png, info, w, h, 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            uint8_t* px = row + (size_t)x * channels;
            image->Bytes(x, y, px);
            if (alpha) px[3] = (uint8_t)std::lround(Clamp01(alpha[(size_t)y * w + x]) * 255.0f);
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool Image::WritePng(const char* path) const {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::vector<uint8_t> row((size_t)w_ * 3);
    bool ok = WriteRows(f, this, nullptr, row.data());
    return std::fclose(f) == 0 && ok;
}

bool Image::WritePngAlpha(const char* path, const std::vector<float>& alpha) const {
    if (alpha.size() != (size_t)w_ * h_) return false;
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::vector<uint8_t> row((size_t)w_ * 4);
    bool ok = WriteRows(f, this, alpha.data(), row.data());
    return std::fclose(f) == 0 && ok;
}

}  // namespace art
