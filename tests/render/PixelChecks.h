// Whole-buffer checks shared by the render tests.
#pragma once

#include <cstring>

#include "render/PaintBuffer.h"

// Pixels (inside the width) for which pred holds.
template <class Pred>
int CountPixels(const PaintBuffer_t& b, Pred pred) {
    int n = 0;
    for (int y = 0; y < b.Height(); y++)
        for (int x = 0; x < b.Width(); x++) n += pred(b.Rows()[y][x]) ? 1 : 0;
    return n;
}

inline int CountValue(const PaintBuffer_t& b, uint16_t v) { return CountPixels(b, [v](uint16_t p) { return p == v; }); }

inline bool SamePixels(const PaintBuffer_t& a, const PaintBuffer_t& b) {
    bool same = a.Width() == b.Width() && a.Height() == b.Height();
    for (int y = 0; same && y < a.Height(); y++) same = !std::memcmp(a.Rows()[y], b.Rows()[y], (size_t)a.Width() * 2);
    return same;
}

// Sets the key and clears to it.
inline void ClearTo(PaintBuffer_t& b, uint16_t key) { b.keyColour = key, b.Clear(); }
