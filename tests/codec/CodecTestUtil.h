// Helpers for the codec tests: whole files as bytes, UTF-16 names, a plain
// libjpeg encoder and a loop that reads every row the way the program does.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codec/Img.h"
#include "platform/Utf8.h"
#include "tests/support/PhotoJpeg.h"
#include "tests/support/TempFolder.h"

inline std::u16string Utf16(const std::string& utf8) {
    std::u16string out(utf8.size() * 2 + 2, u'\0');
    out.resize((size_t)std::max(0, plat::Utf8ToUtf16(utf8.c_str(), out.data(), (int)out.size())));
    return out;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

inline std::string TestData(const std::string& relative) { return std::string(LUMATRAY_TESTDATA) + "/" + relative; }

// Encodes a w x h gradient with libjpeg directly (grey when components is 1).
inline bool MakeJpeg(const std::string& path, int w, int h, int components, int quality = 30) {
    auto fill = [&](int y, uint8_t* row) {
        for (int i = 0; i < w * components; i++) row[i] = (uint8_t)(i + 3 * y);
    };
    TestJpegSettings s;
    s.quality = quality;
    return WriteTestJpeg(path, w, h, components, fill, s);
}

// The file decoded whole by libjpeg itself at scale_num/8, R, G, B rows
// one after the other; empty when the library fails.
inline std::vector<uint8_t> LibjpegDecode(const std::string& path, int scaleNum) {
    std::vector<uint8_t> out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    err.output_message = [](j_common_ptr) {};  // truncated test files warn
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.scale_num = (unsigned)scaleNum;
    d.scale_denom = 8;
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    std::vector<uint8_t> row((size_t)d.output_width * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        out.insert(out.end(), row.begin(), row.end());
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
    std::u16string wide = Utf16(path);
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
