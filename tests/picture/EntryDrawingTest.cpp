// Drawing of entries: icon turns, the flip's back side, the curve's edge.
#include "PictureTestSupport.h"
#include "render/PaintBuffer.h"

using EntryDrawingTest = PictureTest;

static void Fill(PaintBuffer_t& b, uint16_t v) {
    for (int y = 0; y < b.Height(); y++)
        for (int x = 0; x < b.Width(); x++) b.Rows()[y][x] = v;
}

// An entry whose slot is dark with a red 2 x 2 top-left corner, marked
// ready (a quarter turn samples the corner one pixel in).
static void MarkedIcon(Picture_t* p) {
    p->AllocIcon();
    for (int y = 0; y < IconSize; y++)
        for (int x = 0; x < IconSize; x++) p->IconRows()[y][x] = 0x0841;
    p->IconRows()[0][0] = p->IconRows()[0][1] = p->IconRows()[1][0] = p->IconRows()[1][1] = 0xF800;
    p->SetFlags(ICON_READY);
}

TEST_F(EntryDrawingTest, IconTurnsClockwise) {
    Picture_t p(KIND_PICTURE);
    MarkedIcon(&p);
    PaintBuffer_t buf(120, 120);
    Fill(buf, 0);
    buf.DrawIcon(&p, 60, 60, 0.5f, 0);
    EXPECT_EQ(buf.Rows()[0][0], 0xF800);
    EXPECT_EQ(p.iconCorners[2].x, 0);
    EXPECT_EQ(p.iconCorners[1].y, 120);
    Fill(buf, 0);
    buf.DrawIcon(&p, 60, 60, 0.5f, 1);
    EXPECT_EQ(buf.Rows()[0][119], 0xF800);
    EXPECT_EQ(buf.Rows()[2][117], 0x0841);
    EXPECT_NE(buf.Rows()[1][1], 0xF800);
    EXPECT_TRUE(p.HitIcon(0, 0));
    EXPECT_TRUE(p.HitIcon(120, 120));
    EXPECT_FALSE(p.HitIcon(121, 60));
}

TEST_F(EntryDrawingTest, EntryWithoutThumbnailUsesTheSkinIcon) {
    Picture_t skin(KIND_PICTURE);
    MarkedIcon(&skin);
    skin.ClearFlags(ICON_READY);  // skin icons are never marked ready
    SkinImage = &skin;
    Picture_t p(KIND_PICTURE);
    PaintBuffer_t buf(120, 120);
    Fill(buf, 0);
    buf.DrawIcon(&p, 60, 60, 0.5f, 0);
    EXPECT_EQ(buf.Rows()[0][0], 0xF800);
    SkinImage = nullptr;
    Fill(buf, 0);
    Picture_t folder(KIND_FOLDER);
    buf.DrawIcon(&folder, 60, 60, 0.5f, 0);  // no skin folder icon: nothing
    EXPECT_EQ(buf.Rows()[60][60], 0);
}

TEST_F(EntryDrawingTest, PictureFacingAwayIsNotDrawn) {
    std::string file = dir + "/p.jpg";
    ASSERT_TRUE(WriteJpeg(file, 320, 240, BrightGradient));
    Picture_t* p = Entry(file);
    p->LoadNow(false);
    PaintBuffer_t buf(240, 320);
    for (int tilt : {90, 180, 270, -90}) {
        Fill(buf, 0);
        buf.DrawPicture(p, 0, 0, 1.0f, 0, tilt);
        int drawn = 0;
        for (int y = 0; y < 320; y++)
            for (int x = 0; x < 240; x++) drawn += buf.Rows()[y][x] != 0;
        EXPECT_EQ(drawn, 0) << tilt;
    }
    Fill(buf, 0);
    buf.DrawPicture(p, 0, 0, 1.0f, 0, 0);
    EXPECT_NE(buf.Rows()[160][120], 0);
    EXPECT_EQ(p->viewCorners[2].x, 0);
    EXPECT_EQ(p->viewCorners[1].y, 320);
    // Tilted almost edge-on: a narrow strip around the middle.
    Fill(buf, 0);
    buf.DrawPicture(p, 0, 0, 1.0f, 0, 89);
    EXPECT_NE(buf.Rows()[160][120], 0);
    EXPECT_EQ(buf.Rows()[160][100], 0);
    EXPECT_LE(p->viewCorners[1].x - p->viewCorners[0].x, 6);
    delete p;
}

TEST_F(EntryDrawingTest, WheelItemBeyondTheCurveIsOffScreen) {
    Picture_t p(KIND_FOLDER);
    MarkedIcon(&p);
    PaintBuffer_t buf(240, 320);
    int s = 240, g = ((320 - s / 2 - s / 16) * 720) / (3 * s);
    int slot = 10;
    int scroll = slot * 180 - 3 * (g + 181);  // p = g + 181
    buf.DrawWheelItem(&p, slot, scroll, 1.0f);
    EXPECT_EQ(p.iconCorners[0].x, -1);
    EXPECT_EQ(p.iconCorners[3].v, -1);
    buf.DrawWheelItem(&p, slot, scroll + 3, 1.0f);  // p = g + 180: still drawn
    EXPECT_NE(p.iconCorners[0].x, -1);
}

TEST_F(EntryDrawingTest, FolderRisingFromBelowIsDrawnAtItsStart) {
    Picture_t folder(KIND_FOLDER);
    MarkedIcon(&folder);
    Picture_t picture(KIND_PICTURE);
    MarkedIcon(&picture);
    PaintBuffer_t buf(240, 320);
    picture.iconCorners[0].x = 77;
    buf.DrawWheelItem(&picture, 0, 0, -2.0f);  // pictures are not drawn then
    EXPECT_EQ(picture.iconCorners[0].x, 77);
    for (float phase : {-3.0f, -3.5f, -3.999f, -4.0f, -6.0f}) {
        buf.DrawWheelItem(&folder, 0, 0, phase);
        const QuadCorner* c = folder.iconCorners;
        EXPECT_EQ(c[0].x + c[1].x, 240) << phase;  // centred: X = 0 below -3
        EXPECT_GT(c[1].x - c[0].x, 0) << phase;
    }
    buf.DrawWheelItem(&folder, 0, 0, -3.5f);
    int y35 = folder.iconCorners[0].y;
    buf.DrawWheelItem(&folder, 0, 0, -4.0f);
    EXPECT_EQ(folder.iconCorners[0].y, y35);  // between -4 and -3 it rests at the start
}

TEST_F(EntryDrawingTest, ReadyThumbnailReplacesThePictureLabel) {
    Picture_t p(KIND_PICTURE);
    p.SetLabel(new PaintBuffer_t(20, 16));
    PaintBuffer_t buf(240, 320);
    buf.DrawWheelItem(&p, 0, 0, 1.0f);
    EXPECT_NE(p.Label(), nullptr);
    MarkedIcon(&p);
    buf.DrawWheelItem(&p, 0, 0, 1.0f);
    EXPECT_EQ(p.Label(), nullptr);
}
