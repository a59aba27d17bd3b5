// Text drawing as the folder listing uses it: the info line's fitted text
// and a name label in the label font, plus making a font.
#include <benchmark/benchmark.h>

#include "platform/Platform.h"
#include "render/PaintBuffer.h"
#include "render/Text.h"

namespace {

// A fitted 12-character line in a 240 x 20 box, as the info line draws it.
void BM_DrawTextFit(benchmark::State& state) {
    PaintBuffer_t b(240, 20);
    b.keyColour = 0;
    for (auto _ : state) {
        b.Clear();
        b.DrawTextFit(u"IMG_0001.jpg", TEXT_RIGHT, 0, 0, 240, 20, 0xFFFFFF, kNoBackground);
        benchmark::DoNotOptimize(b.Rows()[10][120]);
    }
}
BENCHMARK(BM_DrawTextFit)->Unit(benchmark::kMicrosecond);

// A name label: measured, then drawn with a 15-pixel font.
void BM_DrawNameLabel(benchmark::State& state) {
    plat::Font* font = plat::CreateFont(15, 6, 500);
    if (!font) {
        state.SkipWithError("no font");
        return;
    }
    PaintBuffer_t b(200, 16);
    b.keyColour = 0xF81F;
    b.SelectFont(font);
    for (auto _ : state) {
        int width = MeasureText(font, u"IMG_00042.jpg") + 4;
        b.Clear();
        b.DrawText(u"IMG_00042.jpg", TEXT_CENTRE, 0, 0, width, 16, 0x00FFFF, kNoBackground);
        benchmark::DoNotOptimize(b.Rows()[8][width / 2]);
    }
    b.SelectFont(nullptr);
    plat::DeleteFont(font);
}
BENCHMARK(BM_DrawNameLabel)->Unit(benchmark::kMicrosecond);

void BM_CreateFont(benchmark::State& state) {
    for (auto _ : state) {
        plat::Font* f = plat::CreateFont(20, 11, 500);
        benchmark::DoNotOptimize(f);
        plat::DeleteFont(f);
    }
}
BENCHMARK(BM_CreateFont)->Unit(benchmark::kMicrosecond);

}  // namespace
