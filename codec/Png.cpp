#include "codec/Png.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

#include <png.h>

#include "platform/Platform.h"
#include "util/Diagnostics.h"

struct PngLib {
    png_structp png;
    png_infop info;
    std::jmp_buf* recovery;  // set only while a guarded call runs
    png_uint_32 width, height;
    int bitDepth, colourType, interlace;
    size_t rowBytes;         // after the transformations of the converted path
};

static void PngError(png_structp png, png_const_charp) {
    PngLib* lib = (PngLib*)png_get_error_ptr(png);
    if (lib && lib->recovery) std::longjmp(*lib->recovery, 1);
    // Every library call that can fail runs under Guard; this is a bug.
    std::abort();
}

// Warnings (ancillary chunk trouble) leave the picture readable.
static void PngWarning(png_structp, png_const_charp) {}

static void ReadFromStream(png_structp png, png_bytep data, size_t length) {
    FILE* stream = (FILE*)png_get_io_ptr(png);
    if (fread(data, 1, length, stream) != length) png_error(png, "Read Error");
}

// Runs one library step with this object's recovery point. Holds only raw
// pointers, so a jump back here skips no destructor. 1, or -1 after a
// library error.
static int Guard(PngLib* lib, void (*step)(PngLib*, void*), void* arg) {
    std::jmp_buf recovery;
    lib->recovery = &recovery;
    if (setjmp(recovery)) {
        lib->recovery = nullptr;
        return -1;
    }
    step(lib, arg);
    lib->recovery = nullptr;
    return 1;
}

static void StepReadInfo(PngLib* lib, void* stream) {
    png_set_read_fn(lib->png, stream, ReadFromStream);
    png_set_sig_bytes(lib->png, 8);
    png_read_info(lib->png, lib->info);
    png_get_IHDR(lib->png, lib->info, &lib->width, &lib->height, &lib->bitDepth, &lib->colourType,
                 &lib->interlace, nullptr, nullptr);
}

// Asks libpng for 8-bit R, G, B, A rows whatever the file holds.
static void StepConvert(PngLib* lib, void*) {
    png_structp p = lib->png;
    if (lib->colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(p);
    if (lib->colourType == PNG_COLOR_TYPE_GRAY && lib->bitDepth < 8) png_set_expand_gray_1_2_4_to_8(p);
    if (png_get_valid(p, lib->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(p);
    if (lib->bitDepth == 16) png_set_strip_16(p);
    if (lib->colourType == PNG_COLOR_TYPE_GRAY || lib->colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(p);
    png_set_filler(p, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(p);
    png_read_update_info(p, lib->info);
    lib->rowBytes = png_get_rowbytes(p, lib->info);
}

static void StepReadRow(PngLib* lib, void* row) { png_read_row(lib->png, (png_bytep)row, nullptr); }
static void StepReadImage(PngLib* lib, void* rows) { png_read_image(lib->png, (png_bytepp)rows); }
static void StepReadEnd(PngLib* lib, void*) { png_read_end(lib->png, lib->info); }

static void CreateLib(PngLib* lib) {
    lib->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, lib, PngError, PngWarning);
    if (!lib->png) ReportOutOfMemory(u".Png_t.Png_t:Lib", sizeof(PngLib));
    lib->info = png_create_info_struct(lib->png);
    if (!lib->info) ReportOutOfMemory(u".Png_t.Png_t:Info", sizeof(PngLib));
    // Rows are counted in 16-bit fields.
    png_set_user_limits(lib->png, 65535, 65535);
    // Ancillary chunks other than tRNS change nothing we deliver, and a
    // forged length in one of them would make the library allocate that
    // much (up to 2 GB): skip them unread, as unknown chunks are.
    static const png_byte skipped[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0"
                                      "pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
    png_set_keep_unknown_chunks(lib->png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(lib->png, PNG_HANDLE_CHUNK_NEVER, skipped, (int)(sizeof skipped / 5));
}

Png_t::Png_t() {
    ColourKind = 2;
    lib_ = new (std::nothrow) PngLib;
    if (!lib_) ReportOutOfMemory(u".Png_t.Png_t:Lib", sizeof(PngLib));
    memset(lib_, 0, sizeof *lib_);
    CreateLib(lib_);
}

Png_t::~Png_t() {
    Close();
    png_destroy_read_struct(&lib_->png, &lib_->info, nullptr);
    delete lib_;
    delete[] rowBuf_;
    delete[] whole_;
}

int Png_t::GetRow() { return RowsDone; }

bool Png_t::Close() {
    if (stream_) fclose(stream_);
    stream_ = nullptr;
    ready_ = false;
    return true;
}

int Png_t::Open(const char* path) {
    Close();
    if (used_) {
        // The library's read state serves one file; start afresh.
        png_destroy_read_struct(&lib_->png, &lib_->info, nullptr);
        memset(lib_, 0, sizeof *lib_);
        CreateLib(lib_);
    }
    used_ = true;
    RowsDone = 0;
    BitDepth = 0;
    converted_ = false;
    OutWidth = OutHeight = SrcWidth = SrcHeight = 0;
    delete[] Palette;
    Palette = nullptr;
    delete[] whole_;
    whole_ = nullptr;

    stream_ = path ? plat::OpenStreamUtf8(path, "rb") : nullptr;
    if (!stream_) return 0;
    png_byte signature[8];
    if (fread(signature, 1, 8, stream_) != 8 || png_sig_cmp(signature, 0, 8) != 0) return -1;
    if (Guard(lib_, StepReadInfo, stream_) < 0) return -1;

    uint32_t w = lib_->width, h = lib_->height;
    int depth = lib_->bitDepth, kind = lib_->colourType;
    if (w == 0 || h == 0 || w > 65535 || h > 65535 || (int64_t)w * h > kMaxImgPixels) return -1;
    bool trns = png_get_valid(lib_->png, lib_->info, PNG_INFO_tRNS) != 0;
    // Layouts whose raw rows this class converts itself; libpng expands
    // every other one (16-bit, grey below 8 bits, 2-bit palettes, grey with
    // alpha, transparency chunks, interlace).
    bool plain = lib_->interlace == PNG_INTERLACE_NONE && !trns &&
                 ((kind == PNG_COLOR_TYPE_GRAY && depth == 8) || (kind == PNG_COLOR_TYPE_RGB && depth == 8) ||
                  (kind == PNG_COLOR_TYPE_RGB_ALPHA && depth == 8) ||
                  (kind == PNG_COLOR_TYPE_PALETTE && (depth == 1 || depth == 4 || depth == 8)));
    if (!plain) {
        if (lib_->interlace != PNG_INTERLACE_NONE && (int64_t)w * h > kMaxWholePixels) return -1;
        if (Guard(lib_, StepConvert, nullptr) < 0) return -1;
        if (lib_->rowBytes != (size_t)w * 4) return -1;
        converted_ = true;
    }

    SrcWidth = OutWidth = (uint16_t)w;
    SrcHeight = OutHeight = (uint16_t)h;
    BitDepth = depth;
    ColourKind = kind;
    if (!converted_) {
        if (kind == PNG_COLOR_TYPE_GRAY) GreyPalette(u".Png_t.Open:Pal");
        if (kind == PNG_COLOR_TYPE_PALETTE) {
            uint8_t* pal = NewPalette(u".Png_t.Open:Pal");
            png_colorp entries = nullptr;
            int count = 0;
            if (png_get_PLTE(lib_->png, lib_->info, &entries, &count) && entries) {
                if (count > 256) count = 256;
                for (int i = 0; i < count; i++) {
                    pal[3 * i] = entries[i].red;
                    pal[3 * i + 1] = entries[i].green;
                    pal[3 * i + 2] = entries[i].blue;
                }
            }
        }
    }
    delete[] rowBuf_;
    size_t bufBytes = ((size_t)w + 1) * 4;
    rowBuf_ = new (std::nothrow) uint8_t[bufBytes];
    if (!rowBuf_) ReportOutOfMemory(u".Png_t.Open:Buf", bufBytes);

    if (converted_ && lib_->interlace != PNG_INTERLACE_NONE) {
        // Adam7 rows are complete only after the last pass: decode it all.
        size_t bytes = (size_t)w * h * 4;
        whole_ = new (std::nothrow) uint8_t[bytes];
        if (!whole_) ReportOutOfMemory(u".Png_t.Open:Whole", bytes);
        png_bytep* rows = new (std::nothrow) png_bytep[h];
        if (!rows) ReportOutOfMemory(u".Png_t.Open:Rows", sizeof(png_bytep) * h);
        for (uint32_t y = 0; y < h; y++) rows[y] = whole_ + (size_t)y * w * 4;
        int r = Guard(lib_, StepReadImage, rows);
        delete[] rows;
        if (r < 0) {
            OutWidth = OutHeight = SrcWidth = SrcHeight = 0;
            return -1;
        }
    }
    ready_ = true;
    return 1;
}

bool Png_t::FetchConverted(int index, const uint8_t** rgba) {
    if (whole_) {
        *rgba = whole_ + (size_t)index * OutWidth * 4;
        return true;
    }
    if (Guard(lib_, StepReadRow, rowBuf_) < 0) return false;
    *rgba = rowBuf_;
    return true;
}

void Png_t::EndRows() {
    // Every row is in the caller's hands; a broken trailer (no IEND, a bad
    // checksum after the image data) does not take them back.
    Guard(lib_, StepReadEnd, nullptr);
    ready_ = false;
}

// Packed palette indices to one byte each, from the last pixel down so that
// it runs in place; the leftmost pixel of a byte is in its high bits.
static void UnpackIndices(uint8_t* row, int width, int depth) {
    int perByte = 8 / depth, mask = (1 << depth) - 1;
    for (int j = width - 1; j >= 0; j--)
        row[j] = (uint8_t)((row[j / perByte] >> ((perByte - 1 - j % perByte) * depth)) & mask);
}

int Png_t::FinishRow(bool ok, int index) {
    if (!ok) {
        ready_ = false;
        return -1;
    }
    if (RowsDone >= OutHeight) EndRows();
    return index;
}

int Png_t::ReadRawRow(uint8_t* dest) {
    int index = GetRow();
    RowsDone++;
    if (!ready_ || index >= OutHeight) return -1;
    int w = OutWidth;
    bool ok = true;
    if (converted_) {
        const uint8_t* rgba = nullptr;
        ok = FetchConverted(index, &rgba);
        if (ok)
            for (int i = 0; i < w; i++) memcpy(dest + 3 * i, rgba + 4 * i, 3);
    } else if (ColourKind == PNG_COLOR_TYPE_RGB_ALPHA) {
        ok = Guard(lib_, StepReadRow, rowBuf_) > 0;
        if (ok)
            for (int i = 0; i < w; i++) memcpy(dest + 3 * i, rowBuf_ + 4 * i, 3);
    } else {
        ok = Guard(lib_, StepReadRow, dest) > 0;
        if (ok && ColourKind == PNG_COLOR_TYPE_PALETTE && BitDepth < 8) UnpackIndices(dest, w, BitDepth);
    }
    return FinishRow(ok, index);
}

int Png_t::ReadRowRGBA(uint8_t* dest) {
    int index = GetRow();
    RowsDone++;
    if (!ready_ || index >= OutHeight) return -1;
    int w = OutWidth;
    bool ok = true;
    if (converted_) {
        const uint8_t* rgba = nullptr;
        ok = FetchConverted(index, &rgba);
        if (ok) memcpy(dest, rgba, (size_t)w * 4);
    } else if (ColourKind == PNG_COLOR_TYPE_RGB_ALPHA) {
        ok = Guard(lib_, StepReadRow, dest) > 0;
    } else {
        // Raw row into the row buffer, then through the palette (or as
        // R, G, B) with A = 255: no alpha in these layouts.
        ok = Guard(lib_, StepReadRow, rowBuf_) > 0;
        if (ok) {
            if (ColourKind == PNG_COLOR_TYPE_RGB) {
                for (int i = w - 1; i >= 0; i--) {
                    dest[4 * i + 3] = 255;
                    memcpy(dest + 4 * i, rowBuf_ + 3 * i, 3);
                }
            } else {
                if (ColourKind == PNG_COLOR_TYPE_PALETTE && BitDepth < 8) UnpackIndices(rowBuf_, w, BitDepth);
                for (int i = 0; i < w; i++) {
                    memcpy(dest + 4 * i, Palette + 3 * rowBuf_[i], 3);
                    dest[4 * i + 3] = 255;
                }
            }
        }
    }
    return FinishRow(ok, index);
}
