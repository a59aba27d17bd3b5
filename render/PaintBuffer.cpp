#include "render/PaintBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/Globals.h"
#include "app/Logo.h"
#include "platform/Platform.h"
#include "util/Diagnostics.h"

PaintBuffer_t* NoImage = nullptr;

static const char16_t kMapTag[] = u".PaintBuffer_t.PaintBuffer_t:Map";

PaintBuffer_t::PaintBuffer_t(int width, int height) {
    // A buffer without area has no rows at all, so every loop sees 0 x 0.
    if (width <= 0 || height <= 0) return;
    width_ = width;
    height_ = height;
    pitch_ = (int)(((int64_t)width + 1) & ~(int64_t)1);
    CreateSurface(&rows_, &pixels_);
}

PaintBuffer_t::~PaintBuffer_t() {
    std::free(pixels_);
    delete[] rows_;
    std::free(savedPixels_);
    delete[] savedRows_;
}

void PaintBuffer_t::CreateSurface(uint16_t*** rows, uint32_t** pixels) {
    uint64_t tableBytes = (uint64_t)height_ * sizeof(uint16_t*);
    uint16_t** table = new (std::nothrow) uint16_t*[(size_t)height_];
    if (!table) ReportOutOfMemory(kMapTag, tableBytes);
    uint64_t bytes = SurfaceWords() * 4;
    void* mem = bytes <= (uint64_t)SIZE_MAX ? std::malloc((size_t)bytes) : nullptr;
    if (!mem) {
        delete[] table;
        ReportOutOfMemory(kMapTag, bytes);
    }
    uint16_t* base = static_cast<uint16_t*>(mem);
    for (int i = 0; i < height_; i++) table[i] = base + (size_t)i * (size_t)pitch_;
    *rows = table;
    *pixels = static_cast<uint32_t*>(mem);
}

plat::Font* PaintBuffer_t::SelectFont(plat::Font* font) {
    plat::Font* old = font_;
    font_ = font;
    return old;
}

void PaintBuffer_t::Clear() {
    if (!pixels_) return;
    size_t words = (size_t)SurfaceWords();
    if (savedPixels_) {
        std::memcpy(pixels_, savedPixels_, words * 4);
        return;
    }
    // The key in both halves: two pixels per store.
    uint32_t pair = (uint32_t)keyColour | ((uint32_t)keyColour << 16);
    std::fill(pixels_, pixels_ + words, pair);
}

void PaintBuffer_t::SaveBackground() {
    if (!pixels_) return;
    if (!savedPixels_) CreateSurface(&savedRows_, &savedPixels_);
    std::memcpy(savedPixels_, pixels_, (size_t)SurfaceWords() * 4);
}

void PaintBuffer_t::Paint() const {
    if (!rows_) return;
    plat::PresentFrame(rows_, width_, height_);
}

bool PaintBuffer_t::ClipRect(int* left, int* top, int* right, int* bottom) const {
    *left = std::max(*left, 0);
    *top = std::max(*top, 0);
    *right = std::min(*right, width_ - 1);
    *bottom = std::min(*bottom, height_ - 1);
    return *left <= *right && *top <= *bottom;
}

void PaintBuffer_t::FillRect(int left, int top, int right, int bottom, uint16_t pixel) {
    if (!ClipRect(&left, &top, &right, &bottom)) return;
    for (int y = top; y <= bottom; y++) std::fill(rows_[y] + left, rows_[y] + right + 1, pixel);
}

void PaintBuffer_t::DarkenRect(int left, int top, int right, int bottom) {
    if (!ClipRect(&left, &top, &right, &bottom)) return;
    for (int y = top; y <= bottom; y++) {
        uint16_t* row = rows_[y];
        // 0xF79F drops the low bit of each 5-bit channel and bit 5, so the
        // shift halves every channel without borrowing into its neighbour.
        for (int x = left; x <= right; x++) row[x] = (uint16_t)((row[x] & 0xF79F) >> 1);
    }
}

void PaintBuffer_t::DrawLine(int x1, int y1, int x2, int y2, uint32_t colourRef) {
    if (!rows_) return;
    uint16_t pixel = ColourRefToPixel(colourRef);
    int64_t dx = (int64_t)x2 - x1, dy = (int64_t)y2 - y1;
    bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    // Walk the major axis; the minor coordinate of step i is the start plus
    // i * minor / major rounded half away from the start (Bresenham's
    // choice), in closed form so that only the steps inside the buffer run.
    int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    int64_t n = major < 0 ? -major : major;  // pixels drawn: the end point is not
    if (n == 0) return;
    int majorSign = major < 0 ? -1 : 1, minorSign = minor < 0 ? -1 : 1;
    int64_t aMinor = minor < 0 ? -minor : minor;
    int64_t start = xMajor ? x1 : y1, minorStart = xMajor ? y1 : x1;
    int64_t limit = xMajor ? width_ : height_, minorLimit = xMajor ? height_ : width_;
    // Steps i whose major coordinate start + sign * i lies in [0, limit).
    int64_t lo, hi;
    if (majorSign > 0) { lo = -start; hi = limit - 1 - start; }
    else { lo = start - (limit - 1); hi = start; }
    lo = std::max<int64_t>(lo, 0);
    hi = std::min<int64_t>(hi, n - 1);
    for (int64_t i = lo; i <= hi; i++) {
        // 128 bits: with end points 2^32 apart the product needs 65.
        int64_t m = minorStart + minorSign * (int64_t)(((__int128)2 * i * aMinor + n) / (2 * (__int128)n));
        if (m < 0 || m >= minorLimit) continue;
        int64_t M = start + majorSign * i;
        if (xMajor) rows_[m][M] = pixel;
        else rows_[M][m] = pixel;
    }
}

void PaintBuffer_t::CopyKeyed(int x, int y, const PaintBuffer_t* source) {
    if (!source || !rows_ || !source->rows_) return;
    int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>((int64_t)y + source->height_, height_);
    int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>((int64_t)x + source->width_, width_);
    if (y0 >= y1 || x0 >= x1) return;
    uint16_t key = source->keyColour;
    for (int64_t r = y0; r < y1; r++) {
        const uint16_t* src = source->rows_[r - y] - x;  // indexed by destination column
        uint16_t* dst = rows_[r];
        // A select rather than a branch: the compiler turns it into vector
        // blends, and key pixels scattered through labels cost no mispredicts.
        for (int64_t c = x0; c < x1; c++) {
            uint16_t p = src[c];
            dst[c] = p != key ? p : dst[c];
        }
    }
}

bool PaintBuffer_t::DrawBitmapResource(int id) {
    if (id != kLogoResource || !rows_) return false;
    // A stretched block transfer: point sampling, the last source pixel of
    // each span wins (like the system's plain source copy).
    for (int y = 0; y < height_; y++) {
        int sy = (int)((int64_t)y * kLogoHeight / height_);
        const unsigned char* srcRow = kLogoBitmap + (size_t)sy * kLogoWidth * 3;
        uint16_t* row = rows_[y];
        for (int x = 0; x < width_; x++) {
            const unsigned char* s = srcRow + (size_t)((int64_t)x * kLogoWidth / width_) * 3;
            // RGB565 as the system writes it: 5, 6, 5 bits.
            row[x] = (uint16_t)(((s[0] >> 3) << 11) | ((s[1] >> 2) << 5) | (s[2] >> 3));
        }
    }
    return true;
}

void PaintBuffer_t::DrawNoImage() {
    CopyKeyed(width_ / 2 - 35 * UiScale, height_ / 2 - 35 * UiScale, NoImage);
}
