#include "render/MapQuad.h"

void MapQuad(const QuadCorner&, const QuadCorner&, const QuadCorner&, const QuadCorner&,
             uint16_t* const*, int, int, uint16_t* const*, int, int) {}

float FitScale(int, int, int) { return 1.0f; }
