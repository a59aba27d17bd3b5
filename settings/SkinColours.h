// The eight skin colours of Skin/Skin.txt. BACK and SCROLL are RGB565
// pixels; the other six are 0x00BBGGRR colour references (red low).
#pragma once

#include <cstdint>

extern uint16_t SkinBack;        // BACK, loaded and saved only
extern uint16_t SkinScroll;      // SCROLL: the scroll-bar thumb
extern uint32_t SkinInfoText;    // INFO_TEXT
extern uint32_t SkinInfoName;    // INFO_NAME_TEXT
extern uint32_t SkinFileName;    // FNAME: thumbnail name labels
extern uint32_t SkinBookmark;    // BOOKMARK
extern uint32_t SkinBookmarkLight;  // BOOKMARK_LIGHT
extern uint32_t SkinPicName;     // PIC_NAME_TEXT

// Restores the defaults (tests; start-up relies on the static defaults).
void ResetSkinColours();
// Reads "<ProgramFolder>/Skin/Skin.txt" (the user's copy in the
// configuration folder first when the program folder is not writable); a
// missing file keeps the defaults. A BACK or SCROLL value that does not
// scan keeps the previous pixel exactly.
void LoadSkinColours();
// Writes the eight lines, with the same placement, atomic replacement and
// error box as the configuration file.
void SaveSkinColours();
