// The interface end to end: keys, pen strokes, the wheel and the buttons'
// commands reaching the running program, checked by its state and frames.
#include <algorithm>
#include <vector>

#include "RunningProgram.h"
#include "app/Input.h"
#include "browser/Repaint.h"
#include "render/PaintBuffer.h"

namespace e2e {
namespace {

using Interface = RunningProgram;


struct Step {
    int current, turn;
    bool operator==(const Step& o) const { return current == o.current && turn == o.turn; }
};
std::vector<Step> drawn;  // interface thread only
void RecordStep(const uint16_t*, int, int) { drawn.push_back({TheBrowser->Current, TheBrowser->Turn}); }

TEST_F(Interface, TheCurveTurnsOneEntryInSixFramesTowardTheShownEntry) {
    Start(Pictures(10));
    OnLoop([] {
        TheBrowser->Pause(true);
        TheBrowser->Current = 3;
        TheBrowser->Shown = 7;
        TheBrowser->Pause(false);
        drawn.clear();
        headless::SetPresentHook(RecordStep);
        RequestRepaint(true);
    });
    Settle();
    OnLoop([] { headless::SetPresentHook(nullptr); });
    std::vector<Step> expected{{3, 0}};
    for (int c = 4; c <= 7; c++)
        for (int turn = -150; turn <= 0; turn += 30) expected.push_back({c, turn});
    ASSERT_GE(drawn.size(), expected.size());
    // Later frames (thumbnails arriving) only repeat the state at rest.
    for (size_t i = expected.size(); i < drawn.size(); i++) EXPECT_EQ(drawn[i], (Step{7, 0}));
    drawn.resize(expected.size());
    EXPECT_EQ(drawn, expected);
}

TEST_F(Interface, DraggingTheCurveTurnsItAndItSettlesOnTheNearestEntry) {
    Start(Pictures(20));
    int hit = 0;
    OnLoop([&] { hit = TheBrowser->HitEntry(200, 315); });
    ASSERT_EQ(hit, -1);
    // The first movement only classifies the stroke; a quarter width then
    // turns the curve by 375 degrees: two entries on, 15 past the second.
    headless::InjectPenDown(200, 315);
    headless::InjectPenMove(180, 315);
    headless::InjectPenMove(120, 315);
    int turn = 0, selected = 0;
    bool dragging = false;
    OnLoop([&] {
        turn = TheBrowser->Turn;
        selected = TheBrowser->Selected();
        dragging = TheBrowser->Flags & PM_DRAGGING;
    });
    EXPECT_EQ(GestureState(), 12);
    EXPECT_TRUE(dragging);
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(turn, 15);
    headless::InjectPenUp(120, 315);
    Settle();
    EXPECT_EQ(Selected(), 2);
    // The wheel turned toward the user moves on, away moves back.
    headless::InjectWheel(-3);
    Settle();
    EXPECT_EQ(Selected(), 5);
    headless::InjectWheel(1);
    Settle();
    EXPECT_EQ(Selected(), 4);

    // A stroke above the bottom strip does nothing.
    int back = 0;
    OnLoop([&] { hit = TheBrowser->HitEntry(120, 284), back = TheBrowser->HitBack(120, 284); });
    ASSERT_EQ(hit, -1);
    ASSERT_EQ(back, -1);
    Stroke({{120, 284}, {140, 284}, {200, 284}});
    Settle();
    EXPECT_EQ(Selected(), 4);
}

TEST_F(Interface, DraggingPastTheLastEntryStopsThereAndEasesBack) {
    Start(Pictures(3));
    headless::InjectPenDown(220, 315);
    headless::InjectPenMove(200, 315);
    headless::InjectPenMove(20, 315);
    int turn = 0;
    OnLoop([&] { turn = TheBrowser->Turn; });
    EXPECT_EQ(turn, 90);
    EXPECT_EQ(Selected(), 2);
    headless::InjectPenUp(20, 315);
    Settle();
    EXPECT_EQ(Selected(), 2);

    // A list of one entry drags the same way.
    headless::InjectPenDown(220, 315);
    headless::InjectPenMove(200, 315);
    headless::InjectPenMove(40, 315);
    headless::InjectPenUp(40, 315);
    Settle();
    EXPECT_EQ(Selected(), 2);
}

std::vector<float> grows;  // interface thread only

// The centre of an entry's icon as last drawn.
std::pair<int, int> IconCentre(const Picture_t* e) {
    return {(e->iconCorners[2].x + e->iconCorners[1].x) / 2, (e->iconCorners[2].y + e->iconCorners[1].y) / 2};
}

TEST_F(Interface, TapsOpenEntriesAndClimbAncestorsDownClimbsAndClosesTheView) {
    Start(Pictures(4), 240, 320, {"Trip"});
    std::pair<int, int> tap;
    OnLoop([&] { tap = IconCentre(TheBrowser->Pic[1]); });  // p00.jpg, right of the folder
    Stroke({tap});
    OnLoop([] {});
    EXPECT_EQ(Mode(), 1);
    EXPECT_EQ(Selected(), 1);
    // Escape acts as Down: the view closes.
    headless::InjectKey(plat::KEY_ESCAPE);
    OnLoop([] {});
    EXPECT_EQ(Mode(), 0);
    EXPECT_EQ(Selected(), 1);

    // The folder entry opens as the new folder on view, stopping the scanner
    // that listed its parent; on its way it flies into the ancestor stack.
    OnLoop([&] {
        tap = IconCentre(TheBrowser->Pic[0]);
        grows.clear();
        headless::SetPresentHook([](const uint16_t*, int, int) { grows.push_back(TheBrowser->Grow); });
    });
    Stroke({tap});
    OnLoop([] { headless::SetPresentHook(nullptr); });
    ASSERT_GT(grows.size(), 2u);
    EXPECT_GE(*std::min_element(grows.begin(), grows.end()), 1.0f);
    EXPECT_FLOAT_EQ(*std::max_element(grows.begin(), grows.end()), 3.0f);
    std::u16string path;
    OnLoop([&] { path = TheBrowser->Path; });
    EXPECT_EQ(TempFolder::Utf8(path), pics + "/Trip");
    EXPECT_EQ(Mode(), 0);

    // Empty: the Action key does nothing.
    headless::InjectKey(plat::KEY_ACTION);
    OnLoop([&] { path = TheBrowser->Path; });
    EXPECT_EQ(TempFolder::Utf8(path), pics + "/Trip");
    EXPECT_EQ(Mode(), 0);

    // Tapping the parent's slot on the ancestor stack climbs to it.
    OnLoop([&] { tap = IconCentre(TheBrowser->Back[1]); });
    Stroke({tap});
    OnLoop([&] { path = TheBrowser->Path; });
    EXPECT_EQ(TempFolder::Utf8(path), pics);

    // Down climbs one folder.
    headless::InjectKey(plat::KEY_DOWN);
    OnLoop([&] { path = TheBrowser->Path; });
    EXPECT_EQ(TempFolder::Utf8(path), temp.Path());
}

TEST_F(Interface, PictureViewStrokesStepPanZoomAndTurn) {
    Start(Pictures(3));
    headless::InjectKey(plat::KEY_ACTION);
    Settle();
    ASSERT_EQ(Mode(), 1);
    ASSERT_EQ(Selected(), 0);

    // Along the bottom edge to the left: the next picture.
    Stroke({{100, 310}, {60, 312}});
    EXPECT_EQ(Selected(), 1);
    // A small movement in the middle is no gesture yet.
    headless::InjectPenDown(120, 160);
    headless::InjectPenMove(122, 161);
    OnLoop([] {});
    EXPECT_EQ(GestureState(), 1);
    headless::InjectPenUp(122, 161);
    // The same stroke higher up pans instead.
    headless::InjectPenDown(100, 200);
    headless::InjectPenMove(60, 202);
    OnLoop([] {});
    EXPECT_EQ(GestureState(), 3);
    headless::InjectPenUp(60, 202);
    EXPECT_EQ(Selected(), 1);

    // The left strip zooms by the movement since the previous move.
    float zoom[3] = {};
    headless::InjectPenDown(10, 100);
    headless::InjectPenMove(12, 120);
    OnLoop([&] { zoom[0] = TheBrowser->Zoom; });
    headless::InjectPenMove(12, 144);
    OnLoop([&] { zoom[1] = TheBrowser->Zoom; });
    headless::InjectPenMove(12, 168);
    OnLoop([&] { zoom[2] = TheBrowser->Zoom; });
    headless::InjectPenUp(12, 168);
    // The first zooming move counts from the pen-down point.
    EXPECT_FLOAT_EQ(zoom[0], 1.0f);
    EXPECT_FLOAT_EQ(zoom[1], 1.0f / (1.0f + 44 / 240.0f));
    EXPECT_FLOAT_EQ(zoom[2], zoom[1] / 1.1f);

    // Magnified, a pan moves the picture and stays within the limits.
    Stroke({{120, 160}, {150, 190}, {180, 220}});
    float x = 0, y = 0;
    OnLoop([&] { x = TheBrowser->OffsetX, y = TheBrowser->OffsetY; });
    EXPECT_LT(x, 0.0f);
    EXPECT_GT(x, -0.5f);
    // Back at the fitted size any pan is undone at the next frame.
    OnLoop([] { TheBrowser->Zoom = TheBrowser->TargetZoom = 1.0f; });
    Stroke({{120, 160}, {150, 190}, {180, 220}});
    OnLoop([] {});  // the frame the pan asked for is queued behind this
    OnLoop([&] { x = TheBrowser->OffsetX, y = TheBrowser->OffsetY; });
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);

    // Down the right edge: a quarter turn back; up it: forward again.
    int angle = 0;
    Stroke({{235, 100}, {236, 140}});
    OnLoop([&] { angle = TheBrowser->Angle; });
    EXPECT_EQ(angle, -90);
    Stroke({{235, 140}, {236, 100}});
    OnLoop([&] { angle = TheBrowser->Angle; });
    EXPECT_EQ(angle, 0);

    // The wheel and + / - zoom through the same path; - undoes +.
    headless::InjectKey(plat::KEY_PLUS);
    OnLoop([&] { zoom[0] = TheBrowser->Zoom; });
    EXPECT_FLOAT_EQ(zoom[0], 1.0f / 1.25f);
    headless::InjectWheel(-1);
    Settle();
    OnLoop([&] { zoom[0] = TheBrowser->Zoom; });
    EXPECT_FLOAT_EQ(zoom[0], 1.0f);
}

// The refusal image drawn centred over a frame: its opaque pixels match.
bool ShowsNoImage(const std::vector<uint16_t>& frame, int width, int height) {
    const PaintBuffer_t* no = NoImage;
    int x0 = (width - no->Width()) / 2, y0 = (height - no->Height()) / 2, opaque = 0;
    for (int y = 0; y < no->Height(); y++)
        for (int x = 0; x < no->Width(); x++) {
            uint16_t p = no->Rows()[y][x];
            if (p == no->keyColour) continue;
            opaque++;
            if (frame[(size_t)(y0 + y) * width + x0 + x] != p) return false;
        }
    return opaque > 0;
}

TEST_F(Interface, ARefusedStepShowsTheRefusalImageAndChangesNothing) {
    Start(Pictures(2), 240, 320, {"Trip"});
    // Folder first: in the view, stepping back onto it is refused.
    OnLoop([] { TheBrowser->Current = 1; });
    headless::InjectKey(plat::KEY_ACTION);
    Settle();
    ASSERT_EQ(Mode(), 1);
    for (int key : {plat::KEY_LEFT, plat::KEY_PAGEUP}) {
        uint32_t t0 = plat::TickCount();
        headless::InjectKey(key);
        OnLoop([] {});
        EXPECT_GE(plat::TickCount() - t0, 500u);
        EXPECT_EQ(Selected(), 1);
        std::vector<std::vector<uint16_t>> frames = headless::RecentFrames();
        bool shown = false;
        for (const auto& f : frames) shown = shown || ShowsNoImage(f, 240, 320);
        EXPECT_TRUE(shown);
    }
    // Space steps on like Right; past the last picture it is refused.
    headless::InjectKey(plat::KEY_SPACE);
    EXPECT_EQ(Selected(), 2);
    headless::InjectKey(plat::KEY_RIGHT);
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Mode(), 1);
}

TEST_F(Interface, UpOpensAndClosesTheMenuOfEachMode) {
    Start(Pictures(2));
    int menu = 0;
    headless::InjectKey(plat::KEY_UP);
    OnLoop([&] { menu = TheBrowser->Menu; });
    EXPECT_EQ(menu, 0);
    headless::InjectKey(plat::KEY_UP);
    OnLoop([&] { menu = TheBrowser->Menu; });
    EXPECT_EQ(menu, -1);
    // A stroke up from the bottom edge opens it too.
    Stroke({{120, 315}, {121, 250}});
    OnLoop([&] { menu = TheBrowser->Menu; });
    EXPECT_EQ(menu, 0);
    // Its "back" button closes it: the tap lights it and posts 41001.
    int back = -1;
    int x = 0, y = 0;
    OnLoop([&] {
        for (int k = 0; k < TheBrowser->ButtonCount; k++)
            if (TheBrowser->ButtonRow[k][0] == 41001) back = k;
        x = (TheBrowser->ButtonRect[back][0] + TheBrowser->ButtonRect[back][2]) / 2;
        y = (TheBrowser->ButtonRect[back][1] + TheBrowser->ButtonRect[back][3]) / 2;
    });
    ASSERT_GE(back, 0);
    Stroke({{x, y}});
    OnLoop([] {});
    OnLoop([&] { menu = TheBrowser->Menu; });
    EXPECT_EQ(menu, -1);

    headless::InjectKey(plat::KEY_ACTION);
    headless::InjectKey(plat::KEY_UP);
    OnLoop([&] { menu = TheBrowser->Menu; });
    EXPECT_EQ(menu, 5);
    // While a menu is up, strokes are not gestures.
    headless::InjectPenDown(120, 160);
    headless::InjectPenMove(180, 220);
    OnLoop([] {});
    EXPECT_EQ(GestureState(), 0);
    headless::InjectPenUp(180, 220);
    // The rotate button swaps the menu for the pop-up with one "back": the
    // bar slides out, then in again.
    OnLoop([] {
        grows.clear();
        headless::SetPresentHook([](const uint16_t*, int, int) { grows.push_back(TheBrowser->MenuSlide); });
    });
    plat::PostMessage(42005);
    OnLoop([] { headless::SetPresentHook(nullptr); });
    ASSERT_GT(grows.size(), 2u);
    for (float slide : grows) {
        EXPECT_GE(slide, 0.0f);
        EXPECT_LE(slide, 1.0f);
    }
    EXPECT_GT(*std::max_element(grows.begin(), grows.end()), 0.9f);
    EXPECT_EQ(grows.back(), 0.0f);
    float popup = 0;
    OnLoop([&] { menu = TheBrowser->Menu, popup = TheBrowser->PopupSlide; });
    EXPECT_EQ(menu, 14);
    EXPECT_EQ(popup, 1.0f);
    // A tap on the pop-up chooses a turn and takes pop-up and menu away.
    Stroke({{120, 40}});
    OnLoop([&] { menu = TheBrowser->Menu, popup = TheBrowser->PopupSlide; });
    EXPECT_EQ(menu, -1);
    EXPECT_EQ(popup, 0.0f);
    // "back" closes the menu and the pop-up in one slide.
    headless::InjectKey(plat::KEY_UP);
    plat::PostMessage(42005);
    plat::PostMessage(41001);
    OnLoop([&] { menu = TheBrowser->Menu, popup = TheBrowser->PopupSlide; });
    EXPECT_EQ(menu, -1);
    EXPECT_EQ(popup, 0.0f);
    EXPECT_EQ(Selected(), 0);
}

TEST_F(Interface, InputQueuedDuringAnimationsAndLoadingIsHandledInOrder) {
    Start(Pictures(5));
    // All at once: open, zoom and pan before the picture is decoded, step
    // while the next one loads, turn, step back, close.
    headless::InjectKey(plat::KEY_ACTION);
    Stroke({{10, 100}, {12, 130}, {12, 220}});
    Stroke({{120, 160}, {160, 200}, {200, 240}});
    headless::InjectKey(plat::KEY_RIGHT);
    headless::InjectKey(plat::KEY_RIGHT);
    Stroke({{235, 100}, {236, 140}});
    headless::InjectKey(plat::KEY_LEFT);
    headless::InjectKey(plat::KEY_DOWN);
    Settle();
    int angle = 1;
    OnLoop([&] { angle = TheBrowser->Angle; });
    EXPECT_EQ(Mode(), 0);
    EXPECT_EQ(Selected(), 1);
    // The turn was given to a landscape picture: the next one opens turned.
    EXPECT_EQ(angle, -90);
}

TEST_F(Interface, ATurnCarriesToTheNextPictureOfTheSameOrientation) {
    Start({{"testorig.jpg", "a.jpg"}, {"grayscale_long.jpg", "b.jpg"}, {"video-001.jpeg", "c.jpg"}});
    headless::InjectKey(plat::KEY_ACTION);
    Stroke({{235, 140}, {236, 100}});  // up the right edge: +90
    int angles[3] = {};
    OnLoop([&] { angles[0] = TheBrowser->Angle; });
    headless::InjectKey(plat::KEY_RIGHT);  // the portrait keeps its own
    OnLoop([&] { angles[1] = TheBrowser->Angle; });
    headless::InjectKey(plat::KEY_RIGHT);  // the next landscape opens turned
    OnLoop([&] { angles[2] = TheBrowser->Angle; });
    EXPECT_EQ(angles[0], 90);
    EXPECT_EQ(angles[1], 0);
    EXPECT_EQ(angles[2], 90);
}

TEST_F(Interface, EveryKeyStrokeAndCommandIsSafeWithNothingSelected) {
    Start({}, 240, 320, {});
    for (int mode : {0, 1}) {
        OnLoop([&] { TheBrowser->Mode = mode; });
        for (int key : {plat::KEY_ACTION, plat::KEY_LEFT, plat::KEY_RIGHT, plat::KEY_UP, plat::KEY_UP,
                        plat::KEY_PLUS, plat::KEY_MINUS, plat::KEY_SPACE, plat::KEY_BACKSPACE})
            headless::InjectKey(key);
        headless::InjectWheel(2);
        headless::InjectWheel(-1);
        Stroke({{120, 315}, {140, 315}, {200, 315}});
        Stroke({{10, 100}, {12, 130}, {12, 200}});
        Stroke({{235, 100}, {236, 140}});
        Stroke({{200, 230}, {160, 200}, {120, 170}});
        Stroke({{100, 310}, {60, 312}});
        for (int command : {41003, 41005, 41004, 41001, 42001, 42002, 42003, 42004, 42005, 41001, 41006, 41007, 41002})
            plat::PostMessage(command);
        plat::PostMessage(42006, 0, 3);
        plat::PostMessage(42006, 0, 9);
        Settle();
        int count = -1, menu = 0;
        std::u16string path;
        OnLoop([&] { count = TheBrowser->Count, menu = TheBrowser->Menu, path = TheBrowser->Path; });
        EXPECT_EQ(TempFolder::Utf8(path), pics);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(menu, -1);
    }
}

}  // namespace
}  // namespace e2e
