#include "tests/codec/CodecTestUtil.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include <jpeglib.h>

#include "platform/Utf8.h"

std::u16string Utf16(const std::string& utf8) {
    std::u16string out(utf8.size() * 2 + 2, u'\0');
    int n = plat::Utf8ToUtf16(utf8.c_str(), out.data(), (int)out.size());
    out.resize(n < 0 ? 0 : (size_t)n);
    return out;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), (std::streamsize)bytes.size());
}

std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool MakeJpeg(const std::string& path, int w, int h, int components, int quality) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = (JDIMENSION)w;
    c.image_height = (JDIMENSION)h;
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row((size_t)w * components);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++)
            for (int k = 0; k < components; k++)
                row[(size_t)x * components + k] = (uint8_t)((x * (k + 1) + y * (3 - k)) & 0xFF);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return fclose(f) == 0;
}

std::string TestData(const std::string& relative) { return std::string(LUMATRAY_TESTDATA) + "/" + relative; }
