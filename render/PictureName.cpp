#include <new>

#include "app/Globals.h"
#include "picture/Picture.h"
#include "render/PaintBuffer.h"
#include "render/Text.h"
#include "settings/SkinColours.h"
#include "util/Diagnostics.h"


void PaintBuffer_t::SetPictureName(Picture_t* entry) {
    if (!entry) return;
    const char16_t* name = entry->Name();
    int width = MeasureText(UiFont, name) + 4;
    PaintBuffer_t* label = new (std::nothrow) PaintBuffer_t(width, NameDrop);
    if (!label) ReportOutOfMemory(u".PaintBuffer_t.SetPictureName:buffer", sizeof(PaintBuffer_t));
    label->keyColour = kMagentaKey;
    label->Clear();
    plat::Font* previous = label->SelectFont(UiFont);
    // One line: a name with a line feed is measured by its widest line but
    // drawn as a single line.
    label->DrawText(name, TEXT_CENTRE, 0, 0, width, NameDrop, SkinFileName, kNoBackground);
    label->SelectFont(previous);
    entry->SetLabel(label);  // the entry deletes the label it held before
}
