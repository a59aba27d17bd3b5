// The 250 ms animations of the interface thread: a function of elapsed
// time, one frame per pass, the last pass drawn at exactly 250 ms.
#pragma once

#include "browser/PictureMgr.h"
#include "platform/Platform.h"
#include "render/PaintBuffer.h"

constexpr int kAnimationMs = 250;

// Progress 0..1 of an animation after e milliseconds; exactly 1 at the end,
// so the final state never depends on float rounding.
inline float AnimationProgress(int e) { return e >= kAnimationMs ? 1.0f : e * 0.004f; }

template <class Frame>
void PictureMgr_t::Animate(Frame frame) {
    uint32_t start = plat::TickCount();
    for (;;) {
        uint32_t elapsed = plat::TickCount() - start;
        int e = elapsed >= (uint32_t)kAnimationMs ? kAnimationMs : (int)elapsed;
        frame(e);
        PaintFull->Paint();
        if (e == kAnimationMs) break;
        plat::Sleep(1);
    }
}
