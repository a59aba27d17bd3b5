#include "render/Text.h"

#include <algorithm>
#include <mutex>

#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "util/Text.h"

plat::Font* UiFont = nullptr;

int MeasureText(plat::Font* font, const char16_t* text) {
    if (!font || !text) return 0;
    int widest = 0;
    const char16_t* line = text;
    for (const char16_t* p = text;; p++) {
        if (*p == u'\n' || *p == 0) {
            if (p > line) widest = std::max(widest, plat::TextWidth(font, line, (int)(p - line)));
            if (*p == 0) break;
            line = p + 1;
        }
    }
    return widest;
}

void FitFontSize(int length, int left, int top, int right, int bottom, int bufferHeight,
                 int* height, int* width) {
    int64_t h = (int64_t)std::min(bottom, bufferHeight - 1) - std::max(top, 0);
    int64_t w = 4 * h / 7;
    int64_t byLength = ((int64_t)right - left) / ((int64_t)length + 4);
    if (byLength < w) w = byLength;
    *height = (int)std::clamp<int64_t>(h, INT32_MIN, INT32_MAX);
    *width = (int)std::clamp<int64_t>(w, INT32_MIN, INT32_MAX);
}

namespace {

// One RGB565 channel blended from d toward t by coverage c (0..255).
inline int Mix(int d, int t, int c) { return d + ((t - d) * c + 127) / 255; }

// Draws one line of text with the font into [left, right) x [top, bottom),
// vertically centred and aligned by flags, clipped to that box and to the
// rows.
void RenderLine(plat::Font* font, const char16_t* text, int flags, int left, int top, int right,
                int bottom, uint16_t colour, uint16_t key, uint16_t** rows, int W, int H) {
    int length = WideLength(text);
    if (!font || length == 0 || right <= left || bottom <= top) return;
    plat::Coverage cov;
    if (!plat::RenderText(font, text, length, &cov) || !cov.pixels) {
        plat::FreeCoverage(&cov);
        return;
    }
    int64_t x0 = left, y0 = (int64_t)top + (((int64_t)bottom - top) - cov.height) / 2;
    int align = flags & 3;
    if (align == TEXT_CENTRE) x0 = left + (((int64_t)right - left) - cov.width) / 2;
    else if (align == TEXT_RIGHT) x0 = (int64_t)right - cov.width;
    int64_t cx0 = std::max<int64_t>({x0, left, 0}), cx1 = std::min<int64_t>({x0 + cov.width, right, W});
    int64_t cy0 = std::max<int64_t>({y0, top, 0}), cy1 = std::min<int64_t>({y0 + cov.height, bottom, H});
    const int tr = colour >> 11, tg = (colour >> 5) & 63, tb = colour & 31;
    for (int64_t y = cy0; y < cy1; y++) {
        const uint8_t* c = cov.pixels + (size_t)(y - y0) * cov.width - x0;
        uint16_t* row = rows[y];
        for (int64_t x = cx0; x < cx1; x++) {
            int a = c[x];
            if (a == 0) continue;
            uint16_t d = row[x];
            if (a == 255) {
                row[x] = colour;
            } else if (d == key) {
                // A key-coloured pixel must stay the key or become the text
                // colour: a blend would leave a fringe after a keyed copy.
                if (a >= 128) row[x] = colour;
            } else {
                int r = Mix(d >> 11, tr, a), g = Mix((d >> 5) & 63, tg, a), b = Mix(d & 31, tb, a);
                row[x] = (uint16_t)(r << 11 | g << 5 | b);
            }
        }
    }
    plat::FreeCoverage(&cov);
}

// Fonts made for fitted text, kept between calls: the info line asks for
// the same few sizes over and over, from the interface thread and the
// folder scanner. A font in use is never deleted; when every slot is busy
// the caller gets a font of its own.
struct FitFont {
    int height = 0, width = 0, weight = 0;
    plat::Font* font = nullptr;
    int users = 0;
    uint64_t lastUse = 0;
};
constexpr int kFitFonts = 8;
std::mutex fitLock;
FitFont fitFonts[kFitFonts];
uint64_t fitClock = 0;

// The kept font of that size, marked in use (lock held); null if none.
plat::Font* UseFitFont(int height, int width, int weight) {
    for (FitFont& f : fitFonts)
        if (f.font && f.height == height && f.width == width && f.weight == weight) {
            f.users++;
            f.lastUse = ++fitClock;
            return f.font;
        }
    return nullptr;
}

// A font of that size; give it back with ReleaseFitFont. Null when none
// can be made.
plat::Font* AcquireFitFont(int height, int width, int weight) {
    {
        std::lock_guard<std::mutex> hold(fitLock);
        if (plat::Font* kept = UseFitFont(height, width, weight)) return kept;
    }
    // Made outside the lock: another thread's text need not wait for it.
    plat::Font* font = plat::CreateFont(height, width, weight);
    if (!font) return nullptr;
    plat::Font* spare = nullptr;
    {
        std::lock_guard<std::mutex> hold(fitLock);
        if (plat::Font* kept = UseFitFont(height, width, weight)) {
            spare = font;  // another thread made the same size meanwhile
            font = kept;
        } else {
            // An empty slot, else the least recently used idle one.
            FitFont* slot = nullptr;
            for (FitFont& f : fitFonts) {
                if (f.users) continue;
                if (!f.font) {
                    slot = &f;
                    break;
                }
                if (!slot || f.lastUse < slot->lastUse) slot = &f;
            }
            if (!slot) return font;  // every slot busy: the caller's own font
            spare = slot->font;
            *slot = FitFont{height, width, weight, font, 1, ++fitClock};
        }
    }
    if (spare) plat::DeleteFont(spare);
    return font;
}

void ReleaseFitFont(plat::Font* font) {
    {
        std::lock_guard<std::mutex> hold(fitLock);
        for (FitFont& f : fitFonts)
            if (f.font == font) {
                f.users--;
                return;
            }
    }
    plat::DeleteFont(font);  // not kept
}

}  // namespace

void ReleaseFitFonts() {
    std::lock_guard<std::mutex> hold(fitLock);
    for (FitFont& f : fitFonts)
        if (f.font && f.users == 0) {
            plat::DeleteFont(f.font);
            f = FitFont();
        }
}

void PaintBuffer_t::DrawText(const char16_t* text, int flags, int left, int top, int right, int bottom,
                             uint32_t colour, int32_t background) {
    if (!rows_) return;
    if (background != kNoBackground) {
        // The box covers the clipped rectangle without its right column and
        // bottom row, as the system's rectangle does.
        int l = std::max(left, 0), t = std::max(top, 0);
        int r = std::min(right, width_ - 1), b = std::min(bottom, height_ - 1);
        FillRect(l, t, r - 1, b - 1, ColourRefToPixel((uint32_t)background));
    }
    if (!text) return;
    RenderLine(font_, text, flags, left, top, right, bottom, ColourRefToPixel(colour), keyColour, rows_,
               width_, height_);
}

void PaintBuffer_t::DrawTextFit(const char16_t* text, int flags, int left, int top, int right,
                                int bottom, uint32_t colour, int32_t background) {
    if (!rows_) return;
    int h, w;
    FitFontSize(text ? WideLength(text) : 0, left, top, right, bottom, height_, &h, &w);
    // A font of height 0 would be the face's default size: a box with no
    // visible rows gets no text at all.
    if (h <= 0 || w <= 0) {
        DrawText(nullptr, flags, left, top, right, bottom, colour, background);
        return;
    }
    plat::Font* font = AcquireFitFont(h, w, 500);
    plat::Font* previous = SelectFont(font);
    DrawText(font ? text : nullptr, flags, left, top, right, bottom, colour, background);
    SelectFont(previous);
    if (font) ReleaseFitFont(font);
}
