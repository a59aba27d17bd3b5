#include "render/Text.h"

#include "render/PaintBuffer.h"

plat::Font* UiFont = nullptr;

int MeasureText(plat::Font*, const char16_t*) { return 0; }

void PaintBuffer_t::DrawText(const char16_t*, int, int, int, int, int, uint32_t, int32_t) {}
void PaintBuffer_t::DrawTextFit(const char16_t*, int, int, int, int, int, uint32_t, int32_t) {}
void PaintBuffer_t::SetPictureName(Picture_t*) {}
