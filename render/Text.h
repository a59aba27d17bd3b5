// Text measuring, font sizing for boxes and the process-wide label font.
#pragma once

namespace plat { struct Font; }

// The label font (15 x UiScale high, 6 x UiScale wide, weight 500); null
// until start-up makes it. Read-only afterwards.
extern plat::Font* UiFont;

// Width in pixels of the widest line of text, lines split at '\n'.
// Null font or text: 0.
int MeasureText(plat::Font* font, const char16_t* text);

// The font DrawTextFit makes for a box: height = the box's height once
// clipped to a buffer bufferHeight rows high (bottom lowered to
// bufferHeight - 1, top raised to 0); width = 4 x height / 7, or
// (right - left) / (length + 4) of the unclipped box when smaller.
void FitFontSize(int length, int left, int top, int right, int bottom, int bufferHeight,
                 int* height, int* width);

// Deletes the fonts DrawTextFit keeps between calls (none may be drawing);
// called once at shut-down. Later calls make new ones.
void ReleaseFitFonts();
