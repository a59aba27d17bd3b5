// The one scaler and rotator: fills an axis-aligned destination rectangle
// by point sampling a source at positions interpolated bilinearly from four
// corners. Integer only; rows and columns outside the source are cut before
// the pixel loop.
#pragma once

#include <cstdint>

// A destination point in pixels with its source point in 1/64 pixel.
struct QuadCorner {
    int x, y;  // destination column, row
    int u, v;  // source column, row (6 fractional bits)
};

// The largest source width or height (exclusive): size << 14 must fit a
// signed 32-bit value.
constexpr int kMaxMapSource = 131072;

// Fills columns [TL.x, TR.x) of rows [TL.y, BR.y), clipped to the
// destination, with source pixels whose bit 5 is clear (nothing blended).
// Only TL.x, TR.x, TL.y, BR.y place the rectangle; the u, v of all four
// corners define the source quadrilateral. Does nothing for missing rows,
// an empty rectangle, or a source >= kMaxMapSource in either direction.
// Holds no lock: callers mapping an entry's pixels hold its lock.
void MapQuad(const QuadCorner& tl, const QuadCorner& bl, const QuadCorner& tr, const QuadCorner& br,
             uint16_t* const* srcRows, int srcW, int srcH,
             uint16_t* const* dstRows, int dstW, int dstH);

// The linear factor (<= 1) that shrinks a w x h picture to at most budget
// pixels; 1.0 when either side is 0 or it already fits.
float FitScale(int w, int h, int budget);
