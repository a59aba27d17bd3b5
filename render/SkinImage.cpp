#include "render/PaintBuffer.h"

bool PaintBuffer_t::LoadFromPng(const char16_t*) { return false; }
void PaintBuffer_t::ApplyLight(const PaintBuffer_t*, LightMap_t*) {}
