// Text measuring and the process-wide label font.
#pragma once

namespace plat { struct Font; }

// The label font (15 x UiScale high, 6 x UiScale wide, weight 500); null
// until start-up makes it. Read-only afterwards.
extern plat::Font* UiFont;

// Width in pixels of the widest line of text, lines split at '\n'.
// Null font or text: 0.
int MeasureText(plat::Font* font, const char16_t* text);
