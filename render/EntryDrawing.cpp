// Drawing of picture entries: icons, full pictures, items of the curve.
#include "picture/Picture.h"
#include "render/PaintBuffer.h"

void PaintBuffer_t::DrawIcon(Picture_t*, int, int, float, int) {}
void PaintBuffer_t::DrawPicture(Picture_t*, float, float, float, int, int) {}
void PaintBuffer_t::DrawWheelItem(Picture_t*, int, int, float) {}
