// Internal to platform/: the kept copy of the last presented frame, shared
// by the SDL and the headless backends for PresentRegion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

// Draws width x height rows at (x, y) onto a frame of frameWidth x
// frameHeight pixels (row-major), clipped to it.
inline void CopyOntoFrame(std::vector<uint16_t>& frame, int frameWidth, int frameHeight, int x, int y,
                          const uint16_t* const* rows, int width, int height) {
    for (int r = 0; r < height; r++) {
        int ty = y + r;
        if (ty < 0 || ty >= frameHeight) continue;
        for (int c = 0; c < width; c++) {
            int tx = x + c;
            if (tx >= 0 && tx < frameWidth) frame[(size_t)ty * frameWidth + tx] = rows[r][c];
        }
    }
}

}  // namespace plat
