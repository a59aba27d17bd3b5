// The program's own artwork, drawn at build time by make_assets.
#pragma once

#include "tools/Draw.h"

namespace art {

// The 470 x 150 splash logo: the emblem and the wordmark on a dark ground.
Image DrawLogo();
// Writes the logo as a C++ source defining kLogoBitmap (app/Logo.h).
bool WriteLogoSource(const Image& logo, const char* path);

// The application icon for the desktop, size x size: the emblem on a
// rounded tile; alpha receives the tile's outline, one value a pixel.
Image DrawAppIcon(int size, std::vector<float>* alpha);
// Writes the icon as a C++ source defining kAppIconBitmap (app/Logo.h).
bool WriteAppIconSource(const Image& icon, const std::vector<float>& alpha, const char* path);

// Skin pictures: the portrait background, the "not available" sign and the
// three thumbnail icons (picture, folder, bookmarked folder).
Image DrawBackground();
Image DrawNoSign();
Image DrawPictureIcon();
Image DrawFolderIcon(bool bookmarked);

// A button icon by its skin name ("quit", "delete", ..., "fnext"); the
// size is the file's edge. An empty image (0 x 0) for an unknown name.
Image DrawButton(const char* name, int size);

}  // namespace art
