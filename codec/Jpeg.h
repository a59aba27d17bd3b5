// Jpeg_t: JPEG files through libjpeg's 6b interface, both directions.
// Decoding delivers 8-bit R, G, B rows (greyscale through the palette,
// CMYK/YCCK converted to RGB), reduced by 1/2, 1/4 or 1/8 when the pixel
// budget allows. Writing takes R, G, B rows at quality 85.
//
// Open reads the header only; the decompression starts at the first row.
// A progressive file read at 1/8 is decoded from the scans that complete
// its DC coefficients and no further: same sizes, same row order, nearly
// the same pixels (only subsampled colour loses its finest shading).
//
// Library errors return to a recovery point that belongs to this object and
// lives only during the call that set it; the call then returns -1 (or, for
// WriteRow, records the failure: WriteFailed, and Close returns false).
// Library warnings (corrupt data, a file cut short) are not errors.
#pragma once

#include <cstdint>
#include <cstdio>

#include "codec/Img.h"

struct JpegLib;  // the library objects, kept out of this header

class Jpeg_t : public Img_t {
public:
    Jpeg_t();
    ~Jpeg_t() override;
    using Img_t::Open;
    using Img_t::OpenWrite;

    int GetRow() override;
    // "rb"; 1, 0 (no such file) or -1 (not a JPEG, unsupported, too large).
    int Open(const char* path) override;
    // "wb" ("wx" when Exclusive) with OutWidth x OutHeight set beforehand;
    // 1, 0 or -1.
    int OpenWrite(const char* path) override;
    int ReadRawRow(uint8_t* dest) override;
    int ReadRow565(uint16_t* dest) override;
    // One row of 3 x OutWidth bytes; the last row finishes the file.
    void WriteRow(const uint8_t* src) override;
    // Closes the stream. For a writer: true only when every row was written,
    // the library finished, and the stream flushed and closed cleanly.
    bool Close() override;
    bool WriteFailed() const override { return writeFailed_; }
    bool Damaged() const override;
    void OutSizeFor(int budget, int* width, int* height) const override;

    // The scale_num (of denominator 8) chosen for a picture and budget:
    // 1 (1/8), 2 (1/4), 4 (1/2) or 8 (full size).
    static int ScaleNumFor(int width, int height, int budget);

    int Quality = 85;

private:
    // Starts the decompression at the first row; false after a library error.
    bool StartRows();
    // One row: as R, G, B (raw grey) into rgb, or, when the library writes
    // R, G, B, X for ReadRow565, packed into pixels.
    int ReadRowAs(uint8_t* rgb, uint16_t* pixels);

    JpegLib* lib_ = nullptr;
    FILE* stream_ = nullptr;
    uint8_t* cmykRow_ = nullptr;  // 4 bytes a pixel, for CMYK/YCCK files
    bool headerOnly_ = false;     // opened, decompression not yet started
    bool decompressing_ = false;  // between start and finish of decompression
    bool compressing_ = false;
    bool writer_ = false;         // the stream was opened by OpenWrite
    bool writeFailed_ = false;
    bool adobeCmyk_ = false;      // CMYK stored inverted, as Adobe writes it
    bool rows565_ = false;        // the library delivers R, G, B, X rows for ReadRow565
    uint32_t* rgbxRow_ = nullptr; // OutWidth pixels of them
};
