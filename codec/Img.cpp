#include "codec/Img.h"

#include <cstring>
#include <new>

#include "codec/Jpeg.h"
#include "codec/Png.h"
#include "platform/Utf8.h"
#include "util/Diagnostics.h"
#include "util/Text.h"

// Any 512-unit path fits as UTF-8 (three bytes a unit at most).
static constexpr int kUtf8PathBytes = kPathUnits * 3 + 1;

Img_t::Img_t() {}

Img_t::~Img_t() {
    delete[] Palette;
    delete[] rgbRow_;
    FileSlot.Close();
}

uint8_t* Img_t::NewPalette(const char16_t* tag) {
    delete[] Palette;
    Palette = new (std::nothrow) uint8_t[768];
    if (!Palette) ReportOutOfMemory(tag, 768);
    memset(Palette, 0, 768);
    return Palette;
}

void Img_t::GreyPalette(const char16_t* tag) {
    uint8_t* p = NewPalette(tag);
    for (int i = 0; i < 256; i++) p[3 * i] = p[3 * i + 1] = p[3 * i + 2] = (uint8_t)i;
}

int Img_t::ReadRow(uint8_t* dest) {
    int result = ReadRawRow(dest);
    if (Palette) {
        // From the last pixel down, so the expansion can run in place.
        for (int i = OutWidth - 1; i >= 0; i--) {
            const uint8_t* e = Palette + 3 * dest[i];
            uint8_t* d = dest + 3 * i;
            d[2] = e[2];
            d[1] = e[1];
            d[0] = e[0];
        }
    }
    return result;
}

int Img_t::ReadRow565(uint16_t* dest) { return ConvertRow565(dest); }

int Img_t::ConvertRow565(uint16_t* dest) {
    if (rgbRowWidth_ < OutWidth) {
        delete[] rgbRow_;
        rgbRow_ = new (std::nothrow) uint8_t[(size_t)OutWidth * 3];
        if (!rgbRow_) ReportOutOfMemory(u".Img_t.ReadRow565", (uint64_t)OutWidth * 3);
        rgbRowWidth_ = OutWidth;
    }
    int k = ReadRow(rgbRow_);
    if (k < 0) return k;
    const uint8_t* src = rgbRow_;
    for (int i = 0; i < OutWidth; i++, src += 3)
        dest[i] = (uint16_t)(((src[0] & 0xF8) << 8) | ((src[1] & 0xF8) << 3) | (src[2] >> 3));
    return k;
}

int Img_t::GetRow() { return -1; }

void Img_t::OutSizeFor(int, int* width, int* height) const {
    *width = SrcWidth;
    *height = SrcHeight;
}

int Img_t::Open(const char* path) { return FileSlot.Open(path, File_t::MODE_READ) ? 1 : 0; }

// Only Jpeg_t encodes. Opening the file here would truncate it (a PNG about
// to be rotated over itself) and then leave it empty: refuse, touch nothing.
int Img_t::OpenWrite(const char*) { return 0; }

int Img_t::ReadRawRow(uint8_t*) { return -1; }
int Img_t::ReadRowRGBA(uint8_t*) { return -1; }
void Img_t::WriteRow(const uint8_t*) {}
bool Img_t::Close() { return FileSlot.Close(); }

int Img_t::Open(const char16_t* path) {
    char utf8[kUtf8PathBytes];
    if (!path || plat::Utf16ToUtf8(path, utf8, sizeof utf8) < 0) return 0;
    return Open(utf8);
}

int Img_t::OpenWrite(const char16_t* path) {
    char utf8[kUtf8PathBytes];
    if (!path || plat::Utf16ToUtf8(path, utf8, sizeof utf8) < 0) return 0;
    return OpenWrite(utf8);
}

// True when the path ends in the lower-case ASCII suffix, letter case ignored.
static bool EndsWith(const char16_t* path, int length, const char* suffix, int n) {
    const char16_t* tail = path + length - n;
    for (int i = 0; i < n; i++) {
        char16_t c = tail[i];
        if (c >= u'A' && c <= u'Z') c = (char16_t)(c - u'A' + u'a');
        if (c != (char16_t)suffix[i]) return false;
    }
    return true;
}

Img_t* AllocImg_t(const char16_t* path) {
    if (!path) return nullptr;
    int length = 0;
    while (path[length]) length++;
    if (length <= 4) return nullptr;
    bool jpeg = EndsWith(path, length, ".jpg", 4) || (length > 5 && EndsWith(path, length, ".jpeg", 5));
    if (jpeg) {
        Img_t* img = new (std::nothrow) Jpeg_t;
        if (!img) ReportOutOfMemory(u".AllocImg_t:jpeg", sizeof(Jpeg_t));
        return img;
    }
    if (EndsWith(path, length, ".png", 4)) {
        Img_t* img = new (std::nothrow) Png_t;
        if (!img) ReportOutOfMemory(u".AllocImg_t:png", sizeof(Png_t));
        return img;
    }
    return nullptr;
}
