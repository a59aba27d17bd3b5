#include "codec/Transform.h"

#include <cstring>
#include <new>

#include "codec/Img.h"
#include "codec/Jpeg.h"
#include "platform/Platform.h"
#include "util/Diagnostics.h"
#include "util/Text.h"

const char16_t kMsgBadFileName[] = u"Bad file name";
const char16_t kMsgInvalidFormat[] = u"Invalid format";
const char16_t kMsgNoMemory[] = u"Not enough memory to load the picture";
const char16_t kMsgUnableToSave[] = u"Unable to save the picture";

namespace {
// The system's light-grey brush (0xC0C0C0) and black pen, as RGB565.
constexpr uint16_t kBarFill = (0xC0 >> 3) << 11 | (0xC0 >> 2) << 5 | (0xC0 >> 3);
constexpr uint16_t kBarEdge = 0x0000;
constexpr int kTempTries = 100;

bool SameText(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b) a++, b++;
    return *a == *b;
}

// Appends text at out[*n], keeping room for the terminator; false when it
// does not fit (a cut name could name a different file).
bool Append(char16_t* out, int* n, const char16_t* text, int count = -1) {
    for (int i = 0; count < 0 ? text[i] != 0 : i < count; i++) {
        if (*n >= kPathUnits - 1) return false;
        out[(*n)++] = text[i];
    }
    out[*n] = 0;
    return true;
}

bool AppendNumber(char16_t* out, int* n, int value) {
    char digits[16];
    int k = 0;
    do digits[k++] = (char)('0' + value % 10), value /= 10;
    while (value > 0);
    char16_t wide[16];
    for (int i = 0; i < k; i++) wide[i] = (char16_t)digits[k - 1 - i];
    return Append(out, n, wide, k);
}

bool Exists(const char16_t* path) { return plat::GetAttributes(path, nullptr); }

// Only JPEG files are written: the factory gives a Jpeg_t for the name.
bool IsJpegName(const char16_t* name) {
    Img_t* img = AllocImg_t(name);
    bool jpeg = dynamic_cast<Jpeg_t*>(img) != nullptr;
    delete img;
    return jpeg;
}

// "<folder>/.<file>.<k>.tmp": beside the picture (so the rename stays on
// one file system) and hidden from the browser's listing.
bool TempName(const char16_t* path, int k, char16_t* out) {
    int slash = -1;
    for (int i = 0; path[i]; i++)
        if (path[i] == u'/') slash = i;
    int n = 0;
    out[0] = 0;
    return Append(out, &n, path, slash + 1) && Append(out, &n, u".") && Append(out, &n, path + slash + 1) &&
           Append(out, &n, u".") && AppendNumber(out, &n, k) && Append(out, &n, u".tmp");
}
}  // namespace

PictureTransform_t::PictureTransform_t() {
    SourceName[0] = 0;
    OutputName[0] = 0;
}

PictureTransform_t::~PictureTransform_t() {
    delete Codec;
    delete[] heap_;
    delete[] bar_;
    delete[] barRows_;
}

void PictureTransform_t::SetNames(const char16_t* name) {
    CopyWide(name, SourceName, kPathUnits);
    CopyWide(name, OutputName, kPathUnits);
}

void PictureTransform_t::MapPixel() {}
void PictureTransform_t::ComputeOutputSize() {}

void PictureTransform_t::Place(int r, int c) {
    if (r < 0 || r >= OutHeight || c < 0 || c >= OutWidth) return;
    const uint8_t* s = SourceRow + 3 * X;
    uint8_t* d = OutRows[r] + 3 * c;
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}

void PictureTransform_t::DrawProgress(int g) {
    if (!Target || g == lastProgress_) return;
    lastProgress_ = g;
    const int w = Target->width, h = 20 * Target->scale;
    if (w <= 0 || h <= 0) return;
    if (g > w) g = w;
    if (g <= 0) return;
    if (!bar_) {
        bar_ = new (std::nothrow) uint16_t[(size_t)w * h];
        barRows_ = new (std::nothrow) uint16_t*[h];
        if (!bar_ || !barRows_) ReportOutOfMemory(u".PictureTransform_t.Process:Bar", (uint64_t)w * h * 2);
        for (int y = 0; y < h; y++) barRows_[y] = bar_ + (size_t)y * w;
    }
    // The system's rectangle: the pen's outline around the brush's fill.
    for (int y = 0; y < h; y++)
        for (int x = 0; x < g; x++) barRows_[y][x] = (y == 0 || y == h - 1 || x == 0 || x == g - 1) ? kBarEdge : kBarFill;
    plat::PresentRegion(0, Target->height - h, barRows_, g, h);
}

const char16_t* PictureTransform_t::ReadSource() {
    Codec = AllocImg_t(SourceName);
    if (!Codec) return kMsgBadFileName;
    if (Codec->Open(SourceName) <= 0) return kMsgInvalidFormat;
    SrcWidth = Codec->OutWidth;
    SrcHeight = Codec->OutHeight;
    ComputeOutputSize();
    if (OutWidth < 0 || OutHeight < 0 || OutWidth > 65535 || OutHeight > 65535) return kMsgUnableToSave;

    // One block for everything, sized in 64 bits and checked before asking.
    // The row table follows the source row: its start stays pointer-aligned.
    uint64_t rowBytes = (((uint64_t)SrcWidth + 4) * 4 + 15) & ~uint64_t(15);
    uint64_t tableBytes = (uint64_t)OutHeight * sizeof(uint8_t*);
    uint64_t outRowBytes = (uint64_t)OutWidth * 3;
    uint64_t total = rowBytes + tableBytes + outRowBytes * OutHeight;
    if (total > (uint64_t)kMaxImgPixels * 4 || total > plat::AvailableMemory()) return kMsgNoMemory;
    heap_ = new (std::nothrow) uint8_t[total];
    if (!heap_) return kMsgNoMemory;
    SourceRow = heap_;
    OutRows = reinterpret_cast<uint8_t**>(heap_ + rowBytes);
    uint8_t* pixels = heap_ + rowBytes + tableBytes;
    // Black where a crop reaches past the source: never memory's leftovers.
    memset(pixels, 0, (size_t)(outRowBytes * OutHeight));
    for (int j = 0; j < OutHeight; j++) OutRows[j] = pixels + (size_t)j * outRowBytes;

    const int w = Target ? Target->width : 0;
    for (int i = 0; i < SrcHeight; i++) {
        // A one-row source has nothing to divide by: its half is done.
        DrawProgress(SrcHeight > 1 ? (int)((int64_t)i * w / (SrcHeight - 1) / 2) : w / 2);
        int row = Codec->ReadRow(SourceRow);
        // A damaged file the library gives up on is not saved half-read.
        if (row < 0 || row >= SrcHeight) return kMsgInvalidFormat;
        Y = row;
        for (X = 0; X < SrcWidth; X++) MapPixel();
    }
    // A damaged picture is not written over itself: the rows the library
    // filled in would replace data another reader might still recover.
    bool damaged = Codec->Damaged();
    delete Codec;  // closes the source before anything is written
    Codec = nullptr;
    if (damaged && SameText(SourceName, OutputName)) return kMsgInvalidFormat;
    return nullptr;
}

const char16_t* PictureTransform_t::WriteOutput() {
    // An empty picture would only leave an empty file behind.
    if (OutWidth <= 0 || OutHeight <= 0) return kMsgUnableToSave;
    Codec = AllocImg_t(OutputName);
    if (!Codec) return kMsgBadFileName;
    Codec->OutWidth = (uint16_t)OutWidth;
    Codec->OutHeight = (uint16_t)OutHeight;
    Codec->Exclusive = 1;
    Codec->Durable = 1;

    // Over the source: a temporary file first. Elsewhere: the output itself,
    // which must not exist yet.
    bool replace = SameText(SourceName, OutputName);
    char16_t written[kPathUnits];
    int opened = 0;
    if (replace) {
        for (int k = 0; k < kTempTries && opened <= 0; k++) {
            if (!TempName(OutputName, k, written)) return kMsgUnableToSave;
            opened = Codec->OpenWrite(written);
            // Taken by another file: try the next name; else give up.
            if (opened <= 0 && !(opened == 0 && Exists(written))) break;
        }
    } else {
        CopyWide(OutputName, written, kPathUnits);
        opened = Codec->OpenWrite(written);
    }
    if (opened <= 0) {
        // A library error after the exclusive create leaves an empty file
        // that is ours.
        if (opened < 0) plat::DeleteFile(written);
        return kMsgUnableToSave;
    }

    const int w = Target ? Target->width : 0;
    for (int j = 0; j < OutHeight && !Codec->WriteFailed(); j++) {
        DrawProgress(OutHeight > 1 ? (int)((int64_t)j * w / (OutHeight - 1) / 2 + w / 2) : w);
        Codec->WriteRow(OutRows[j]);
    }
    bool complete = !Codec->WriteFailed() && Codec->GetRow() == OutHeight;
    complete = Codec->Close() && complete;
    delete Codec;
    Codec = nullptr;
    if (complete && replace) complete = plat::ReplaceFile(written, OutputName);
    if (!complete) {
        plat::DeleteFile(written);
        return kMsgUnableToSave;
    }
    return nullptr;
}

void PictureTransform_t::Process(const char16_t* name, char16_t* message, const ProgressTarget* target) {
    Target = target;
    lastProgress_ = -1;
    SetNames(name);
    // A PNG has no encoder: refused before any file is opened.
    const char16_t* failure = !OutputName[0] || !IsJpegName(SourceName) || !IsJpegName(OutputName)
                                  ? kMsgBadFileName
                                  : ReadSource();
    if (!failure) failure = WriteOutput();
    delete Codec;
    Codec = nullptr;
    CopyWide(failure ? failure : u"", message, kTransformMessageUnits);
}

// ---- rotation

void RotateTransform_t::ComputeOutputSize() {
    bool quarter = Mode == 1 || Mode == 3;
    OutWidth = quarter ? SrcHeight : SrcWidth;
    OutHeight = quarter ? SrcWidth : SrcHeight;
}

void RotateTransform_t::MapPixel() {
    const int W = SrcWidth, H = SrcHeight;
    switch (Mode) {
    case 1: Place(X, H - 1 - Y); break;
    case 2: Place(H - 1 - Y, W - 1 - X); break;
    case 3: Place(W - 1 - X, Y); break;
    default: break;
    }
}

// ---- crop

void CropTransform_t::SetNames(const char16_t* name) {
    PictureTransform_t::SetNames(name);
    int dot = -1, length = 0;
    for (; SourceName[length]; length++)
        if (SourceName[length] == u'.') dot = length;
    if (dot < 0) dot = length;
    const char16_t* ext = SourceName + dot;
    // "<base>_crop<ext>", then "<base>_crop1<ext>", "<base>_crop2<ext>", ...
    // until a free name: an existing file is never the output.
    for (int n = 0; n < 1000000; n++) {
        int k = 0;
        bool fits = Append(OutputName, &k, SourceName, dot) && Append(OutputName, &k, u"_crop") &&
                    (n == 0 || AppendNumber(OutputName, &k, n)) && Append(OutputName, &k, ext);
        if (!fits) break;
        if (!Exists(OutputName)) return;
    }
    OutputName[0] = 0;  // no free name that fits: Process refuses
}

void CropTransform_t::ComputeOutputSize() {
    int w = Right - Left, h = Bottom - Top;
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    if (w > h) Upright = !Upright;
    OutWidth = Upright ? w : h;
    OutHeight = Upright ? h : w;
}

void CropTransform_t::MapPixel() {
    if (Y < Top || Y >= Bottom || X < Left || X >= Right) return;
    const int gx = X - Left, gy = Y - Top;
    if (Upright) {
        if (Mode == 0 || Mode == 1) Place(gy, gx);
        else Place(OutHeight - 1 - gy, OutWidth - 1 - gx);
    } else {
        if (Mode == 1 || Mode == 2) Place(OutHeight - 1 - gx, gy);
        else Place(gx, OutWidth - 1 - gy);
    }
}
