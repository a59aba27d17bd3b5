// Fonts: fontconfig finds the stock face, FreeType renders it.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "platform/Platform.h"
#include "platform/Utf8.h"

namespace plat {

namespace {

struct FaceFile {
    std::string path;
    int index = 0;
};

std::once_flag facesFound;
FaceFile regularFace, boldFace;  // boldFace.path empty: embolden the regular one

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

void FindFaces() {
    if (!FcInit()) return;
    regularFace = Match("sans-serif");
    boldFace = Match("sans-serif:bold");
}

}  // namespace

struct Font {
    std::mutex lock;  // a face may not be used by two threads at once
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    bool embolden = false;
    int ascent = 0, height = 0;
};

void DeleteFont(Font* font) {
    if (!font) return;
    if (font->face) FT_Done_Face(font->face);
    if (font->library) FT_Done_FreeType(font->library);
    delete font;
}

// Mean advance of a..z in font units: the width the design's "average
// character width" refers to.
static long MeanLowercaseAdvance(FT_Face face) {
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

Font* CreateFont(int height, int width, int weight) {
    if (height <= 0 || height > 2048 || width < 0 || width > 2048) return nullptr;
    std::call_once(facesFound, FindFaces);
    bool bold = weight >= 600;
    const FaceFile& file = bold && !boldFace.path.empty() ? boldFace : regularFace;
    if (file.path.empty()) return nullptr;
    Font* f = new (std::nothrow) Font;
    if (!f) return nullptr;
    if (FT_Init_FreeType(&f->library) != 0 || FT_New_Face(f->library, file.path.c_str(), file.index, &f->face) != 0 ||
        !FT_IS_SCALABLE(f->face)) {
        DeleteFont(f);
        return nullptr;
    }
    FT_Face face = f->face;
    f->embolden = bold && boldFace.path.empty();
    // The cell is what Windows metrics call ascent + descent; fall back to
    // the face's own line metrics when the OS/2 table is missing.
    long up = face->ascender, down = -face->descender;
    TT_OS2* os2 = (TT_OS2*)FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) up = os2->usWinAscent, down = os2->usWinDescent;
    if (up + down <= 0) up = face->units_per_EM, down = 0;
    double em = (double)height * face->units_per_EM / (double)(up + down);
    double emWidth = em;
    if (width > 0) {
        emWidth = (double)width * face->units_per_EM / (double)MeanLowercaseAdvance(face);
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

// Loads the glyph of a code point (lock held); false for control
// characters, which take no room on a single line.
static bool LoadGlyph(Font* font, uint32_t cp, bool render) {
    if (cp < 0x20 || cp == 0x7F) return false;
    if (FT_Load_Char(font->face, cp, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0) return false;
    if (font->embolden) FT_GlyphSlot_Embolden(font->face->glyph);
    if (render && FT_Render_Glyph(font->face->glyph, FT_RENDER_MODE_NORMAL) != 0) return false;
    return true;
}

static int WidthLocked(Font* font, const char16_t* text, int length) {
    long w = 0;
    for (int i = 0; i < length;) {
        uint32_t cp = NextCodePoint(text, length, &i);
        if (LoadGlyph(font, cp, false)) w += (font->face->glyph->advance.x + 32) >> 6;
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
        if (!LoadGlyph(font, cp, true)) continue;
        FT_GlyphSlot g = font->face->glyph;
        const FT_Bitmap& bm = g->bitmap;
        int x0 = pen + g->bitmap_left, y0 = font->ascent - g->bitmap_top;
        for (unsigned r = 0; r < bm.rows; r++) {
            int y = y0 + (int)r;
            if (y < 0 || y >= out->height) continue;
            const uint8_t* src = bm.buffer + (long)r * bm.pitch;
            uint8_t* dst = out->pixels + (size_t)y * (size_t)width;
            for (unsigned c = 0; c < bm.width; c++) {
                int x = x0 + (int)c;
                // Neighbouring glyphs may overlap: keep the stronger ink.
                if (x >= 0 && x < width && src[c] > dst[x]) dst[x] = src[c];
            }
        }
        pen += (int)((g->advance.x + 32) >> 6);
    }
    return true;
}

void FreeCoverage(Coverage* c) {
    if (!c) return;
    free(c->pixels);
    c->pixels = nullptr;
}

}  // namespace plat
