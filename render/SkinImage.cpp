#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "codec/Img.h"
#include "render/PaintBuffer.h"
#include "util/Diagnostics.h"

bool PaintBuffer_t::LoadFromPng(const char16_t* path) {
    if (!path || !rows_) return false;
    Img_t* img = AllocImg_t(path);
    if (!img) return false;
    if (img->Open(path) <= 0 || img->OutWidth == 0 || img->OutHeight == 0) {
        delete img;
        return false;
    }
    const int64_t w = img->OutWidth, h = img->OutHeight, W = width_, H = height_;
    // At least 3 bytes a pixel, rounded up to whole 32-bit words.
    const uint64_t bytes = (uint64_t)(((w + 1) * 3 / 4 + 1) * 4);
    uint8_t* row = static_cast<uint8_t*>(std::malloc((size_t)bytes));
    if (!row) {
        delete img;
        ReportOutOfMemory(u".PaintBuffer_t.LoadFromPng:buf", bytes);
    }
    // Each source pixel covers a block one wider and higher than the scale,
    // so blocks overlap by one and leave no gaps; the later pixel wins.
    const int64_t fx = W / w + 1, fy = H / h + 1;
    for (int64_t i = 0; i < h; i++) {
        int idx = img->ReadRow(row);
        if (idx < 0) break;
        if (idx >= h) continue;  // a decoder's row index beyond its height
        for (int64_t dy = 0; dy < fy; dy++) {
            int64_t y = H * idx / h + dy;
            if (y >= H) break;
            uint16_t* dst = rows_[y];
            const uint8_t* src = row;
            for (int64_t k = 0; k < w; k++, src += 3) {
                int64_t x0 = W * k / w;
                for (int64_t x = x0; x < x0 + fx && x < W; x++) dst[x] = DitherPixel(src[0], src[1], src[2]);
            }
        }
    }
    std::free(row);
    delete img;
    return true;
}

static bool BuildLightMap(LightMap_t* map, int W, int H) {
    uint64_t count = (uint64_t)W * (uint64_t)H;
    int32_t* values = new (std::nothrow) int32_t[(size_t)count];
    if (!values) ReportOutOfMemory(u".PaintBuffer_t.ApplyLight:map", count * 4);
    for (int i = 0; i < H; i++) {
        // The light peaks a third of the way in from the top-left corner.
        float dy = (float)(7 * (i - H / 3)) / (float)H;
        for (int j = 0; j < W; j++) {
            float dx = (float)(7 * (j - W / 3)) / (float)W;
            double r = std::sqrt((double)dx * dx + (double)dy * dy);
            values[(size_t)i * W + j] = (int32_t)(22.0 / (1.0 + r * r * r * r) + 0.5);
        }
    }
    delete[] map->values;
    map->values = values;
    map->width = W;
    map->height = H;
    return true;
}

void PaintBuffer_t::ApplyLight(const PaintBuffer_t* source, LightMap_t* map) {
    if (!source || !rows_ || !source->rows_) return;
    if (source->width_ < width_ || source->height_ < height_) return;
    LightMap_t local;
    if (!map) map = &local;
    if (!map->values || map->width != width_ || map->height != height_) BuildLightMap(map, width_, height_);
    for (int i = 0; i < height_; i++) {
        const uint16_t* src = source->rows_[i];
        const int32_t* light = map->values + (size_t)i * width_;
        uint16_t* dst = rows_[i];
        for (int j = 0; j < width_; j++) {
            uint16_t a = src[j];
            if (a == keyColour) {
                dst[j] = a;
                continue;
            }
            int L = light[j];
            // The channel dimmed to a third, plus the light, capped at 31.
            auto lit = [L](int c) { return std::min(31, L + c / 3); };
            dst[j] = (uint16_t)(lit(a >> 11) << 11 | lit((a >> 6) & 31) << 6 | lit(a & 31));
        }
    }
}
