// Fonts: fontconfig finds the stock face, FreeType renders it.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "platform/Platform.h"
#include "platform/Utf8.h"

namespace plat {

namespace {

// A face file read once into memory and shared, read-only, by every font
// made from it, with what font sizing needs from its design.
struct FaceData {
    const FT_Byte* bytes = nullptr;  // never freed: fonts may live until exit
    FT_Long size = 0;
    int index = 0;
    long meanAdvance = 0;  // mean advance of a..z, font units
};

// FreeType allows one library for all threads when creating and destroying
// faces is serialised; each face is then used by one thread at a time.
std::mutex libraryLock;
FT_Library library = nullptr;

std::once_flag facesFound;
FaceData regularFace, boldFace;  // boldFace.bytes null: embolden the regular one

struct FaceFile {
    std::string path;
    int index = 0;
};

FaceFile Match(const char* pattern) {
    FaceFile f;
    FcPattern* p = FcNameParse((const FcChar8*)pattern);
    if (!p) return f;
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult r;
    FcPattern* m = FcFontMatch(nullptr, p, &r);
    if (m) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch && file) f.path = (const char*)file;
        if (FcPatternGetInteger(m, FC_INDEX, 0, &index) == FcResultMatch) f.index = index;
        int weight = 0;
        // A match without a bold weight means the family has no bold face.
        if (strstr(pattern, "bold") && (FcPatternGetInteger(m, FC_WEIGHT, 0, &weight) != FcResultMatch ||
                                         weight < FC_WEIGHT_DEMIBOLD))
            f.path.clear();
        FcPatternDestroy(m);
    }
    FcPatternDestroy(p);
    return f;
}

// Mean advance of a..z in font units: the width the design's "average
// character width" refers to.
long MeanLowercaseAdvance(FT_Face face) {
    long sum = 0;
    int count = 0;
    for (char c = 'a'; c <= 'z'; c++) {
        if (FT_Load_Char(face, (FT_ULong)c, FT_LOAD_NO_SCALE) == 0) {
            sum += face->glyph->advance.x;
            count++;
        }
    }
    return count ? sum / count : face->units_per_EM / 2;
}

// Reads a scalable face file whole; data stays empty when it cannot be used.
void LoadFace(const FaceFile& file, FaceData* data) {
    if (file.path.empty()) return;
    FILE* in = fopen(file.path.c_str(), "rb");
    if (!in) return;
    long size = -1;
    if (fseek(in, 0, SEEK_END) == 0) size = ftell(in);
    FT_Byte* bytes = nullptr;
    if (size > 0 && fseek(in, 0, SEEK_SET) == 0) bytes = (FT_Byte*)malloc((size_t)size);
    bool read = bytes && fread(bytes, 1, (size_t)size, in) == (size_t)size;
    fclose(in);
    FT_Face face = nullptr;
    if (!read || FT_New_Memory_Face(library, bytes, size, file.index, &face) != 0 || !FT_IS_SCALABLE(face)) {
        if (face) FT_Done_Face(face);
        free(bytes);
        return;
    }
    data->meanAdvance = MeanLowercaseAdvance(face);
    FT_Done_Face(face);
    data->bytes = bytes;
    data->size = size;
    data->index = file.index;
}

void FindFaces() {
    if (FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        return;
    }
    if (!FcInit()) return;
    LoadFace(Match("sans-serif"), &regularFace);
    LoadFace(Match("sans-serif:bold"), &boldFace);
}

// A glyph as drawn: its coverage bitmap relative to the pen and baseline.
struct GlyphImage {
    int left = 0, top = 0;  // bitmap_left, bitmap_top
    unsigned width = 0, rows = 0;
    long pitch = 0;
    const uint8_t* buffer = nullptr;
    long advance = 0;  // 26.6 pixels
};

// What the cache knows of one code point at the font's size.
struct CachedGlyph {
    uint32_t cp = 0;  // 0: free slot (control characters are never cached)
    bool loaded = false;
    enum : uint8_t { UNRENDERED, RENDERED, UNRENDERABLE } state = UNRENDERED;
    long advance = 0;
    int left = 0, top = 0;
    unsigned width = 0, rows = 0;
    uint8_t* pixels = nullptr;  // width x rows, packed
};

// Open addressing on the code point; emptied whole when it fills up or its
// bitmaps pass the byte budget, which keeps large fonts bounded.
constexpr int kGlyphSlots = 512;
constexpr int kGlyphLimit = kGlyphSlots * 3 / 4;
constexpr uint64_t kGlyphBytesLimit = 256u << 10;

}  // namespace

struct Font {
    std::mutex lock;  // guards the face and the glyph cache
    FT_Face face = nullptr;
    bool embolden = false;
    int ascent = 0, height = 0;
    CachedGlyph* glyphs = nullptr;  // kGlyphSlots, made on first use
    int glyphCount = 0;
    uint64_t glyphBytes = 0;
};

namespace {

void ClearGlyphs(Font* font) {
    if (!font->glyphs) return;
    for (int i = 0; i < kGlyphSlots; i++) free(font->glyphs[i].pixels);
    for (int i = 0; i < kGlyphSlots; i++) font->glyphs[i] = CachedGlyph();
    font->glyphCount = 0;
    font->glyphBytes = 0;
}

// The cache slot of a code point, claimed when new; null when there is no
// cache (out of memory), in which case callers work from the face directly.
CachedGlyph* GlyphSlot(Font* font, uint32_t cp) {
    if (!font->glyphs) {
        font->glyphs = new (std::nothrow) CachedGlyph[kGlyphSlots];
        if (!font->glyphs) return nullptr;
    }
    if (font->glyphCount >= kGlyphLimit || font->glyphBytes > kGlyphBytesLimit) ClearGlyphs(font);
    for (uint32_t i = (cp * 2654435761u) % kGlyphSlots;; i = (i + 1) % kGlyphSlots) {
        CachedGlyph& g = font->glyphs[i];
        if (g.cp == cp) return &g;
        if (g.cp == 0) {
            g.cp = cp;
            font->glyphCount++;
            return &g;
        }
    }
}

// Loads the outline of a code point into the face's slot (lock held).
bool LoadGlyph(Font* font, uint32_t cp) {
    if (FT_Load_Char(font->face, cp, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0) return false;
    if (font->embolden) FT_GlyphSlot_Embolden(font->face->glyph);
    return true;
}

GlyphImage ImageOfSlot(FT_GlyphSlot g) {
    GlyphImage im;
    im.left = g->bitmap_left;
    im.top = g->bitmap_top;
    im.width = g->bitmap.width;
    im.rows = g->bitmap.rows;
    im.pitch = g->bitmap.pitch;
    im.buffer = g->bitmap.buffer;
    im.advance = g->advance.x;
    return im;
}

// Advance of a code point in 26.6 pixels (lock held); false for control
// characters, which take no room on a single line, and glyphs that fail.
bool Advance(Font* font, uint32_t cp, long* advance) {
    if (cp < 0x20 || cp == 0x7F) return false;
    CachedGlyph* c = GlyphSlot(font, cp);
    if (c && (c->loaded || c->state != CachedGlyph::UNRENDERED)) {
        *advance = c->advance;
        return c->loaded;
    }
    bool ok = LoadGlyph(font, cp);
    if (ok) *advance = font->face->glyph->advance.x;
    if (c) c->loaded = ok, c->advance = ok ? *advance : 0;
    if (c && !ok) c->state = CachedGlyph::UNRENDERABLE;
    return ok;
}

// The rendered image of a code point (lock held), valid until the next
// glyph call on the font; false when it draws nothing.
bool Image(Font* font, uint32_t cp, GlyphImage* im) {
    if (cp < 0x20 || cp == 0x7F) return false;
    CachedGlyph* c = GlyphSlot(font, cp);
    if (c && c->state != CachedGlyph::UNRENDERED) {
        if (c->state == CachedGlyph::UNRENDERABLE) return false;
        *im = GlyphImage();
        im->left = c->left, im->top = c->top, im->width = c->width, im->rows = c->rows;
        im->pitch = (long)c->width, im->buffer = c->pixels, im->advance = c->advance;
        return true;
    }
    bool loaded = LoadGlyph(font, cp);
    if (!loaded || FT_Render_Glyph(font->face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
        // A glyph that loads but does not render still takes its room.
        if (c) c->loaded = loaded, c->advance = loaded ? font->face->glyph->advance.x : 0;
        if (c) c->state = CachedGlyph::UNRENDERABLE;
        return false;
    }
    *im = ImageOfSlot(font->face->glyph);
    if (!c) return true;
    uint64_t bytes = (uint64_t)im->width * im->rows;
    uint8_t* pixels = bytes ? (uint8_t*)malloc((size_t)bytes) : nullptr;
    if (bytes && !pixels) return true;  // drawn from the face, tried again next time
    for (unsigned r = 0; pixels && r < im->rows; r++)
        memcpy(pixels + (size_t)r * im->width, im->buffer + (long)r * im->pitch, im->width);
    c->loaded = true;
    c->state = CachedGlyph::RENDERED;
    c->advance = im->advance;
    c->left = im->left, c->top = im->top, c->width = im->width, c->rows = im->rows;
    c->pixels = pixels;
    font->glyphBytes += bytes;
    return true;
}

}  // namespace

void DeleteFont(Font* font) {
    if (!font) return;
    if (font->face) {
        std::lock_guard<std::mutex> hold(libraryLock);
        FT_Done_Face(font->face);
    }
    ClearGlyphs(font);
    delete[] font->glyphs;
    delete font;
}

Font* CreateFont(int height, int width, int weight) {
    if (height <= 0 || height > 2048 || width < 0 || width > 2048) return nullptr;
    std::call_once(facesFound, FindFaces);
    bool bold = weight >= 600;
    const FaceData& file = bold && boldFace.bytes ? boldFace : regularFace;
    if (!file.bytes) return nullptr;
    Font* f = new (std::nothrow) Font;
    if (!f) return nullptr;
    {
        std::lock_guard<std::mutex> hold(libraryLock);
        if (FT_New_Memory_Face(library, file.bytes, file.size, file.index, &f->face) != 0) f->face = nullptr;
    }
    if (!f->face) {
        DeleteFont(f);
        return nullptr;
    }
    FT_Face face = f->face;
    f->embolden = bold && !boldFace.bytes;
    // The cell is what Windows metrics call ascent + descent; fall back to
    // the face's own line metrics when the OS/2 table is missing.
    long up = face->ascender, down = -face->descender;
    TT_OS2* os2 = (TT_OS2*)FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) up = os2->usWinAscent, down = os2->usWinDescent;
    if (up + down <= 0) up = face->units_per_EM, down = 0;
    double em = (double)height * face->units_per_EM / (double)(up + down);
    double emWidth = em;
    if (width > 0) {
        emWidth = (double)width * face->units_per_EM / (double)file.meanAdvance;
        if (emWidth > 4 * em) emWidth = 4 * em;
    }
    FT_F26Dot6 h26 = (FT_F26Dot6)std::lround(em * 64), w26 = (FT_F26Dot6)std::lround(emWidth * 64);
    if (h26 < 64) h26 = 64;
    if (w26 < 16) w26 = 16;
    if (FT_Set_Char_Size(face, w26, h26, 72, 72) != 0) {
        DeleteFont(f);
        return nullptr;
    }
    f->height = height;
    f->ascent = (int)std::lround((double)height * up / (double)(up + down));
    return f;
}

void FontMetrics(Font* font, int* ascent, int* height) {
    if (ascent) *ascent = font ? font->ascent : 0;
    if (height) *height = font ? font->height : 0;
}

static int WidthLocked(Font* font, const char16_t* text, int length) {
    long w = 0;
    for (int i = 0; i < length;) {
        uint32_t cp = NextCodePoint(text, length, &i);
        long advance = 0;
        if (Advance(font, cp, &advance)) w += (advance + 32) >> 6;
    }
    return w > 1 << 24 ? 1 << 24 : (int)w;
}

static int LengthOf(const char16_t* text, int length) {
    if (!text) return 0;
    if (length < 0) {
        length = 0;
        while (text[length]) length++;
    }
    return length;
}

int TextWidth(Font* font, const char16_t* text, int length) {
    if (!font) return 0;
    length = LengthOf(text, length);
    std::lock_guard<std::mutex> hold(font->lock);
    return WidthLocked(font, text, length);
}

bool RenderText(Font* font, const char16_t* text, int length, Coverage* out) {
    if (!font || !out) return false;
    *out = Coverage();
    length = LengthOf(text, length);
    std::lock_guard<std::mutex> hold(font->lock);
    int width = WidthLocked(font, text, length);
    out->width = width;
    out->height = font->height;
    out->baseline = font->ascent;
    if (width == 0) return true;
    uint64_t bytes = (uint64_t)width * (uint64_t)font->height;
    if (bytes > (64u << 20)) return false;
    out->pixels = (uint8_t*)calloc((size_t)bytes, 1);
    if (!out->pixels) return false;
    int pen = 0;
    for (int i = 0; i < length;) {
        uint32_t cp = NextCodePoint(text, length, &i);
        GlyphImage g;
        if (!Image(font, cp, &g)) continue;
        int x0 = pen + g.left, y0 = font->ascent - g.top;
        for (unsigned r = 0; r < g.rows; r++) {
            int y = y0 + (int)r;
            if (y < 0 || y >= out->height) continue;
            const uint8_t* src = g.buffer + (long)r * g.pitch;
            uint8_t* dst = out->pixels + (size_t)y * (size_t)width;
            for (unsigned c = 0; c < g.width; c++) {
                int x = x0 + (int)c;
                // Neighbouring glyphs may overlap: keep the stronger ink.
                if (x >= 0 && x < width && src[c] > dst[x]) dst[x] = src[c];
            }
        }
        pen += (int)((g.advance + 32) >> 6);
    }
    return true;
}

void FreeCoverage(Coverage* c) {
    if (!c) return;
    free(c->pixels);
    c->pixels = nullptr;
}

}  // namespace plat
