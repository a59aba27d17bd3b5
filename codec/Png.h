// Png_t: PNG files through libpng, reading only. Rows are delivered as
// 8-bit R, G, B (ReadRow) or R, G, B, A (ReadRowRGBA) at the stored size;
// the pixel budget is ignored.
//
// Plain layouts (8-bit grey, RGB, RGBA; 1-, 4- and 8-bit palettes; no
// interlace) are read row by row. Every other layout (16-bit samples, grey
// below 8 bits, 2-bit palettes, grey with alpha, interlaced files) is
// expanded by libpng into memory at Open, within a pixel cap, and served
// from there. Library errors return -1 from the running call through a
// recovery point owned by this object.
#pragma once

#include <cstdint>
#include <cstdio>

#include "codec/Img.h"

struct PngLib;  // the library objects, kept out of this header

class Png_t : public Img_t {
public:
    Png_t();
    ~Png_t() override;
    using Img_t::Open;

    int GetRow() override;
    int Open(const char* path) override;
    int ReadRawRow(uint8_t* dest) override;
    int ReadRowRGBA(uint8_t* dest) override;
    bool Close() override;

    // Largest picture decoded whole into memory (interlaced or converted
    // layouts), in pixels; larger ones are refused at Open.
    static constexpr int64_t kMaxWholePixels = int64_t(1) << 24;

    int BitDepth = 0;

private:
    bool FetchConverted(int index, const uint8_t** rgba);
    void EndRows();
    // A row call's end: -1 (and no more rows) after a failure, else the
    // index, reading the file's end after the last row.
    int FinishRow(bool ok, int index);

    PngLib* lib_ = nullptr;
    FILE* stream_ = nullptr;
    uint8_t* rowBuf_ = nullptr;    // (width + 1) x 4 bytes
    uint8_t* whole_ = nullptr;     // interlaced files: all rows as R, G, B, A
    bool used_ = false;            // the library state has seen a file
    bool ready_ = false;           // open, and no row has failed
    bool converted_ = false;       // libpng expands rows to R, G, B, A
};
