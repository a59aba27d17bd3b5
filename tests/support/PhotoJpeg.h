// Test pictures written with libjpeg itself, so that baseline and
// progressive twins, exact colours and odd sizes can be made.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

// Writes a w x h picture with libjpeg itself: fill(y, row) gives each row
// of w x components bytes (grey when components is 1, C, M, Y, K without
// the Adobe marker when 4, else R, G, B).
// fullChroma keeps the colour at full resolution (the library halves it
// both ways by default); progressive writes the library's simple
// progression.
struct TestJpegSettings {
    int quality = 85;
    bool fullChroma = false;
    bool progressive = false;
};
template <class Fill>
bool WriteTestJpeg(const std::string& path, int w, int h, int components, Fill fill, TestJpegSettings s = {}) {
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
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    c.write_Adobe_marker = FALSE;  // plain inks, as some printers' files have
    jpeg_set_quality(&c, s.quality, TRUE);
    if (s.fullChroma) c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
    if (s.progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row((size_t)w * components);
    for (int y = 0; y < h; y++) {
        fill(y, row.data());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return fclose(f) == 0;
}

// A photo-like w x h colour picture (gradients, edges and noise from a
// seed): chroma halved both ways or full, baseline or progressive. Equal
// pixels and settings give both modes the same coefficients.
inline bool MakePhotoJpeg(const std::string& path, int w, int h, bool progressive, bool subsampled, unsigned seed = 7) {
    auto fill = [&](int y, uint8_t* row) {
        for (int x = 0; x < w; x++) {
            seed = seed * 1103515245u + 12345u;
            int noise = (int)((seed >> 16) & 31) - 16;
            bool edge = ((x / 37) + (y / 23)) & 1;
            int v[3] = {x * 255 / w + noise, y * 255 / h + (edge ? 40 : -40), (x + y) % 256 + noise / 2};
            for (int k = 0; k < 3; k++) row[3 * x + k] = (uint8_t)std::clamp(v[k], 0, 255);
        }
    };
    TestJpegSettings s;
    s.fullChroma = !subsampled;
    s.progressive = progressive;
    return WriteTestJpeg(path, w, h, 3, fill, s);
}
