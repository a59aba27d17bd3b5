#include "settings/SkinColours.h"

#include <cstdio>

#include "render/PaintBuffer.h"
#include "settings/Config.h"
#include "settings/SettingsFile.h"

uint16_t SkinBack = 0x7BCF;
uint16_t SkinScroll = 0x7BCF;
uint32_t SkinInfoText = 0xC0C0C0;
uint32_t SkinInfoName = 0xD0D0D0;
uint32_t SkinFileName = 0x202020;
uint32_t SkinBookmark = 0xD0D0D0;
uint32_t SkinBookmarkLight = 0xD0D0D0;
uint32_t SkinPicName = 0xE0E0E0;

static const char16_t kSkinColourName[] = u"Skin/Skin.txt";

void ResetSkinColours() {
    SkinBack = 0x7BCF;
    SkinScroll = 0x7BCF;
    SkinInfoText = 0xC0C0C0;
    SkinInfoName = 0xD0D0D0;
    SkinFileName = 0x202020;
    SkinBookmark = 0xD0D0D0;
    SkinBookmarkLight = 0xD0D0D0;
    SkinPicName = 0xE0E0E0;
}

// BACK and SCROLL are stored as pixels but written as 0xRRGGBB. A value
// that does not scan leaves the widened pixel as it was, and the pixel is
// then kept exactly rather than narrowed from its own widening.
static bool ParsePixelKey(const char* line, const char* key, uint16_t* pixel) {
    int before = (int)PaintBuffer_t::PixelToRgb(*pixel);
    int rgb = before;
    if (!ParseKeyHex(line, key, &rgb)) return false;
    if (rgb != before) *pixel = PaintBuffer_t::RgbToPixel((uint32_t)rgb);
    return true;
}

static bool ParseColourKey(const char* line, const char* key, uint32_t* colour) {
    int value = (int)*colour;
    if (!ParseKeyHex(line, key, &value)) return false;
    *colour = (uint32_t)value;
    return true;
}

static void ParseSkinLine(const char* line) {
    if (ParsePixelKey(line, "BACK", &SkinBack)) return;
    if (ParsePixelKey(line, "SCROLL", &SkinScroll)) return;
    if (ParseColourKey(line, "INFO_TEXT", &SkinInfoText)) return;
    if (ParseColourKey(line, "INFO_NAME_TEXT", &SkinInfoName)) return;
    if (ParseColourKey(line, "FNAME", &SkinFileName)) return;
    if (ParseColourKey(line, "BOOKMARK", &SkinBookmark)) return;
    if (ParseColourKey(line, "BOOKMARK_LIGHT", &SkinBookmarkLight)) return;
    ParseColourKey(line, "PIC_NAME_TEXT", &SkinPicName);
}

void LoadSkinColours() { ReadSettingsLines(kSkinColourName, ParseSkinLine); }

void SaveSkinColours() {
    char lines[8][64];
    std::snprintf(lines[0], sizeof lines[0], "BACK|%x|\n", (unsigned)PaintBuffer_t::PixelToRgb(SkinBack));
    std::snprintf(lines[1], sizeof lines[1], "SCROLL|%x|\n", (unsigned)PaintBuffer_t::PixelToRgb(SkinScroll));
    std::snprintf(lines[2], sizeof lines[2], "INFO_TEXT|%x|\n", (unsigned)SkinInfoText);
    std::snprintf(lines[3], sizeof lines[3], "INFO_NAME_TEXT|%x|\n", (unsigned)SkinInfoName);
    std::snprintf(lines[4], sizeof lines[4], "FNAME|%x|\n", (unsigned)SkinFileName);
    std::snprintf(lines[5], sizeof lines[5], "BOOKMARK|%x|\n", (unsigned)SkinBookmark);
    std::snprintf(lines[6], sizeof lines[6], "BOOKMARK_LIGHT|%x|\n", (unsigned)SkinBookmarkLight);
    std::snprintf(lines[7], sizeof lines[7], "PIC_NAME_TEXT|%x|\n", (unsigned)SkinPicName);
    const char* list[8];
    for (int i = 0; i < 8; i++) list[i] = lines[i];
    char16_t path[512];
    if (!SettingsWritePath(kSkinColourName, path)) path[0] = 0;
    WriteSettingsFile(path, list, 8);
}
