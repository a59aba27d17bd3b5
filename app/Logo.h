// The splash logo, drawn by tools/make_assets at build time and compiled in
// (resource 109): 470 x 150 pixels, R, G, B bytes, rows top-down.
#pragma once

constexpr int kLogoWidth = 470;
constexpr int kLogoHeight = 150;
extern const unsigned char kLogoBitmap[kLogoWidth * kLogoHeight * 3];
