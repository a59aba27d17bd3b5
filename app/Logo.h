// The splash logo, drawn by tools/make_assets at build time and compiled in
// (resource 109): 470 x 150 pixels, R, G, B bytes, rows top-down.
#pragma once

constexpr int kLogoWidth = 470;
constexpr int kLogoHeight = 150;
extern const unsigned char kLogoBitmap[kLogoWidth * kLogoHeight * 3];

// The window's icon for the window manager, drawn by tools/make_assets like
// the desktop icon: 48 x 48 pixels, R, G, B, A bytes, rows top-down.
constexpr int kAppIconSize = 48;
extern const unsigned char kAppIconBitmap[kAppIconSize * kAppIconSize * 4];
