// The settings readers' path: File_t lines of the small capacity, each
// parsed for a text, an integer and a colour key.
#include <cstring>

#include "codec/File.h"
#include "fuzz/FuzzInput.h"
#include "settings/Config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzFile file(data, size, ".ini");
    if (!file.ok()) return 0;
    File_t f;
    if (!f.Open(file.path(), File_t::MODE_READ)) return 0;
    char line[1024];
    char16_t text[512];
    int value = 0;
    // The capacity the settings readers pass.
    while (f.ReadLine(line, sizeof line)) {
        ParseKeyText(line, "ImgPath", text);
        ParseKeyText(line, "Bookmark1", text, 512);
        ParseKeyInt(line, "MaxPicPixel", &value);
        ParseKeyHex(line, "Background", &value);
    }
    return 0;
}
