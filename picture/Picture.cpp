// Picture_t: identity, sizes and the fit to the screen.
#include "picture/Picture.h"

#include <cmath>
#include <new>

#include "app/Globals.h"
#include "browser/Bookmark.h"
#include "render/PaintBuffer.h"
#include "settings/Config.h"
#include "util/Diagnostics.h"
#include "util/Text.h"

Picture_t* SkinImage = nullptr;
Picture_t* SkinFolder = nullptr;
Picture_t* SkinFolderBm = nullptr;

static void ClearCorners(QuadCorner* c) {
    for (int i = 0; i < 4; i++) c[i] = QuadCorner{-1, -1, -1, -1};
}

static char16_t kNoText[1] = {0};

// Stores text in *slot, cut at 511 units: in place when it fits the block's
// capacity, else in a new block of its length.
static void StoreText(char16_t** slot, int* capacity, const char16_t* text) {
    int n = 0;
    if (text)
        while (n < kPathUnits - 1 && text[n]) n++;
    if (n + 1 > *capacity) {
        char16_t* block = new (std::nothrow) char16_t[n + 1];
        if (!block) ReportOutOfMemory(u".Picture_t.SetFileName", (uint64_t)(n + 1) * sizeof(char16_t));
        if (*capacity > 0) delete[] *slot;
        *slot = block;
        *capacity = n + 1;
    }
    for (int i = 0; i < n; i++) (*slot)[i] = text[i];
    (*slot)[n] = 0;
}

void Picture_t::FreeTexts() {
    if (pathCapacity_ > 0) delete[] path_;
    if (nameCapacity_ > 0) delete[] name_;
    path_ = name_ = kNoText;
    pathCapacity_ = nameCapacity_ = 0;
}

Picture_t::Picture_t(int kind) : kind_(kind) {
    path_ = kNoText;
    name_ = kNoText;
    ClearCorners(iconCorners);
    ClearCorners(viewCorners);
    SetSize(0, 0);
}

void Picture_t::SetFileName(const char16_t* path) {
    StoreText(&path_, &pathCapacity_, path);
    char16_t title[kPathUnits];
    CopyWide(path_, title, kPathUnits);
    PathTitle(title);
    StoreText(&name_, &nameCapacity_, title);
    CheckBookmark();
}

void Picture_t::SetPath(const char16_t* path) { StoreText(&path_, &pathCapacity_, path); }

void Picture_t::SetDisplayName(const char16_t* name) { StoreText(&name_, &nameCapacity_, name); }

void Picture_t::CheckBookmark() {
    bookmarkIndex_ = -1;
    if (kind_ != KIND_FOLDER) return;
    for (int i = 0; i < kBookmarkSlots; i++) {
        const Bookmark_t* b = Bookmarks[i];
        if (!b || b->Empty()) continue;
        if (CompareNoCase(b->Folder(), path_) == 0) {
            bookmarkIndex_ = i;
            return;
        }
    }
}

void Picture_t::SetLabel(PaintBuffer_t* label) {
    if (label_ == label) return;
    delete label_;
    label_ = label;
}

void Picture_t::SetSize(int w, int h) {
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    float f = FitScale(w, h, MaxPicPixel);
    int scale = (int)(f * 16384.0f);
    // Stored sizes in 64 bits: a 65,535-pixel side times 16384 overflows 32.
    int width = (int)(((int64_t)w * scale) >> 14);
    int height = (int)(((int64_t)h * scale) >> 14);
    scale_.store(scale, std::memory_order_relaxed);
    decodedWidth_.store(w, std::memory_order_relaxed);
    decodedHeight_.store(h, std::memory_order_relaxed);
    sourceWidth_.store(w, std::memory_order_relaxed);
    sourceHeight_.store(h, std::memory_order_relaxed);
    width_.store(width, std::memory_order_relaxed);
    height_.store(height, std::memory_order_relaxed);
    rowBytes_.store(((2 * width + 3) / 4) * 4, std::memory_order_relaxed);
    width64_.store(width * 64, std::memory_order_relaxed);
    height64_.store(height * 64, std::memory_order_relaxed);
    memoryHeld_.store(0, std::memory_order_relaxed);
}

// Angles in whole degrees into 0..359.
static int ReduceAngle(int a) {
    if (a < 0) return 359 - ((-(int64_t)a - 1) % 360);
    return a % 360;
}

// The two fits of the turned picture: a by the width, b by the height.
static void Fits(int width64, int height64, int angle, float* a, float* b) {
    int i = ReduceAngle(angle);
    float W = (float)ScreenWidth, H = (float)ScreenHeight;
    float c = cosTable[i], s = sinTable[i];
    float cw = c * W, sh = s * H, ch = c * H, sw = s * W;
    float u = std::sqrt(cw * cw + sh * sh);
    float v = std::sqrt(ch * ch + sw * sw);
    *a = (float)width64 / u;
    *b = (float)height64 / v;
}

float Picture_t::FitZoom(int angle) const {
    if (DecodedWidth() == 0) return 0.0f;
    float a, b;
    Fits(Width64(), Height64(), angle, &a, &b);
    return b > a ? b : a;
}

float Picture_t::FitRatio(int angle) const {
    if (DecodedWidth() == 0) return 0.0f;
    float a, b;
    Fits(Width64(), Height64(), angle, &a, &b);
    return b > a ? b / a : a / b;
}

int Picture_t::FitByHeight(int angle) const {
    if (DecodedWidth() == 0) return 0;
    float a, b;
    Fits(Width64(), Height64(), angle, &a, &b);
    return b > a ? 1 : 0;
}

float Picture_t::MinZoom() const { return (float)ScreenWidth / (float)Width() * 0.5f; }

bool Picture_t::HitIcon(int x, int y) const {
    return iconCorners[2].x <= x && x <= iconCorners[1].x && iconCorners[2].y <= y && y <= iconCorners[1].y;
}

int Picture_t::SendByMail() const {
    MailRecord record{44, path_, 1};
    return ComposeMail(&record);
}
