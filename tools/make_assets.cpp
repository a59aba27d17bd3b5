// Draws the program's own artwork at build time: the splash logo and the
// window icon (written as C++ sources beside OUT_LOGO_CPP, compiled in),
// the skin folder's PNG files and, given ICON_DIR, the desktop icon in the
// hicolor theme's layout there.
// Usage: make_assets OUT_LOGO_CPP SKIN_DIR [ICON_DIR]
#include <cstdio>
#include <string>
#include <vector>

#include "app/Logo.h"
#include "tools/Artwork.h"

static bool Save(const art::Image& img, const std::string& folder, const char* name) {
    std::string path = folder + "/" + name + ".png";
    if (img.Width() == 0 || !img.WritePng(path.c_str())) {
        std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_assets OUT_LOGO_CPP SKIN_DIR [ICON_DIR]\n");
        return 2;
    }
    art::Image logo = art::DrawLogo();
    if (logo.Width() != kLogoWidth || logo.Height() != kLogoHeight || !art::WriteLogoSource(logo, argv[1])) {
        std::fprintf(stderr, "make_assets: cannot write %s\n", argv[1]);
        return 1;
    }
    // The window icon, compiled in beside the logo.
    std::string iconSource = argv[1];
    size_t slash = iconSource.rfind('/');
    iconSource = (slash == std::string::npos ? std::string() : iconSource.substr(0, slash + 1)) + "AppIcon.cpp";
    std::vector<float> iconAlpha;
    art::Image windowIcon = art::DrawAppIcon(kAppIconSize, &iconAlpha);
    if (!art::WriteAppIconSource(windowIcon, iconAlpha, iconSource.c_str())) {
        std::fprintf(stderr, "make_assets: cannot write %s\n", iconSource.c_str());
        return 1;
    }
    std::string skin = argv[2];
    bool ok = Save(art::DrawBackground(), skin, "background") && Save(art::DrawNoSign(), skin, "no") &&
              Save(art::DrawPictureIcon(), skin, "Image") && Save(art::DrawFolderIcon(false), skin, "Folder") &&
              Save(art::DrawFolderIcon(true), skin, "Folder_bm");
    static const char* const kButtons[] = {"quit",   "delete", "back", "mail",   "lback",  "cropp", "cropl",
                                           "rotate", "bm",     "bm_add", "bm_rem", "fprev", "fnext"};
    for (const char* name : kButtons) {
        bool small = name[0] == 'f';
        ok = ok && Save(art::DrawButton(name, small ? 54 : 120), skin, name);
    }
    if (argc > 3) {
        // The sizes desktops and menus ask for; the folders exist already.
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            std::vector<float> alpha;
            art::Image icon = art::DrawAppIcon(size, &alpha);
            std::string path = std::string(argv[3]) + "/" + std::to_string(size) + "x" + std::to_string(size) +
                               "/apps/lumatray.png";
            if (!icon.WritePngAlpha(path.c_str(), alpha)) {
                std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
                ok = false;
            }
        }
    }
    // A preview of the logo beside its source, for whoever checks the
    // artwork; not needed by the build.
    std::string preview = argv[1];
    if (preview.size() > 4 && preview.compare(preview.size() - 4, 4, ".cpp") == 0) {
        preview.replace(preview.size() - 4, 4, ".png");
        logo.WritePng(preview.c_str());
    }
    return ok ? 0 : 1;
}
