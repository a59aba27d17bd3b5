// The picture transforms: rotation by quarter turns and crop, each writing
// a new JPEG file at the picture's full stored resolution. A transform
// decodes the source row by row, places every source pixel into an output
// image held in memory (MapPixel), then writes that image row by row. A
// progress bar along the bottom of the window shows the decoding in its
// left half and the encoding in its right half.
//
// No failure costs the user a file:
// - A transform whose output is its source (rotation) writes a hidden
//   temporary file in the picture's folder and puts it in place of the
//   picture, with the picture's permissions, only once the JPEG stream is
//   finished, flushed to disk and closed. Any failure leaves the picture
//   as it was and removes the temporary file.
// - Any other output (crop) is created exclusively, never over an existing
//   file, and removed again when the write fails part-way.
// - Only JPEG files are written: other sources (PNG) are refused before
//   any file is opened for writing.
// - A picture the decoder had to patch up (cut short, corrupt data) is
//   never written over itself; a crop of it is still made.
//
// One transform, one Process call, one thread (the interface thread).
#pragma once

#include <cstdint>

class Img_t;

// Where the progress bar goes: the window's size and interface scale.
// Process with no target draws no bar.
struct ProgressTarget {
    int width, height, scale;
};

// Messages of Process, as the user sees them.
extern const char16_t kMsgBadFileName[];
extern const char16_t kMsgInvalidFormat[];
extern const char16_t kMsgNoMemory[];
extern const char16_t kMsgUnableToSave[];
constexpr int kTransformMessageUnits = 64;

class PictureTransform_t {
public:
    PictureTransform_t();
    // Destroys the codec and the output image.
    virtual ~PictureTransform_t();

    // Source name and output name both become name.
    virtual void SetNames(const char16_t* name);
    // Places source pixel (X, Y) of SourceRow into OutRows. Base: nothing.
    virtual void MapPixel();
    // Sets OutWidth and OutHeight from SrcWidth and SrcHeight. Base: nothing.
    virtual void ComputeOutputSize();

    // The whole operation. message (kTransformMessageUnits units) gets ""
    // on success, else one of the messages above.
    void Process(const char16_t* name, char16_t* message, const ProgressTarget* target);

    char16_t SourceName[512];
    char16_t OutputName[512];
    const ProgressTarget* Target = nullptr;
    Img_t* Codec = nullptr;  // the decoder while reading, then the writer
    int SrcWidth = 0, SrcHeight = 0;
    int OutWidth = 0, OutHeight = 0;
    int X = 0;        // column of the source pixel being placed
    int Y = 0;        // row index of the source row being placed
    int Mode = 0;     // rotation: 1, 2 or 3; crop: the view's quarter turn 0..3
    uint8_t* SourceRow = nullptr;  // (SrcWidth + 4) x 4 bytes, R, G, B
    uint8_t** OutRows = nullptr;   // OutHeight rows of OutWidth x 3 bytes

    PictureTransform_t(const PictureTransform_t&) = delete;
    PictureTransform_t& operator=(const PictureTransform_t&) = delete;

protected:
    // Copies the source pixel X into output row r, column c; nothing
    // outside the output image.
    void Place(int r, int c);

private:
    // Reads the whole source into OutRows; message on failure.
    const char16_t* ReadSource();
    // Writes OutRows to OutputName as described above; message on failure.
    const char16_t* WriteOutput();
    void DrawProgress(int g);

    uint8_t* heap_ = nullptr;    // source row, row table and rows, in one block
    uint16_t* bar_ = nullptr;    // the progress bar's pixels
    uint16_t** barRows_ = nullptr;
    int lastProgress_ = -1;
};

// Mode 1 a quarter turn clockwise, 2 a half turn, 3 a quarter turn
// counter-clockwise; writes over the source.
class RotateTransform_t : public PictureTransform_t {
public:
    void MapPixel() override;
    void ComputeOutputSize() override;
};

// Columns Left <= x < Right and rows Top <= y < Bottom of the source, into
// "<base>_crop<ext>" beside it, or the first of "<base>_crop1<ext>",
// "<base>_crop2<ext>", ... that does not exist.
class CropTransform_t : public PictureTransform_t {
public:
    void SetNames(const char16_t* name) override;
    void MapPixel() override;
    // A crop wider than high inverts Upright first; then a set Upright
    // keeps the crop's own orientation, a clear one swaps the sides.
    void ComputeOutputSize() override;

    int Left = 0, Right = 0, Top = 0, Bottom = 0;
    int Upright = 0;
};
