// The wordmark's letterforms: a geometric sans drawn as strokes of even
// width (segments and circular arcs with round ends). Only the letters of
// the product name exist. Units: x-height 1, baseline y = 0, y down.
#pragma once

#include <vector>

#include "tools/Draw.h"

namespace art {

struct Stroke {
    bool arc = false;
    Vec a, b;             // segment ends, or the arc's centre in a
    float R = 0, a0 = 0, a1 = 0;  // arc radius and angles (degrees, screen)
};

// Lays the word out from origin (left end of the baseline, pixels) at
// scale pixels per unit with the given gap between letters (units).
// Returns the strokes in pixels; *width gets the advance in pixels.
// Unknown letters are skipped.
std::vector<Stroke> LayoutWord(const char* word, Vec origin, float scale, float gap, float* width);

// Distance to the nearest stroke centre line minus the half width.
float StrokesDistance(const std::vector<Stroke>& strokes, Vec p, float halfWidth);

}  // namespace art
