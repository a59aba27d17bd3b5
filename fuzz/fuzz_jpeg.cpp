// Reads a JPEG through Jpeg_t row by row, as the viewer and the thumbnail
// maker do (the budget, the fast flag and 16-bit rows come from the input's
// first byte).
#include <vector>

#include "codec/Jpeg.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t mode = size ? data[0] : 0;
    FuzzFile file(data, size, ".jpg");
    if (!file.ok()) return 0;
    Jpeg_t jpeg;
    static const int budgets[4] = {14400, 2000000, 100, -1};
    jpeg.Budget = budgets[mode & 3];
    jpeg.Fast = (mode >> 2) & 1;
    jpeg.Rgb565 = (mode >> 3) & 1;
    if (jpeg.Open(file.path()) <= 0) return 0;
    // Forged headers of huge pictures only cost time here.
    if ((int64_t)jpeg.OutWidth * jpeg.OutHeight > 4000000) return 0;
    std::vector<uint8_t> row((size_t)jpeg.OutWidth * 3);
    std::vector<uint16_t> pixels(jpeg.OutWidth);
    for (int y = 0; y < jpeg.OutHeight; y++)
        if ((jpeg.Rgb565 ? jpeg.ReadRow565(pixels.data()) : jpeg.ReadRow(row.data())) < 0) break;
    return 0;
}
