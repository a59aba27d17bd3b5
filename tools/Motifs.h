// Motifs shared by several pieces of artwork.
#pragma once

#include "tools/Draw.h"

namespace art {

// A framed landscape photograph (light frame, sky, sun, hills) of centre c
// and half size h, turned by angle degrees, faded toward fade (0 = full
// colour, 1 = all fade colour).
void DrawPhoto(Image& img, Vec c, Vec h, float angle, float fade = 0, Colour fadeTo = Colour{});

// The sign shape of a bookmark ribbon: a strip of half width hw from top
// to bottom with a notch of depth notch cut into its lower end.
float Ribbon(Vec p, float cx, float top, float bottom, float hw, float notch);

}  // namespace art
