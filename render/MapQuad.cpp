#include "render/MapQuad.h"

#include <algorithm>
#include <cmath>

#include "render/PaintBuffer.h"

namespace {

// Corners further out than this are refused: it keeps every per-row product
// (coordinate x span, k x cross term) well inside 64 bits.
constexpr int64_t kMaxCorner = int64_t(1) << 28;

bool CornerInRange(const QuadCorner& c) {
    auto ok = [](int v) { return v >= -kMaxCorner && v <= kMaxCorner; };
    return ok(c.x) && ok(c.y) && ok(c.u) && ok(c.v);
}

// Floor and ceiling of n / d for d > 0.
int64_t FloorDiv(int64_t n, int64_t d) { return n >= 0 ? n / d : -((-n + d - 1) / d); }
int64_t CeilDiv(int64_t n, int64_t d) { return n >= 0 ? (n + d - 1) / d : -((-n) / d); }

// The columns t with 0 <= p0 + t * step < limit, as [*first, *end). The
// exact bounds: the truncating form (step - p0 - 1) / step overshoots by
// one for negative steps and would read row or column -1.
void SourceSpan(int64_t p0, int64_t step, int64_t limit, int64_t* first, int64_t* end) {
    if (step > 0) {
        *first = CeilDiv(-p0, step);
        *end = CeilDiv(limit - p0, step);
    } else {
        int64_t s = -step;  // p0 - t s >= 0 and p0 - t s < limit
        *first = FloorDiv(p0 - limit, s) + 1;
        *end = FloorDiv(p0, s) + 1;
    }
}

}  // namespace

void MapQuad(const QuadCorner& tl, const QuadCorner& bl, const QuadCorner& tr, const QuadCorner& br,
             uint16_t* const* srcRows, int srcW, int srcH,
             uint16_t* const* dstRows, int dstW, int dstH) {
    if (!srcRows || !srcRows[0] || !dstRows || !dstRows[0]) return;
    if (srcW <= 0 || srcH <= 0 || srcW >= kMaxMapSource || srcH >= kMaxMapSource) return;
    if (dstW <= 0 || dstH <= 0) return;
    if (!CornerInRange(tl) || !CornerInRange(bl) || !CornerInRange(tr) || !CornerInRange(br)) return;

    const int64_t dy = (int64_t)br.y - tl.y, dx = (int64_t)tr.x - tl.x;
    if (dy < 1 || dx < 1) return;
    // How far the quadrilateral is from a parallelogram: the change of the
    // top-to-bottom edge difference across the rectangle.
    const int64_t du = (int64_t)br.u + tl.u - bl.u - tr.u;
    const int64_t dv = (int64_t)br.v + tl.v - bl.v - tr.v;
    // Source positions carry 14 fractional bits: 1/64 pixel shifted by 8.
    const int64_t limitU = (int64_t)srcW << 14, limitV = (int64_t)srcH << 14;

    const int64_t rowBegin = std::max<int64_t>(tl.y, 0), rowEnd = std::min<int64_t>(br.y, dstH);
    // Columns relative to tl.x that lie inside the destination.
    const int64_t clipFirst = tl.x < 0 ? -(int64_t)tl.x : 0;
    const int64_t clipEnd = std::min<int64_t>(dx, (int64_t)dstW - tl.x);
    if (clipFirst >= clipEnd) return;

    for (int64_t row = rowBegin; row < rowEnd; row++) {
        const int64_t k = row - tl.y;
        // Left edge and per-column steps of this row, interpolated between
        // the top and bottom edges (1/64 pixel before the shift).
        const int64_t uL = ((int64_t)tl.u * dy + k * ((int64_t)bl.u - tl.u)) / dy;
        const int64_t vL = ((int64_t)tl.v * dy + k * ((int64_t)bl.v - tl.v)) / dy;
        const int64_t su = (((((int64_t)tr.u - tl.u) * dy + k * du) / dy) * 256) / dx;
        const int64_t sv = (((((int64_t)tr.v - tl.v) * dy + k * dv) / dy) * 256) / dx;
        const int64_t u0 = uL * 256, v0 = vL * 256;

        int64_t first = clipFirst, end = clipEnd;
        if (sv != 0) {
            int64_t a, b;
            SourceSpan(v0, sv, limitV, &a, &b);
            first = std::max(first, a);
            end = std::min(end, b);
        } else if (v0 < 0 || v0 >= limitV) {
            continue;
        }
        if (su != 0) {
            int64_t a, b;
            SourceSpan(u0, su, limitU, &a, &b);
            first = std::max(first, a);
            end = std::min(end, b);
        } else if (u0 < 0 || u0 >= limitU) {
            continue;
        }
        if (first >= end) continue;

        uint16_t* dst = dstRows[row] + tl.x;  // indexed by t
        // Inside [first, end) every position lies in the source, so these
        // products and sums stay below 2^31.
        int64_t u = u0 + first * su, v = v0 + first * sv;
        if (su == 0) {
            // One source column: only the row changes.
            const int64_t col = u >> 14;
            for (int64_t t = first; t < end; t++, v += sv) {
                uint16_t p = srcRows[v >> 14][col];
                if (!(p & 0x20)) dst[t] = p;  // bit 5 marks a transparent pixel
            }
        } else if (sv == 0) {
            // One source row, looked up once.
            const uint16_t* src = srcRows[v >> 14];
            for (int64_t t = first; t < end; t++, u += su) {
                uint16_t p = src[u >> 14];
                if (!(p & 0x20)) dst[t] = p;
            }
        } else {
            for (int64_t t = first; t < end; t++, u += su, v += sv) {
                uint16_t p = srcRows[v >> 14][u >> 14];
                if (!(p & 0x20)) dst[t] = p;
            }
        }
    }
}

float FitScale(int w, int h, int budget) {
    if (w <= 0 || h <= 0) return 1.0f;
    // A budget below one pixel would give a factor of 0 (or NaN) that
    // callers divide by; one pixel is the least a picture can shrink to.
    int64_t b = std::max(budget, 1);
    if (b >= (int64_t)w * h) return 1.0f;
    return (float)std::sqrt((double)w * (double)b / (double)h) / (float)w;
}

void PaintBuffer_t::StretchFrom(int left, int top, int right, int bottom, const PaintBuffer_t* source) {
    if (!source || !source->Rows() || !rows_) return;
    int64_t u = (int64_t)source->Width() * 64, v = (int64_t)source->Height() * 64;
    if (u > INT32_MAX || v > INT32_MAX) return;
    QuadCorner tl{left, top, 0, 0}, tr{right, top, (int)u, 0};
    QuadCorner bl{left, bottom, 0, (int)v}, br{right, bottom, (int)u, (int)v};
    MapQuad(tl, bl, tr, br, source->Rows(), source->Width(), source->Height(), rows_, width_, height_);
}
