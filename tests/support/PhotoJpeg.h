// A photo-like test picture written with libjpeg itself, so that baseline
// and progressive twins can be made.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

// A photo-like w x h colour picture (gradients, edges and noise from a
// seed) written with libjpeg directly: chroma halved both ways or full,
// baseline or progressive. Equal pixels and settings give both modes the
// same coefficients.
inline bool MakePhotoJpeg(const std::string& path, int w, int h, bool progressive, bool subsampled, unsigned seed = 7) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = (JDIMENSION)w;
    c.image_height = (JDIMENSION)h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    int factor = subsampled ? 2 : 1;
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = factor;
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row((size_t)w * 3);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            seed = seed * 1103515245u + 12345u;
            int noise = (int)((seed >> 16) & 31) - 16;
            bool edge = ((x / 37) + (y / 23)) & 1;
            int v[3] = {x * 255 / w + noise, y * 255 / h + (edge ? 40 : -40), (x + y) % 256 + noise / 2};
            for (int k = 0; k < 3; k++) row[3 * x + k] = (uint8_t)std::clamp(v[k], 0, 255);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return fclose(f) == 0;
}
