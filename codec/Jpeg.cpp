#include "codec/Jpeg.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/Platform.h"
#include "render/MapQuad.h"
#include "util/Diagnostics.h"
#include "util/StopRequest.h"

// Memory the library may take for one picture (progressive files keep all
// coefficients); beyond it the library reports an error instead of
// allocating, so a forged header cannot exhaust memory.
static constexpr long kLibMemory = 512L << 20;

struct JpegErr {
    jpeg_error_mgr pub;
    std::jmp_buf* recovery;  // set only while a guarded call runs
    bool damaged;            // the library patched over missing or bad data
};

struct JpegLib {
    jpeg_decompress_struct d;
    jpeg_compress_struct c;
    JpegErr err;
    jpeg_progress_mgr progress;
};

static void ErrorExit(j_common_ptr cinfo) {
    std::jmp_buf* recovery = reinterpret_cast<JpegErr*>(cinfo->err)->recovery;
    if (recovery) std::longjmp(*recovery, 1);
    // Every library call runs under Guard; an error outside one is a bug.
    std::abort();
}

// Warnings (corrupt data, a file cut short) are counted by the library and
// decoding goes on; nothing is printed.
static void QuietMessage(j_common_ptr) {}

// Warnings that mean rows were filled in (grey) where the data was missing
// or broken. Others (extraneous bytes between markers, an unknown JFIF
// revision) leave every pixel as stored.
static void NoteWarning(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    jpeg_error_mgr* err = cinfo->err;
    err->num_warnings++;
    switch (err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        reinterpret_cast<JpegErr*>(err)->damaged = true;
        break;
    default: break;
    }
}

// A progressive file is decoded whole inside jpeg_start_decompress (a
// second or more for a large photograph): the library's progress calls let
// a worker that was asked to stop give up there, as a library error.
static void CheckStop(j_common_ptr cinfo) {
    if (StopRequested()) cinfo->err->error_exit(cinfo);
}

// Runs one library step with this object's recovery point. Holds only raw
// pointers, so a jump back here skips no destructor. 1, or -1 after a
// library error.
static int Guard(JpegLib* lib, void (*step)(JpegLib*, void*), void* arg) {
    std::jmp_buf recovery;
    lib->err.recovery = &recovery;
    if (setjmp(recovery)) {
        lib->err.recovery = nullptr;
        return -1;
    }
    step(lib, arg);
    lib->err.recovery = nullptr;
    return 1;
}

static void StepCreate(JpegLib* lib, void*) {
    jpeg_create_decompress(&lib->d);
    lib->d.mem->max_memory_to_use = kLibMemory;
    jpeg_create_compress(&lib->c);
    lib->c.mem->max_memory_to_use = kLibMemory;
}

static void StepReadHeader(JpegLib* lib, void* stream) {
    jpeg_stdio_src(&lib->d, (FILE*)stream);
    jpeg_read_header(&lib->d, TRUE);
}

static void StepCalcOutput(JpegLib* lib, void*) { jpeg_calc_output_dimensions(&lib->d); }
static void StepStartRead(JpegLib* lib, void*) { jpeg_start_decompress(&lib->d); }

// True once every component's DC coefficients are read to their last bit.
static bool DcComplete(const jpeg_decompress_struct* d) {
    if (!d->coef_bits) return false;
    for (int c = 0; c < d->num_components; c++)
        if (d->coef_bits[c][0] != 0) return false;
    return true;
}

// A progressive file at 1/8: each output pixel is one block's DC value, and
// the first scans carry them all. Reads scans only until the DC is complete
// (or the data ends) and outputs that state; the rest of the file is never
// read, let alone decoded.
static void StepStartDcOnly(JpegLib* lib, void*) {
    jpeg_decompress_struct* d = &lib->d;
    jpeg_start_decompress(d);
    for (;;) {
        int r = jpeg_consume_input(d);
        if (r == JPEG_REACHED_EOI || r == JPEG_SUSPENDED) break;
        if (r == JPEG_SCAN_COMPLETED && DcComplete(d)) break;
    }
    jpeg_start_output(d, d->input_scan_number);
}
static void StepFinishRead(JpegLib* lib, void*) { jpeg_finish_decompress(&lib->d); }

static void StepReadRow(JpegLib* lib, void* row) {
    JSAMPROW rows[1] = {(JSAMPROW)row};
    if (jpeg_read_scanlines(&lib->d, rows, 1) != 1) {
        lib->err.pub.msg_code = 0;
        lib->err.pub.error_exit((j_common_ptr)&lib->d);
    }
}

struct WriteSetup {
    FILE* stream;
    int width, height, quality;
};

static void StepStartWrite(JpegLib* lib, void* arg) {
    const WriteSetup* w = (const WriteSetup*)arg;
    jpeg_compress_struct* c = &lib->c;
    jpeg_stdio_dest(c, w->stream);
    c->input_components = 3;
    c->in_color_space = JCS_RGB;
    jpeg_set_defaults(c);
    jpeg_default_colorspace(c);
    c->image_width = (JDIMENSION)w->width;
    c->image_height = (JDIMENSION)w->height;
    jpeg_set_quality(c, w->quality, FALSE);
    jpeg_start_compress(c, FALSE);
}

static void StepWriteRow(JpegLib* lib, void* row) {
    JSAMPROW rows[1] = {(JSAMPROW)row};
    if (jpeg_write_scanlines(&lib->c, rows, 1) != 1) {
        lib->err.pub.msg_code = 0;
        lib->err.pub.error_exit((j_common_ptr)&lib->c);
    }
}

static void StepFinishWrite(JpegLib* lib, void*) { jpeg_finish_compress(&lib->c); }

Jpeg_t::Jpeg_t() {
    lib_ = new (std::nothrow) JpegLib;
    if (!lib_) ReportOutOfMemory(u".Jpeg_t.Jpeg_t:Lib", sizeof(JpegLib));
    memset(lib_, 0, sizeof *lib_);
    lib_->d.err = jpeg_std_error(&lib_->err.pub);
    lib_->c.err = &lib_->err.pub;
    lib_->err.pub.error_exit = ErrorExit;
    lib_->err.pub.output_message = QuietMessage;
    lib_->err.pub.emit_message = NoteWarning;
    // The library fails here only when it cannot get its first few bytes.
    if (Guard(lib_, StepCreate, nullptr) < 0) ReportOutOfMemory(u".Jpeg_t.Jpeg_t:Lib", sizeof(JpegLib));
    // After the create, which clears everything but the error handler.
    lib_->progress.progress_monitor = CheckStop;
    lib_->d.progress = &lib_->progress;
}

Jpeg_t::~Jpeg_t() {
    Close();
    jpeg_destroy_decompress(&lib_->d);
    jpeg_destroy_compress(&lib_->c);
    delete lib_;
    delete[] cmykRow_;
    delete[] rgbxRow_;
}

int Jpeg_t::GetRow() { return RowsDone; }

bool Jpeg_t::Damaged() const { return lib_->err.damaged; }

int Jpeg_t::ScaleNumFor(int width, int height, int budget) {
    if (budget == -1) return 8;
    float s = FitScale(width, height, budget);
    int num = 1 - (int)(s * -8.0f);  // 1 + trunc(8s)
    // Only the library's classic steps: the smallest of 1/8, 1/4, 1/2 and
    // 1/1 that is not below num/8.
    if (num <= 1) return 1;
    if (num <= 2) return 2;
    if (num <= 4) return 4;
    return 8;
}

void Jpeg_t::OutSizeFor(int budget, int* width, int* height) const {
    int num = ScaleNumFor(SrcWidth, SrcHeight, budget);
    // The library rounds a reduced side up.
    *width = (SrcWidth * num + 7) / 8;
    *height = (SrcHeight * num + 7) / 8;
}

int Jpeg_t::Open(const char* path) {
    Close();
    writer_ = false;
    writeFailed_ = false;
    RowsDone = 0;
    rows565_ = false;
    OutWidth = OutHeight = SrcWidth = SrcHeight = 0;
    delete[] Palette;
    Palette = nullptr;
    delete[] cmykRow_;
    cmykRow_ = nullptr;
    delete[] rgbxRow_;
    rgbxRow_ = nullptr;

    lib_->err.damaged = false;
    stream_ = path ? plat::OpenStreamUtf8(path, "rb") : nullptr;
    if (!stream_) return 0;
    jpeg_decompress_struct* d = &lib_->d;
    if (Guard(lib_, StepReadHeader, stream_) < 0) {
        jpeg_abort_decompress(d);
        return -1;
    }
    if (d->image_width == 0 || d->image_height == 0 || d->image_width > 65535 || d->image_height > 65535) {
        jpeg_abort_decompress(d);
        return -1;
    }
    bool cmyk = d->jpeg_color_space == JCS_CMYK || d->jpeg_color_space == JCS_YCCK;
    if (cmyk) d->out_color_space = JCS_CMYK;
    // Four bytes a pixel: the library's vector colour conversion, and a
    // packing loop that the compiler vectorises too (three-byte pixels
    // defeat both).
    rows565_ = Rgb565 && d->num_components == 3 &&
               (d->jpeg_color_space == JCS_YCbCr || d->jpeg_color_space == JCS_RGB);
    if (rows565_) d->out_color_space = JCS_EXT_RGBX;
    adobeCmyk_ = d->saw_Adobe_marker;
    if (Budget != -1) {
        d->scale_num = (unsigned)ScaleNumFor((int)d->image_width, (int)d->image_height, Budget);
        d->scale_denom = 8;
    }
    if (Fast) {
        d->dct_method = JDCT_IFAST;
        d->do_block_smoothing = FALSE;
    }
    if (Guard(lib_, StepCalcOutput, nullptr) < 0) {
        jpeg_abort_decompress(d);
        return -1;
    }
    int comps = d->output_components;
    bool layoutOk = comps == 1 || comps == 3 || ((cmyk || rows565_) && comps == 4);
    if (!layoutOk || (int64_t)d->output_width * d->output_height > kMaxImgPixels) {
        jpeg_abort_decompress(d);
        return -1;
    }
    // The rows wait for the first ReadRawRow: a header read decodes nothing
    // (a progressive file would otherwise be decoded whole right here).
    headerOnly_ = true;
    SrcWidth = (uint16_t)d->image_width;
    SrcHeight = (uint16_t)d->image_height;
    OutWidth = (uint16_t)d->output_width;
    OutHeight = (uint16_t)d->output_height;
    if (comps == 1) GreyPalette(u".Jpeg_t.Open:Pal");
    if (cmyk) {
        size_t bytes = (size_t)OutWidth * 4;
        cmykRow_ = new (std::nothrow) uint8_t[bytes];
        if (!cmykRow_) ReportOutOfMemory(u".Jpeg_t.Open:Cmyk", bytes);
    }
    if (rows565_) {
        rgbxRow_ = new (std::nothrow) uint32_t[OutWidth];
        if (!rgbxRow_) ReportOutOfMemory(u".Jpeg_t.Open:Rgbx", (uint64_t)OutWidth * 4);
    }
    return 1;
}

// CMYK (or YCCK, which the library turns into CMYK) to RGB by the usual
// subtractive model. Adobe files store the inks inverted (255 = no ink).
static void CmykToRgb(const uint8_t* src, uint8_t* dst, int width, bool inverted) {
    for (int i = 0; i < width; i++, src += 4, dst += 3) {
        int c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        dst[0] = (uint8_t)((c * k + 127) / 255);
        dst[1] = (uint8_t)((m * k + 127) / 255);
        dst[2] = (uint8_t)((y * k + 127) / 255);
    }
}

int Jpeg_t::ReadRow565(uint16_t* dest) { return rows565_ ? ReadRowAs(nullptr, dest) : ConvertRow565(dest); }

bool Jpeg_t::StartRows() {
    headerOnly_ = false;
    jpeg_decompress_struct* d = &lib_->d;
    // Only the DC coefficient reaches a 1/8 pixel; the block smoothing that
    // would guess the missing ones from the neighbours is left out, so the
    // brightness is the full decode's.
    bool dcOnly = d->progressive_mode && d->scale_num * 8 <= d->scale_denom;
    if (dcOnly) {
        d->buffered_image = TRUE;
        d->do_block_smoothing = FALSE;
    }
    if (Guard(lib_, dcOnly ? StepStartDcOnly : StepStartRead, nullptr) < 0) {
        jpeg_abort_decompress(d);
        return false;
    }
    decompressing_ = true;
    return true;
}

// R, G, B, X (as the library writes them) to R, G, B.
static void RgbxToRgb(const uint8_t* src, uint8_t* dst, int width) {
    for (int i = 0; i < width; i++, src += 4, dst += 3) dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
}

// R, G, B, X to the 16-bit pixel (a loop the compiler vectorises).
static void RgbxTo565(const uint8_t* src, uint16_t* dst, int width) {
    for (int i = 0; i < width; i++, src += 4)
        dst[i] = (uint16_t)(((src[0] & 0xF8) << 8) | ((src[1] & 0xF8) << 3) | (src[2] >> 3));
}

int Jpeg_t::ReadRawRow(uint8_t* dest) { return ReadRowAs(dest, nullptr); }

int Jpeg_t::ReadRowAs(uint8_t* rgb, uint16_t* pixels) {
    int index = GetRow();
    RowsDone++;
    if (headerOnly_ && !StartRows()) return -1;
    if (!decompressing_) return -1;
    uint8_t* target = cmykRow_ ? cmykRow_ : rows565_ ? (uint8_t*)rgbxRow_ : rgb;
    if (Guard(lib_, StepReadRow, target) < 0) {
        jpeg_abort_decompress(&lib_->d);
        decompressing_ = false;
        return -1;
    }
    if (cmykRow_)
        CmykToRgb(cmykRow_, rgb, OutWidth, adobeCmyk_);
    else if (rows565_ && pixels)
        RgbxTo565((const uint8_t*)rgbxRow_, pixels, OutWidth);
    else if (rows565_)
        RgbxToRgb((const uint8_t*)rgbxRow_, rgb, OutWidth);
    if (RowsDone >= OutHeight) {
        decompressing_ = false;
        // The row is complete whatever the trailer holds; a broken trailer
        // only ends the library's work early. A DC-only pass leaves the
        // remaining scans unread.
        if (lib_->d.buffered_image)
            jpeg_abort_decompress(&lib_->d);
        else if (Guard(lib_, StepFinishRead, nullptr) < 0)
            jpeg_abort_decompress(&lib_->d);
    }
    return index;
}

int Jpeg_t::OpenWrite(const char* path) {
    Close();
    writer_ = true;
    writeFailed_ = true;  // until the stream is open and the library started
    RowsDone = 0;
    // An empty picture would only leave an empty file behind.
    if (!path || OutWidth == 0 || OutHeight == 0) return OutWidth && OutHeight ? 0 : -1;
    stream_ = plat::OpenStreamUtf8(path, Exclusive ? "wx" : "wb");
    if (!stream_) return 0;
    WriteSetup setup{stream_, OutWidth, OutHeight, Quality};
    if (Guard(lib_, StepStartWrite, &setup) < 0) {
        jpeg_abort_compress(&lib_->c);
        return -1;
    }
    writeFailed_ = false;
    compressing_ = true;
    return 1;
}

void Jpeg_t::WriteRow(const uint8_t* src) {
    if (!compressing_) return;
    if (Guard(lib_, StepWriteRow, (void*)src) < 0) {
        jpeg_abort_compress(&lib_->c);
        compressing_ = false;
        writeFailed_ = true;
        return;
    }
    RowsDone++;
    if (RowsDone >= OutHeight) {
        compressing_ = false;
        // The destination's final flush is where a full disk shows up.
        if (Guard(lib_, StepFinishWrite, nullptr) < 0) {
            jpeg_abort_compress(&lib_->c);
            writeFailed_ = true;
        }
    }
}

bool Jpeg_t::Close() {
    if (compressing_) {
        // Closed before the last row: the file is incomplete.
        jpeg_abort_compress(&lib_->c);
        compressing_ = false;
        writeFailed_ = true;
    }
    if (decompressing_ || headerOnly_) {
        jpeg_abort_decompress(&lib_->d);
        decompressing_ = false;
        headerOnly_ = false;
    }
    if (stream_) {
        if (writer_ && (fflush(stream_) != 0 || ferror(stream_))) writeFailed_ = true;
        if (writer_ && Durable && !writeFailed_ && !plat::SyncStream(stream_)) writeFailed_ = true;
        if (fclose(stream_) != 0 && writer_) writeFailed_ = true;
        stream_ = nullptr;
    }
    return !(writer_ && writeFailed_);
}
