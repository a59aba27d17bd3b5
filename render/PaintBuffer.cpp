#include "render/PaintBuffer.h"

PaintBuffer_t* NoImage = nullptr;

PaintBuffer_t::PaintBuffer_t(int width, int height) {
    width_ = width > 0 ? width : 0;
    height_ = height > 0 ? height : 0;
    pitch_ = (width_ + 1) & ~1;
}
PaintBuffer_t::~PaintBuffer_t() {}
plat::Font* PaintBuffer_t::SelectFont(plat::Font* font) { plat::Font* old = font_; font_ = font; return old; }
void PaintBuffer_t::Clear() {}
void PaintBuffer_t::SaveBackground() {}
void PaintBuffer_t::Paint() const {}
void PaintBuffer_t::FillRect(int, int, int, int, uint16_t) {}
void PaintBuffer_t::DarkenRect(int, int, int, int) {}
void PaintBuffer_t::DrawLine(int, int, int, int, uint32_t) {}
void PaintBuffer_t::CopyKeyed(int, int, const PaintBuffer_t*) {}
bool PaintBuffer_t::DrawBitmapResource(int) { return false; }
void PaintBuffer_t::DrawNoImage() {}
void PaintBuffer_t::StretchFrom(int, int, int, int, const PaintBuffer_t*) {}
uint32_t PaintBuffer_t::PixelToRgb(uint16_t) { return 0; }
uint16_t PaintBuffer_t::RgbToPixel(uint32_t) { return 0; }
uint16_t PaintBuffer_t::DitherPixel(uint8_t, uint8_t, uint8_t) { return 0; }
uint8_t PaintBuffer_t::NextDitherNoise() { return 0; }
uint16_t PaintBuffer_t::ColourRefToPixel(uint32_t) { return 0; }
