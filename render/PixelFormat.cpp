#include <atomic>
#include <mutex>

#include "platform/Platform.h"
#include "render/PaintBuffer.h"

uint32_t PaintBuffer_t::PixelToRgb(uint16_t p) {
    return ((uint32_t)(p & 0xF800) << 8)   // red 15-11 -> 23-19
         | ((uint32_t)(p & 0x07C0) << 5)   // green 10-6 -> 15-11 (bit 5 dropped)
         | ((uint32_t)(p & 0x001F) << 3);  // blue 4-0 -> 7-3
}

uint16_t PaintBuffer_t::RgbToPixel(uint32_t v) {
    return (uint16_t)(((v >> 8) & 0xF800)    // red 23-19 -> 15-11
                    | ((v >> 5) & 0x07C0)    // green 15-11 -> 10-6
                    | ((v >> 3) & 0x001F));  // blue 7-3 -> 4-0
}

uint16_t PaintBuffer_t::ColourRefToPixel(uint32_t ref) {
    uint32_t r = ref & 0xFF, g = (ref >> 8) & 0xFF, b = (ref >> 16) & 0xFF;
    return (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

namespace {
constexpr int kNoiseLength = 5678;
uint8_t noiseTable[kNoiseLength];
std::once_flag noiseOnce;
// Counts draws; the table position is the count modulo the length. Workers
// and the interface thread may dither at the same time: each draw takes its
// own position.
std::atomic<uint32_t> noiseDraws{0};
}  // namespace

uint8_t PaintBuffer_t::NextDitherNoise() {
    std::call_once(noiseOnce, [] {
        for (int i = 0; i < kNoiseLength; i++) noiseTable[i] = (uint8_t)plat::Random();
    });
    // Taken modulo 5678 before incrementing, so the cycle stays exact when
    // the 32-bit counter would wrap.
    uint32_t cur = noiseDraws.load(std::memory_order_relaxed), next;
    do {
        next = cur + 1 == kNoiseLength ? 0 : cur + 1;
    } while (!noiseDraws.compare_exchange_weak(cur, next, std::memory_order_relaxed));
    return noiseTable[cur];
}

uint16_t PaintBuffer_t::DitherPixel(uint8_t r, uint8_t g, uint8_t b) {
    int t = NextDitherNoise() & 7;
    // Raise a channel by one with probability (c & 7) / 8, never past 31.
    auto channel = [t](int c) { return (c >> 3) + ((c >> 3) < 31 && t < (c & 7) ? 1 : 0); };
    return (uint16_t)(channel(r) << 11 | channel(g) << 6 | channel(b));
}
