// Drawing of entries: icon turns, the flip's back side, the curve's edge.
#include <array>

#include "PictureTestSupport.h"
#include "browser/Bookmark.h"
#include "render/PaintBuffer.h"

class EntryDrawingTest : public PictureTest {
protected:
    PaintBuffer_t buf{240, 320};
    void Clear() { std::fill(buf.Rows()[0], buf.Rows()[0] + 240 * 320, 0); }
};

// A ready slot: dark, a red 2 x 2 top-left corner (a quarter turn samples one pixel in).
static void MarkedIcon(Picture_t* p) {
    p->AllocIcon();
    for (int y = 0; y < IconSize; y++) std::fill(p->IconRows()[y], p->IconRows()[y] + IconSize, 0x0841);
    p->IconRows()[0][0] = p->IconRows()[0][1] = p->IconRows()[1][0] = p->IconRows()[1][1] = 0xF800;
    p->SetFlags(ICON_READY);
}

TEST_F(EntryDrawingTest, IconTurnsClockwiseAndFallsBackToTheSkinIcon) {
    Picture_t p(KIND_PICTURE);
    MarkedIcon(&p);
    Clear();
    buf.DrawIcon(&p, 60, 60, 0.5f, 1);
    // BL takes BR's source point, BR TR's, TR TL's, TL BL's (G = 120: 7680).
    const QuadCorner* c = p.iconCorners;
    EXPECT_EQ((std::array{c[0].u, c[0].v, c[1].u, c[1].v, c[2].u, c[2].v, c[3].u, c[3].v}),
              (std::array{7680, 7680, 7680, 0, 0, 7680, 0, 0}));
    buf.DrawIcon(&p, 60, 60, 0.5f, 2);  // half a turn: each takes the opposite corner's
    EXPECT_EQ((std::array{c[0].u, c[0].v, c[1].u, c[1].v, c[2].u, c[2].v, c[3].u, c[3].v}),
              (std::array{7680, 0, 0, 0, 7680, 7680, 0, 7680}));
    Clear();
    buf.DrawIcon(&p, 60, 60, 0.5f, 1);
    EXPECT_EQ((std::array{buf.Rows()[0][119], buf.Rows()[2][117]}), (std::array<uint16_t, 2>{0xF800, 0x0841}));
    EXPECT_NE(buf.Rows()[1][1], 0xF800);
    EXPECT_TRUE(p.HitIcon(0, 0) && p.HitIcon(120, 120) && !p.HitIcon(121, 60));

    p.ClearFlags(ICON_READY);  // skin icons are never marked ready
    SkinImage = &p;
    Picture_t bare(KIND_PICTURE), folder(KIND_FOLDER);
    Clear();
    buf.DrawIcon(&bare, 60, 60, 0.5f, 0);
    EXPECT_EQ(buf.Rows()[0][0], 0xF800);
    SkinImage = nullptr;
    Clear();
    buf.DrawIcon(&folder, 60, 60, 0.5f, 0);  // no skin folder icon: nothing
    EXPECT_EQ(buf.Rows()[60][60], 0);
}

// Corners worked out by hand for a 320 x 240 picture on the 240 x 320
// buffer (W64 20480, H64 15360).
TEST_F(EntryDrawingTest, PictureCornersFollowPanTurnZoomAndTiltAndItsBackIsNotDrawn) {
    std::unique_ptr<Picture_t> p = Make("p.jpg", 320, 240);
    p->LoadNow(false);
    ASSERT_EQ(p->Width(), 320);
    for (int tilt : {90, 180, 270, -90}) {  // facing away
        Clear();
        buf.DrawPicture(p.get(), 0, 0, 1.0f, 0, tilt);
        EXPECT_EQ(std::count(buf.Rows()[0], buf.Rows()[0] + 240 * 320, 0), 240 * 320) << tilt;
    }
    buf.DrawPicture(p.get(), 0, 0, 1.0f, 0, 89);  // almost edge-on: a narrow strip
    EXPECT_TRUE(buf.Rows()[160][120] != 0 && buf.Rows()[160][100] == 0);
    EXPECT_LE(p->viewCorners[1].x - p->viewCorners[0].x, 6);
    // A quarter turn fills the buffer exactly: fit zoom 64. Pan a = 0.25,
    // b = -0.125, both by the width: centre u 5120 + 10240, v -2559 + 7680.
    // Zoom 0.5: k 32. Corner 0 (x -120, y 160) turned clockwise:
    // u = -160 k + 15360, v = -120 k + 5121.
    buf.DrawPicture(p.get(), 0.25f, -0.125f, 0.5f, 90, 0);
    const QuadCorner* c = p->viewCorners;
    EXPECT_EQ((std::array{c[0].x, c[0].y, c[0].u, c[0].v}), (std::array{0, 320, 10240, 1281}));
    EXPECT_EQ((std::array{c[3].x, c[3].y, c[3].u, c[3].v}), (std::array{240, 0, 20480, 8961}));
    // Upright, tilted 30 degrees: fit zoom 20480 / 240; X = cos 30 x + 120;
    // the left edge (depth 1.1) comes nearer than the right (depth 0.9):
    // v = 7680 + 13653.3 f.
    buf.DrawPicture(p.get(), 0, 0, 1.0f, 0, 30);
    EXPECT_EQ((std::array{c[0].x, c[0].y, c[0].u, c[0].v}), (std::array{16, 320, 0, 22699}));
    EXPECT_EQ((std::array{c[1].x, c[1].y, c[1].u, c[1].v}), (std::array{224, 320, 20480, 19968}));
}

TEST_F(EntryDrawingTest, WheelItemsTheirLabelsTheCurveEdgeAndRisingFromBelow) {
    Picture_t folder(KIND_FOLDER), picture(KIND_PICTURE);
    MarkedIcon(&folder);
    picture.SetFileName(u"/p/a.jpg");  // the label is rendered when first drawn, not listed
    EXPECT_EQ(picture.Label(), nullptr);
    for (bool ready : {false, true, false}) {  // a ready thumbnail replaces it; given back, the name shows again
        if (ready) MarkedIcon(&picture);
        else picture.FreeIcon();
        buf.DrawWheelItem(&picture, 0, 0, 1.0f);
        EXPECT_EQ(picture.Label() == nullptr, ready);
    }
    EXPECT_EQ(picture.Label()->Height(), NameDrop);
    int g = ((320 - 120 - 15) * 720) / (3 * 240);
    int scroll = 10 * 180 - 3 * (g + 181);  // slot 10 at p = g + 181: off screen
    buf.DrawWheelItem(&folder, 10, scroll, 1.0f);
    EXPECT_TRUE(folder.iconCorners[0].x == -1 && !folder.Label());  // nothing rendered off screen
    buf.DrawWheelItem(&folder, 10, scroll + 3, 1.0f);  // p = g + 180: still drawn
    EXPECT_TRUE(folder.iconCorners[0].x != -1 && folder.Label());

    // The lower arc, worked out by hand: g 185, p = g + 60 = 245 (scroll
    // -735), q 30: X = cos 30 x 90 = 78, Y = sin 30 x 60 + 95 = 125, scale
    // dropTable[60] = 0.25 cos(30)^0.7 = 0.226: half edge 27. Mirrored on
    // the left (scroll 735).
    for (auto [scroll, left] : {std::pair{-735, 171}, {735, 15}}) {
        buf.DrawWheelItem(&folder, 0, scroll, 1.0f);
        const QuadCorner* c = folder.iconCorners;
        EXPECT_EQ((std::array{c[0].x, c[0].y, c[3].x, c[3].y}), (std::array{left, 272, left + 54, 218})) << scroll;
    }

    int start = 0;
    for (float phase : {-3.0f, -3.5f, -3.999f, -4.0f, -6.0f}) {
        buf.DrawWheelItem(&folder, 0, 0, phase);
        const QuadCorner* c = folder.iconCorners;
        EXPECT_EQ(c[0].x + c[1].x, 240) << phase;  // centred: X = 0 below -3
        EXPECT_GT(c[1].x - c[0].x, 0) << phase;
        if (phase == -3.5f) start = c[0].y;
        EXPECT_TRUE(phase != -4.0f || c[0].y == start) << phase;  // between -4 and -3 it rests at the start
    }
}
