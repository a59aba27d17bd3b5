// Drawing of picture entries: an entry's icon, its decoded picture over the
// whole buffer, and an item of the browsing curve with its name label.
// Floating point only per corner; trigonometry from the start-up tables.
#include <cmath>
#include <cstdlib>

#include "app/Globals.h"
#include "picture/Picture.h"
#include "render/MapQuad.h"
#include "render/PaintBuffer.h"

// Whole degrees into 0..359.
static int Degrees(int a) {
    if (a < 0) return (int)((int64_t)a + 360 * ((-1 - (int64_t)a) / 360 + 1));
    return a % 360;
}

void PaintBuffer_t::DrawIcon(Picture_t* entry, int cx, int cy, float scale, int turns) {
    if (!entry) return;
    // A finished thumbnail, else the skin's icon for the kind.
    Picture_t* source = entry;
    if (!entry->HasFlags(ICON_READY)) {
        if (entry->Kind() == KIND_PICTURE)
            source = SkinImage;
        else if (entry->Kind() == KIND_FOLDER)
            source = entry->BookmarkIndex() == -1 ? SkinFolder : SkinFolderBm;
        else
            source = nullptr;
    }
    const int G = IconSize, g64 = 64 * IconSize;
    int h = (int)(G * scale + 0.5f);
    QuadCorner* c = entry->iconCorners;
    c[0] = QuadCorner{cx - h, cy + h, 0, g64};
    c[1] = QuadCorner{cx + h, cy + h, g64, g64};
    c[2] = QuadCorner{cx - h, cy - h, 0, 0};
    c[3] = QuadCorner{cx + h, cy - h, g64, 0};
    // Each quarter turn moves the source points on by one corner:
    // BL takes BR's, BR takes TR's, TR takes TL's, TL takes BL's.
    for (int t = 0; t < (turns & 3); t++) {
        int u0 = c[0].u, v0 = c[0].v;
        c[0].u = c[1].u, c[0].v = c[1].v;
        c[1].u = c[3].u, c[1].v = c[3].v;
        c[3].u = c[2].u, c[3].v = c[2].v;
        c[2].u = u0, c[2].v = v0;
    }
    if (!source || !source->IconRows()) return;
    // The lock keeps the slot from going back to the pool while it is read.
    source->Pause(true);
    uint16_t** icon = source->IconRows();
    if (icon) MapQuad(c[2], c[0], c[3], c[1], icon, G, G, Rows(), Width(), Height());
    source->Pause(false);
}

void PaintBuffer_t::DrawPicture(Picture_t* entry, float a, float b, float z, int d, int e) {
    if (!entry) return;
    d = Degrees(d);
    e = Degrees(e);
    if (e >= 90 && e <= 270) return;  // the picture faces away
    entry->Pause(true);
    const int W64 = entry->Width64(), H64 = entry->Height64();
    int cx = (int)(W64 * a + 0.5f) + W64 / 2;
    int cy = (int)(W64 * b + 0.5f) + H64 / 2;
    float k = entry->FitZoom(d) * z;
    float hw = Width() * 0.5f, hh = Height() * 0.5f;
    float cd = cosTable[d], sd = sinTable[d], ce = cosTable[e];
    float u[4], v[4];
    int X[4], Y[4];
    for (int i = 0; i < 4; i++) {
        float x = (i & 1) ? hw : -hw;
        float y = i < 2 ? hh : -hh;
        u[i] = (cd * x - sd * y) * k + cx;
        v[i] = (sd * x + cd * y) * k + cy;
        X[i] = (int)(ce * x + hw + 0.5f);
        Y[i] = (int)(y + hh + 0.5f);
    }
    float uc = (u[0] + u[1] + u[2] + u[3]) * 0.25f;
    float vc = (v[0] + v[1] + v[2] + v[3]) * 0.25f;
    // Perspective of the flip: the far edge shrinks along the picture's axis.
    bool alongV = std::fabs(sd) < 0.70710678f;
    for (int i = 0; i < 4; i++) {
        float f = (i & 1) ? depthTable[e] : depthTable[e + 180];
        if (alongV)
            v[i] = f * (v[i] - vc) + vc;
        else
            u[i] = f * (u[i] - uc) + uc;
    }
    QuadCorner* c = entry->viewCorners;
    for (int i = 0; i < 4; i++) c[i] = QuadCorner{X[i], Y[i], (int)(u[i] + 0.5f), (int)(v[i] + 0.5f)};
    // Rows and the sizes they were made for, read together under the lock:
    // the loader may be replacing them.
    uint16_t** rows;
    int w, h;
    if (entry->Bitmap(&rows, &w, &h)) MapQuad(c[2], c[0], c[3], c[1], rows, w, h, Rows(), Width(), Height());
    entry->Pause(false);
}

void PaintBuffer_t::DrawWheelItem(Picture_t* entry, int slot, int scroll, float phase) {
    if (!entry) return;
    const int s = Width() < Height() ? Width() : Height();
    const int f = s / 2, h = 3 * s / 8, G = IconSize;
    float e;
    if (phase < -0.000001f) {
        if (entry->Kind() == KIND_PICTURE) return;
        e = 1.0f;
    } else {
        e = phase;
    }
    int g = ((Height() - s / 2 - s / 16) * 720) / (3 * s);
    int q0 = (slot * 180 - scroll) / 3;
    int sigma = q0 < 0 ? -1 : 1;
    int p = std::abs(q0);
    if (p > g + 180) {
        for (int i = 0; i < 4; i++) entry->iconCorners[i] = QuadCorner{-1, -1, -1, -1};
        return;
    }
    int X, Y;
    float o;
    if (p < 90) {
        X = sigma * (int)(sinTable[p] * h * e + 0.5f);
        Y = -(int)((f - s / 4) * cosTable[p] * e + 0.5f);
        o = (cosTable[p] * cosTable[p] + 1.0f) * 0.25f;
    } else if (p < g) {
        X = (int)(sigma * h * e + 0.5f);
        Y = s * (p - 90) * 3 / 720;
        o = 0.25f;
    } else {
        int q = (p - g) / 2;
        X = sigma * (int)(cosTable[q] * h * e + 0.5f);
        Y = (int)((f - s / 4) * sinTable[q] * e + 0.5f) + s * (g - 90) * 3 / 720;
        o = dropTable[p - g];
    }
    if (phase < 0.0f) {
        if (phase >= -3.0f) {
            float r = 1.0f - (-phase - 1.0f) * 0.5f;
            X = (int)(X * r + 0.5f);
            Y = (int)(s / 8 * (1.0f - r) + Y * r + 0.5f);
            o = o * r + (1.0f - r) * 0.25f;
        } else {
            // Between -4 and -3 the factor is negative; it stands at 0 there
            // (the item rests at its starting place) instead of a power of a
            // negative number.
            float r = (-phase - 4.0f) * 0.25f;
            if (r < 0.0f) r = 0.0f;
            X = 0;
            Y = (int)(std::pow(r, 0.89f) * f + G / 4 + 0.5f);
            o = 0.25f - r * 0.1f;
        }
    }
    DrawIcon(entry, f + X, f + Y, o, 0);

    // A picture's thumbnail stands for its name: the label is no longer
    // needed once the thumbnail is ready (dropped here, on the one thread
    // that draws labels).
    if (entry->Kind() == KIND_PICTURE && entry->HasFlags(ICON_READY)) {
        entry->SetLabel(nullptr);
        return;
    }
    // Rendered the first time the entry is drawn, not when it is listed: a
    // large folder costs no text until its names come on screen.
    if (!entry->Label()) SetPictureName(entry);
    const PaintBuffer_t* label = entry->Label();
    if (!label) return;
    const QuadCorner* c = entry->iconCorners;
    int x = (c[0].x + c[1].x) / 2 - label->Width() / 2;
    int y = entry->Kind() == KIND_FOLDER ? (c[2].y + c[0].y - NameDrop) / 2 : c[0].y - NameDrop;
    CopyKeyed(x, y, label);
}
