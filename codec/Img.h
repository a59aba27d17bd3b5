// Img_t: the row-oriented picture interface, and AllocImg_t, the factory
// that picks the class from the file name.
//
// Reading: AllocImg_t(path); set Budget (and Fast); Open(path) > 0; read
// OutWidth x OutHeight; ReadRow with a buffer of at least 3 x OutWidth bytes
// (ReadRowRGBA: 4 x OutWidth), OutHeight times or until -1; delete.
// Writing (Jpeg_t only): set OutWidth/OutHeight; OpenWrite(path) > 0;
// WriteRow OutHeight times; Close() true means a complete file.
//
// Open results: 1 ready, 0 the file did not open, -1 not a picture of the
// kind or refused (damaged header, unsupported layout, too large). Row
// results: the 0-based row index, or -1 on a library error. Rows come in
// order; after the last one the decoder finishes on its own.
//
// Objects are used by one thread each; several at once in different
// threads are fine (every recovery point belongs to its object).
#pragma once

#include <cstdint>

#include "codec/File.h"

// Largest picture any decoder accepts, in source pixels; larger ones are
// refused at Open. Each dimension is also limited to 65,535.
constexpr int64_t kMaxImgPixels = int64_t(1) << 28;

class Img_t {
public:
    Img_t();
    virtual ~Img_t();

    // One row as R, G, B; palette pictures are expanded in place from the
    // end, so dest must hold 3 x OutWidth bytes.
    virtual int ReadRow(uint8_t* dest);
    // Rows read or written since the open; -1 for the base class.
    virtual int GetRow();
    // 8-bit paths are UTF-8.
    virtual int Open(const char* path);
    // Writers override it; the base (and so Png_t) returns 0 without
    // creating or truncating any file.
    virtual int OpenWrite(const char* path);
    // One row in the decoder's raw layout (palette indices when Palette).
    virtual int ReadRawRow(uint8_t* dest);
    // One row of OutWidth 16-bit pixels as the paint buffers hold them: the
    // top 5 bits of red at 15-11, green 10-6, blue 4-0, bit 5 clear. The
    // same pixels as ReadRow gives, in the program's own format; a colour
    // JPEG set to Rgb565 before Open reads them faster (four-byte library
    // rows, packed by a vector loop).
    virtual int ReadRow565(uint16_t* dest);
    // One row as R, G, B, A; -1 where unsupported.
    virtual int ReadRowRGBA(uint8_t* dest);
    virtual void WriteRow(const uint8_t* src);
    // Closes the file. False when a written file is incomplete or broken.
    virtual bool Close();
    // True once a write has failed (library error, full disk).
    virtual bool WriteFailed() const { return false; }
    // True once the decoder has filled in rows where the file's data was
    // missing or broken (a file cut short, corrupt data).
    virtual bool Damaged() const { return false; }
    // After Open: the OutWidth x OutHeight an Open with this budget would
    // give. The base (PNG) never reduces.
    virtual void OutSizeFor(int budget, int* width, int* height) const;

    // UTF-16 paths, converted to UTF-8 so that every name works.
    int Open(const char16_t* path);
    int OpenWrite(const char16_t* path);

    int RowsDone = 0;
    int ColourKind = 0;   // PNG colour type of the open file; 0 for JPEG
    int Budget = -1;      // largest pixel count wanted, -1 = no limit
    int Fast = 0;         // JPEG: speed over accuracy
    // Writing: Exclusive creates a file that must not exist yet (never
    // replaces one); Durable forces the bytes to disk before Close returns.
    int Exclusive = 0;
    int Durable = 0;
    uint16_t OutWidth = 0, OutHeight = 0;  // delivered (or written) size
    uint16_t SrcWidth = 0, SrcHeight = 0;  // stored size
    uint8_t* Palette = nullptr;            // 256 x R, G, B when present
    int Rgb565 = 0;       // JPEG: ReadRow565 will be used (set before Open)
    File_t FileSlot;      // used only by the base Open/Close

    Img_t(const Img_t&) = delete;
    Img_t& operator=(const Img_t&) = delete;

protected:
    // Allocates a zeroed 768-byte palette (fatal report with tag on failure).
    uint8_t* NewPalette(const char16_t* tag);
    // ReadRow, then each pixel to 16 bits: ReadRow565 without library help.
    int ConvertRow565(uint16_t* dest);
    void GreyPalette(const char16_t* tag);

private:
    uint8_t* rgbRow_ = nullptr;  // ConvertRow565's R, G, B row
    int rgbRowWidth_ = 0;
};

// A new decoder for ".jpg", ".jpeg" (Jpeg_t) or ".png" (Png_t), letter case
// ignored; null for any other name. The caller deletes it.
Img_t* AllocImg_t(const char16_t* path);
