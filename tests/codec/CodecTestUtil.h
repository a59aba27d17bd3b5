// Helpers for the codec tests: whole files as bytes, a plain libjpeg
// encoder and decoder, and a loop that reads every row the way the program does.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codec/Img.h"
#include "tests/support/PhotoJpeg.h"
#include "tests/support/TempFolder.h"


inline std::string TestData(const std::string& relative) { return std::string(LUMATRAY_TESTDATA) + "/" + relative; }

// A w x h colour gradient at quality 10, encoded by libjpeg directly.
inline bool MakeJpeg(const std::string& path, int w, int h) {
    auto fill = [&](int y, uint8_t* row) {
        for (int i = 0; i < w * 3; i++) row[i] = (uint8_t)(i + 3 * y);
    };
    return WriteTestJpeg(path, w, h, 3, fill, TestJpegSettings{10});
}

// The file decoded whole by libjpeg itself at scale_num/8, R, G, B rows
// one after the other, and its size; empty when the file does not open.
struct Decoded {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return rgb.data() + 3 * ((size_t)y * w + x); }
};
inline Decoded LibjpegDecode(const std::string& path, int scaleNum = 8) {
    Decoded out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    err.output_message = [](j_common_ptr) {};  // truncated test files warn
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.scale_num = (unsigned)scaleNum, d.scale_denom = 8, d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    out.w = (int)d.output_width, out.h = (int)d.output_height;
    out.rgb.resize((size_t)out.w * out.h * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = out.rgb.data() + (size_t)d.output_scanline * out.w * 3;
        jpeg_read_scanlines(&d, &r, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    fclose(f);
    return out;
}

// Opens through the factory's class and reads rows into a buffer of exactly
// 3 x OutWidth bytes (so ASan sees any overrun). The rows delivered in
// order; -1 when the file did not open, -2 when no class takes the name.
inline int ReadAllRows(const std::string& path, int budget, int fast = 0) {
    std::u16string wide = TempFolder::Utf16(path);
    std::unique_ptr<Img_t> img(AllocImg_t(wide.c_str()));
    if (!img) return -2;
    img->Budget = budget;
    img->Fast = fast;
    if (img->Open(wide.c_str()) <= 0) return -1;
    std::vector<uint8_t> row((size_t)img->OutWidth * 3);
    int y = 0;
    while (y < img->OutHeight && img->ReadRow(row.data()) == y) y++;
    return y;
}
