// PaintBuffer_t: the program's one kind of off-screen image (the frame, the
// splash logo, name labels, skin images). 16-bit pixels addressed through a
// table of row pointers, rows top-down.
//
// Pixel format used everywhere (buffers, thumbnails, cache files): red in
// bits 15-11, green in 10-6, blue in 4-0; bit 5 is the transparency mark
// (0 = opaque) that MapQuad does not copy. Every colour the program makes
// itself has bit 5 clear. The window shows the rows as RGB565
// (masks F800/07E0/001F), so text and lines, which follow that format, may
// set bit 5.
//
// A buffer has no lock: the frame buffers belong to the interface thread;
// callers mapping a picture's pixels hold that picture's lock.
#pragma once

#include <cstdint>

class Picture_t;
namespace plat { struct Font; }

// Key colours: the default of a new buffer and magenta (labels, skin images).
constexpr uint16_t kDefaultKey = 0x7BCF;
constexpr uint16_t kMagentaKey = 0xF81F;
// Background value of the text operations meaning "draw no box".
constexpr int32_t kNoBackground = -1;
// Text alignment flags (single line and vertical centring are always on).
enum : int { TEXT_LEFT = 0, TEXT_CENTRE = 1, TEXT_RIGHT = 2 };
// The resource id of the start-up logo.
constexpr int kLogoResource = 109;

// The light map of ApplyLight: width x height entries, row-major, made on
// first use for one buffer size and rebuilt when used with another size.
// Owned by the caller, who may share it among buttons of the same size.
struct LightMap_t {
    int width = 0, height = 0;
    int32_t* values = nullptr;
    LightMap_t() = default;
    LightMap_t(const LightMap_t&) = delete;
    LightMap_t& operator=(const LightMap_t&) = delete;
    ~LightMap_t() { delete[] values; }
};

class PaintBuffer_t {
public:
    // Transparent colour of CopyKeyed and fill colour of Clear.
    uint16_t keyColour = kDefaultKey;

    // A width x height buffer (negative sizes count as 0). Its pixels are
    // undefined until Clear. Out of memory is fatal
    // (".PaintBuffer_t.PaintBuffer_t:Map").
    PaintBuffer_t(int width, int height);
    virtual ~PaintBuffer_t();
    PaintBuffer_t(const PaintBuffer_t&) = delete;
    PaintBuffer_t& operator=(const PaintBuffer_t&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Row stride in pixels: the width rounded up to even (4-byte rows).
    int Pitch() const { return pitch_; }
    // Row table: Rows()[y][x] is pixel (x, y); null when the height is 0.
    uint16_t** Rows() const { return rows_; }

    // The font DrawText uses; returns the one selected before. Not owned.
    plat::Font* SelectFont(plat::Font* font);
    plat::Font* SelectedFont() const { return font_; }

    // ---- whole buffer
    // Restores the picture kept by SaveBackground, else fills with keyColour
    // (the spare pixel of odd-width rows included).
    void Clear();
    // Keeps the current pixels; later Clear calls restore them.
    void SaveBackground();
    // Shows the buffer in the main window (one whole frame).
    void Paint() const;
    // Nothing to do here: a presented frame needs no validation.
    void Validate() const {}

    // ---- rectangles: inclusive corners, clipped to the buffer
    void FillRect(int left, int top, int right, int bottom, uint16_t pixel);
    // Halves each channel: p -> (p & 0xF79F) >> 1.
    void DarkenRect(int left, int top, int right, int bottom);
    // One-pixel line from (x1, y1) toward (x2, y2), the end point itself not
    // drawn (as the system's two-point line), clipped; colour is a
    // 0x00BBGGRR reference.
    void DrawLine(int x1, int y1, int x2, int y2, uint32_t colourRef);

    // ---- copies
    // Places source's top-left corner at (x, y); pixels equal to the
    // source's keyColour are not written. Null source: nothing.
    void CopyKeyed(int x, int y, const PaintBuffer_t* source);
    // Stretches a compiled-in bitmap over the whole buffer. Only
    // kLogoResource exists; false for any other id.
    bool DrawBitmapResource(int id);
    // CopyKeyed of NoImage, centred (70 x UiScale square). Null: nothing.
    void DrawNoImage();
    // Maps the whole source onto [left, right) x [top, bottom).
    void StretchFrom(int left, int top, int right, int bottom, const PaintBuffer_t* source);

    // ---- text (the selected font; colours are 0x00BBGGRR references;
    // background kNoBackground draws no box, else the clipped box is filled)
    // One line in the box [left, right) x [top, bottom), vertically
    // centred, aligned by flags & 3, clipped to the box and the buffer.
    // Glyph edges never blend a pixel holding keyColour (a label's
    // magenta): it becomes the text colour at 50% coverage or more, else
    // stays the key, so keyed copies show no fringe. The box drawn for a
    // background is the clipped box without its right column and bottom
    // row, as the system's rectangle.
    void DrawText(const char16_t* text, int flags, int left, int top, int right, int bottom,
                  uint32_t colour, int32_t background);
    // The same with a font sized to the box: height = clipped box height,
    // width = min(4 h / 7, (right - left) / (characters + 4)).
    void DrawTextFit(const char16_t* text, int flags, int left, int top, int right, int bottom,
                     uint32_t colour, int32_t background);
    // Renders the entry's display name with UiFont into a new label
    // (measured width + 4) x NameDrop, key magenta, FNAME colour, and hands
    // it to the entry, replacing its old label. Null entry: nothing.
    void SetPictureName(Picture_t* entry);

    // ---- skin images
    // Loads an image file (chosen by extension) over the whole buffer by
    // pixel replication with dithering. False, buffer unchanged, when the
    // file cannot be opened; a file ending early leaves the rest as it was.
    bool LoadFromPng(const char16_t* path);
    // Writes a lit copy of source (at least as large as this buffer; else
    // nothing happens). Key-coloured pixels are copied unchanged.
    void ApplyLight(const PaintBuffer_t* source, LightMap_t* map);

    // ---- picture entries (render/EntryDrawing.cpp)
    void DrawIcon(Picture_t* entry, int cx, int cy, float scale, int turns);
    void DrawPicture(Picture_t* entry, float panX, float panY, float zoom, int rotation, int tilt);
    void DrawWheelItem(Picture_t* entry, int slot, int scroll, float phase);

    // ---- pixel format
    // 0x00RRGGBB from a pixel (bit 5 dropped) and back (bit 5 clear).
    static uint32_t PixelToRgb(uint16_t p);
    static uint16_t RgbToPixel(uint32_t rgb);
    // 8-bit channels to a pixel with random dithering (one noise draw).
    static uint16_t DitherPixel(uint8_t r, uint8_t g, uint8_t b);
    // The next byte of the process-wide 5678-byte noise table (cyclic).
    // Safe from any thread.
    static uint8_t NextDitherNoise();
    // The RGB565 value the window shows for a 0x00BBGGRR reference (what
    // system drawing writes; bit 5 may be set).
    static uint16_t ColourRefToPixel(uint32_t colourRef);

private:
    int height_ = 0;
    int width_ = 0;
    int pitch_ = 0;
    uint16_t** rows_ = nullptr;
    uint32_t* pixels_ = nullptr;        // height x pitch pixels, 4-byte aligned
    uint16_t** savedRows_ = nullptr;
    uint32_t* savedPixels_ = nullptr;   // made by the first SaveBackground
    plat::Font* font_ = nullptr;

    // Memory of height x pitch pixels plus its row table; fatal when short.
    void CreateSurface(uint16_t*** rows, uint32_t** pixels);
    // Pixel count of the surface in 32-bit words.
    uint64_t SurfaceWords() const { return ((uint64_t)height_ * (uint64_t)pitch_ + 1) / 2; }
    bool ClipRect(int* left, int* top, int* right, int* bottom) const;
};

// The shared "no" image (70 x UiScale square, key magenta); null until
// start-up makes it.
extern PaintBuffer_t* NoImage;
