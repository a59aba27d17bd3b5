// Pixel loops of the paint buffer and the quad mapper on a full portrait
// frame. The per_px counter is the time per (destination) pixel.
#include <benchmark/benchmark.h>

#include <cmath>

#include "render/MapQuad.h"
#include "render/PaintBuffer.h"

namespace {

constexpr int kW = 1080, kH = 1920;

void PerPixel(benchmark::State& state, double pixels) {
    // Rate inverted: seconds per pixel, printed with its SI prefix (ps, ns).
    state.counters["per_px"] =
        benchmark::Counter(pixels * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Clear(benchmark::State& state) {
    PaintBuffer_t b(kW, kH);
    for (auto _ : state) {
        b.Clear();
        benchmark::DoNotOptimize(b.Rows()[kH / 2][kW / 2]);
    }
    PerPixel(state, (double)kW * kH);
}
BENCHMARK(BM_Clear);

void BM_DarkenRect(benchmark::State& state) {
    PaintBuffer_t b(kW, kH);
    b.Clear();
    for (auto _ : state) {
        b.DarkenRect(0, 0, kW - 1, kH - 1);
        benchmark::DoNotOptimize(b.Rows()[kH / 2][kW / 2]);
    }
    PerPixel(state, (double)kW * kH);
}
BENCHMARK(BM_DarkenRect);

void BM_CopyKeyed(benchmark::State& state) {
    PaintBuffer_t src(kW, kH), dst(kW, kH);
    src.keyColour = kMagentaKey;
    // A quarter of the pixels transparent, scattered.
    for (int y = 0; y < kH; y++)
        for (int x = 0; x < kW; x++) src.Rows()[y][x] = ((x ^ y) & 3) ? (uint16_t)(x * 7 + y) & ~0x20 : kMagentaKey;
    dst.Clear();
    for (auto _ : state) {
        dst.CopyKeyed(0, 0, &src);
        benchmark::DoNotOptimize(dst.Rows()[kH / 2][kW / 2]);
    }
    PerPixel(state, (double)kW * kH);
}
BENCHMARK(BM_CopyKeyed);

// A 2,000,000-pixel picture (1732 x 1155) turned by 23 degrees and scaled to
// cover the whole frame, as the picture view draws it.
void BM_MapQuadRotated(benchmark::State& state) {
    const int sw = 1732, sh = 1155;
    PaintBuffer_t src(sw, sh), dst(kW, kH);
    for (int y = 0; y < sh; y++)
        for (int x = 0; x < sw; x++) src.Rows()[y][x] = (uint16_t)((x * 31 + y * 17) & ~0x20);
    dst.Clear();
    double a = 23.0 * 3.14159265358979 / 180.0, k = 0.55;  // source pixels per frame pixel
    double c = std::cos(a) * k, s = std::sin(a) * k;
    auto corner = [&](int x, int y) {
        double ox = x - kW / 2.0, oy = y - kH / 2.0;
        return QuadCorner{x, y, (int)((sw / 2.0 + c * ox - s * oy) * 64), (int)((sh / 2.0 + s * ox + c * oy) * 64)};
    };
    QuadCorner tl = corner(0, 0), tr = corner(kW, 0), bl = corner(0, kH), br = corner(kW, kH);
    for (auto _ : state) {
        MapQuad(tl, bl, tr, br, src.Rows(), sw, sh, dst.Rows(), kW, kH);
        benchmark::DoNotOptimize(dst.Rows()[kH / 2][kW / 2]);
    }
    PerPixel(state, (double)kW * kH);
}
BENCHMARK(BM_MapQuadRotated);

}  // namespace
