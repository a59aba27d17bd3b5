// Reads a PNG through Png_t row by row, as three-byte or four-byte rows
// (chosen by the input's last byte).
#include <vector>

#include "codec/Png.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    bool rgba = size && (data[size - 1] & 1);
    FuzzFile file(data, size, ".png");
    if (!file.ok()) return 0;
    Png_t png;
    if (png.Open(file.path()) <= 0) return 0;
    if ((int64_t)png.OutWidth * png.OutHeight > 4000000) return 0;
    // Exactly the size callers use, so ASan sees any overrun.
    std::vector<uint8_t> row((size_t)png.OutWidth * (rgba ? 4 : 3));
    for (int y = 0; y < png.OutHeight; y++)
        if ((rgba ? png.ReadRowRGBA(row.data()) : png.ReadRow(row.data())) < 0) break;
    return 0;
}
