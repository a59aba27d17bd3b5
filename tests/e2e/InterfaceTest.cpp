// The interface end to end: keys, pen strokes, the wheel and the buttons'
// commands reaching the running program, checked by its state and frames.
#include <algorithm>
#include <tuple>

#include "RunningProgram.h"
#include "app/Input.h"
#include "browser/Repaint.h"
#include "render/PaintBuffer.h"

namespace e2e {
namespace {

using Interface = RunningProgram;

std::vector<std::pair<int, int>> drawn;  // current and turn; interface thread only
std::vector<float> grows;                // interface thread only
std::vector<uint16_t> centres;           // interface thread only

// The centre of an entry's icon as last drawn.
std::pair<int, int> IconCentre(const Picture_t* e) {
    return {(e->iconCorners[2].x + e->iconCorners[1].x) / 2, (e->iconCorners[2].y + e->iconCorners[1].y) / 2};
}

TEST_F(Interface, TheCurveTurnsOneEntryInSixFramesTowardTheShownEntry) {
    Start(Pictures(10));
    // On, the next entry comes in at -180; back, the previous at +180.
    for (auto [from, to] : {std::pair{3, 7}, {7, 5}}) {
        OnLoop([from = from, to = to] {
            TheBrowser->Pause(true);
            TheBrowser->Current = from;
            TheBrowser->Shown = to;
            TheBrowser->Pause(false);
            drawn.clear();
            headless::SetPresentHook([](const uint16_t*, int, int) { drawn.push_back({TheBrowser->Current, TheBrowser->Turn}); });
            RequestRepaint(true);
        });
        Settle();
        OnLoop([] { headless::SetPresentHook(nullptr); });
        int d = to > from ? 1 : -1;
        std::vector<std::pair<int, int>> expected{{from, 0}};
        for (int c = from + d; c != to + d; c += d)
            for (int turn = 150; turn >= 0; turn -= 30) expected.push_back({c, -d * turn});
        ASSERT_GE(drawn.size(), expected.size());
        // Later frames (thumbnails arriving) only repeat the state at rest.
        for (size_t i = expected.size(); i < drawn.size(); i++) EXPECT_EQ(drawn[i], (std::pair{to, 0}));
        drawn.resize(expected.size());
        EXPECT_EQ(drawn, expected);
    }
}

TEST_F(Interface, DraggingTheCurveTurnsItAndItSettlesOnTheNearestEntry) {
    Start(Pictures(20));
    // The first movement only classifies the stroke; a quarter width then
    // turns the curve by 375 degrees: two entries on, 15 past the second.
    headless::InjectPenDown(200, 315);
    headless::InjectPenMove(180, 315);
    headless::InjectPenMove(120, 315);
    auto state = Get([] { return std::tuple{TheBrowser->Selected(), TheBrowser->Turn, bool(TheBrowser->Flags & PM_DRAGGING)}; });
    EXPECT_EQ(state, std::tuple(2, 15, true));
    EXPECT_EQ(GestureState(), 12);
    headless::InjectPenUp(120, 315);
    Settle();
    EXPECT_EQ(Selected(), 2);
    // The wheel turned toward the user moves on.
    headless::InjectWheel(-3);
    Settle();
    EXPECT_EQ(Selected(), 5);

    // A stroke above the bottom strip does nothing.
    ASSERT_EQ(Get([] { return TheBrowser->HitEntry(120, 284) + TheBrowser->HitBack(120, 284); }), -2);
    Stroke({{120, 284}, {140, 284}, {200, 284}});
    Settle();
    EXPECT_EQ(Selected(), 5);
}

TEST_F(Interface, TapsOpenEntriesAndClimbAncestorsDownClimbsAndClosesTheView) {
    Start(Pictures(4), {"Trip"});
    // The arrow in the top right corner steps to the next entry.
    Stroke({{226, 13}});
    OnLoop([] {});  // the command the lit button posted
    EXPECT_EQ(Selected(), 1);
    Stroke({Get([] { return IconCentre(TheBrowser->Pic[1]); })});  // p00.jpg
    EXPECT_EQ(Mode(), 1);
    EXPECT_EQ(Selected(), 1);
    // Escape acts as Down: the view closes.
    headless::InjectKey(plat::KEY_ESCAPE);
    EXPECT_EQ(Mode(), 0);
    EXPECT_EQ(Selected(), 1);

    // The folder entry opens as the new folder on view, stopping the scanner
    // that listed its parent; on its way it flies into the ancestor stack.
    std::pair<int, int> tap = Get([] { return IconCentre(TheBrowser->Pic[0]); });
    OnLoop([] {
        grows.clear();
        headless::SetPresentHook([](const uint16_t*, int, int) { grows.push_back(TheBrowser->Grow); });
    });
    Stroke({tap});
    OnLoop([] { headless::SetPresentHook(nullptr); });
    ASSERT_GT(grows.size(), 2u);
    EXPECT_GE(*std::min_element(grows.begin(), grows.end()), 1.0f);
    EXPECT_FLOAT_EQ(*std::max_element(grows.begin(), grows.end()), 3.0f);
    EXPECT_EQ(Folder(), pics + "/Trip");
    EXPECT_EQ(Mode(), 0);

    // Tapping the parent's slot on the ancestor stack climbs to it; Down
    // climbs one more.
    Stroke({Get([] { return IconCentre(TheBrowser->Back[1]); })});
    EXPECT_EQ(Folder(), pics);
    headless::InjectKey(plat::KEY_DOWN);
    EXPECT_EQ(Folder(), temp.Path());
}

TEST_F(Interface, PictureViewStrokesStepPanZoomAndTurn) {
    Start(Pictures(3));
    headless::InjectKey(plat::KEY_ACTION);
    Settle();
    ASSERT_EQ(Mode(), 1);

    // Along the bottom edge to the left: the next picture.
    Stroke({{100, 310}, {60, 312}});
    EXPECT_EQ(Selected(), 1);
    // A small movement in the middle is no gesture yet; the stroke along
    // the bottom edge higher up pans instead.
    for (auto [x, y, to, state] : {std::tuple{120, 160, 122, 1}, {100, 200, 60, 3}}) {
        headless::InjectPenDown(x, y);
        headless::InjectPenMove(to, y + 1);
        OnLoop([] {});
        EXPECT_EQ(GestureState(), state);
        headless::InjectPenUp(to, y + 1);
    }
    EXPECT_EQ(Selected(), 1);

    // The left strip zooms by the movement since the previous move; the
    // first zooming move counts from the pen-down point.
    auto zoom = [] { return TheBrowser->Zoom; };
    headless::InjectPenDown(10, 100);
    headless::InjectPenMove(12, 120);
    EXPECT_FLOAT_EQ(Get(zoom), 1.0f);
    headless::InjectPenMove(12, 144);
    EXPECT_FLOAT_EQ(Get(zoom), 1.0f / (1.0f + 44 / 240.0f));
    headless::InjectPenMove(12, 168);
    EXPECT_FLOAT_EQ(Get(zoom), 1.0f / (1.0f + 44 / 240.0f) / 1.1f);
    headless::InjectPenUp(12, 168);

    // Magnified, a pan moves the picture and stays within the limits.
    auto offset = [] { return std::pair{TheBrowser->OffsetX, TheBrowser->OffsetY}; };
    Stroke({{120, 160}, {150, 190}, {180, 220}});
    EXPECT_LT(Get(offset).first, 0.0f);
    // Back at the fitted size any pan is undone at the next frame.
    OnLoop([] { TheBrowser->Zoom = TheBrowser->TargetZoom = 1.0f; });
    Stroke({{120, 160}, {150, 190}, {180, 220}});
    OnLoop([] {});  // the frame the pan asked for is queued behind this
    EXPECT_EQ(Get(offset), (std::pair{0.0f, 0.0f}));

    // Down the right edge: a quarter turn back, every frame of it showing
    // the picture (at the centre, not the cleared screen); up it: forward
    // again.
    uint16_t cleared = Get([] {
        TheBrowser->PaintFull->Clear();
        return TheBrowser->PaintFull->Rows()[160][120];
    });
    OnLoop([] {
        centres.clear();
        headless::SetPresentHook([](const uint16_t* frame, int w, int) { centres.push_back(frame[160 * w + 120]); });
    });
    Stroke({{235, 100}, {236, 140}});
    OnLoop([] { headless::SetPresentHook(nullptr); });
    EXPECT_GE(centres.size(), 4u);
    EXPECT_EQ(std::count(centres.begin(), centres.end(), cleared), 0);
    EXPECT_EQ(Get([] { return TheBrowser->Angle; }), -90);
    Stroke({{235, 140}, {236, 100}});
    EXPECT_EQ(Get([] { return TheBrowser->Angle; }), 0);

    // The wheel and + / - zoom through the same path; - undoes +.
    headless::InjectKey(plat::KEY_PLUS);
    EXPECT_FLOAT_EQ(Get(zoom), 1.0f / 1.25f);
    headless::InjectWheel(-1);
    Settle();
    EXPECT_FLOAT_EQ(Get(zoom), 1.0f);
}

// The refusal image drawn centred over a frame: its opaque pixels match.
bool ShowsNoImage(const std::vector<uint16_t>& frame) {
    const PaintBuffer_t* no = NoImage;
    int x0 = (240 - no->Width()) / 2, y0 = (320 - no->Height()) / 2, opaque = 0;
    for (int y = 0; y < no->Height(); y++)
        for (int x = 0; x < no->Width(); x++) {
            uint16_t p = no->Rows()[y][x];
            if (p == no->keyColour) continue;
            opaque++;
            if (frame[(size_t)(y0 + y) * 240 + x0 + x] != p) return false;
        }
    return opaque > 0;
}

TEST_F(Interface, AtTheEndsOfTheListDragsStopAndStepsAreRefused) {
    Start(Pictures(2), {"Trip"});
    // Dragged past the last entry, the curve stops 90 degrees beyond it
    // and eases back.
    headless::InjectPenDown(220, 315);
    headless::InjectPenMove(200, 315);
    headless::InjectPenMove(20, 315);
    EXPECT_EQ(Get([] { return TheBrowser->Turn; }), 90);
    EXPECT_EQ(Selected(), 2);
    headless::InjectPenUp(20, 315);
    Settle();
    EXPECT_EQ(Selected(), 2);

    // Folder first: in the view, stepping back onto it is refused.
    OnLoop([] { TheBrowser->OpenView(true, 1); });
    Settle();
    ASSERT_EQ(Mode(), 1);
    uint32_t t0 = plat::TickCount();
    headless::InjectKey(plat::KEY_PAGEUP);
    OnLoop([] {});
    EXPECT_GE(plat::TickCount() - t0, 500u);
    EXPECT_EQ(Selected(), 1);
    std::vector<std::vector<uint16_t>> frames = headless::RecentFrames();
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), ShowsNoImage));
    // Space steps on like Right; past the last picture it is refused.
    headless::InjectKey(plat::KEY_SPACE);
    EXPECT_EQ(Selected(), 2);
    headless::InjectKey(plat::KEY_RIGHT);
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Mode(), 1);
}

TEST_F(Interface, UpAndAStrokeUpOpenTheMenuOfEachModeAndItsBackButtonClosesIt) {
    Start(Pictures(2));
    headless::InjectKey(plat::KEY_UP);
    EXPECT_EQ(Menu(), 0);
    headless::InjectKey(plat::KEY_UP);
    EXPECT_EQ(Menu(), -1);
    Stroke({{120, 315}, {121, 250}});  // up from the bottom edge
    EXPECT_EQ(Menu(), 0);
    for (int key : {plat::KEY_UP, plat::KEY_ACTION, plat::KEY_UP}) headless::InjectKey(key);  // close, open, up
    EXPECT_EQ(Menu(), 5);
    // While a menu is up, strokes are not gestures.
    headless::InjectPenDown(120, 160);
    headless::InjectPenMove(180, 220);
    OnLoop([] {});
    EXPECT_EQ(GestureState(), 0);
    headless::InjectPenUp(180, 220);
    // Its "back" button, where the view drew it: the tap lights it and
    // posts 41001.
    auto [x, y] = Get([] {
        for (int k = 0; k < TheBrowser->ButtonCount; k++)
            if (TheBrowser->ButtonRow[k][0] == 41001) {
                const int* r = TheBrowser->ButtonRect[k];
                return std::pair{(r[0] + r[2]) / 2, (r[1] + r[3]) / 2};
            }
        return std::pair{-1, -1};
    });
    ASSERT_GE(x, 0);
    Stroke({{x, y}});
    OnLoop([] {});
    EXPECT_EQ(Menu(), -1);

    // The rotate button swaps the menu for the pop-up with one "back",
    // which closes both.
    headless::InjectKey(plat::KEY_UP);
    plat::PostMessage(42005);
    auto overlay = [] { return std::pair{TheBrowser->Menu, TheBrowser->PopupSlide}; };
    EXPECT_EQ(Get(overlay), (std::pair{14, 1.0f}));
    plat::PostMessage(41001);
    EXPECT_EQ(Get(overlay), (std::pair{-1, 0.0f}));
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
    EXPECT_EQ(Mode(), 0);
    EXPECT_EQ(Selected(), 1);
    // The turn was given to a landscape picture: the next one opens turned.
    EXPECT_EQ(Get([] { return TheBrowser->Angle; }), -90);
}

TEST_F(Interface, ATurnCarriesToTheNextPictureOfTheSameOrientation) {
    Start({{"testorig.jpg", "a.jpg"}, {"grayscale_long.jpg", "b.jpg"}, {"video-001.jpeg", "c.jpg"}});
    headless::InjectKey(plat::KEY_ACTION);
    Stroke({{235, 140}, {236, 100}});  // up the right edge: +90
    auto angle = [] { return TheBrowser->Angle; };
    EXPECT_EQ(Get(angle), 90);
    for (int expected : {0, 90}) {  // the portrait keeps its own, the next landscape opens turned
        headless::InjectKey(plat::KEY_RIGHT);
        EXPECT_EQ(Get(angle), expected);
    }
}

TEST_F(Interface, EveryKeyStrokeAndCommandIsSafeWithNothingSelected) {
    Start({});
    for (int mode : {0, 1}) {
        OnLoop([&] { TheBrowser->Mode = mode; });
        // Refused steps pause: one key here, in the view the strokes below.
        for (int key : {plat::KEY_ACTION, plat::KEY_UP, plat::KEY_UP, plat::KEY_PLUS, plat::KEY_MINUS, plat::KEY_RIGHT})
            if (mode == 0 || key != plat::KEY_RIGHT) headless::InjectKey(key);
        headless::InjectWheel(2);
        headless::InjectWheel(-1);
        Stroke({{120, 315}, {140, 315}, {200, 315}});
        Stroke({{10, 100}, {12, 130}, {12, 200}});
        Stroke({{235, 100}, {236, 140}});
        Stroke({{200, 230}, {160, 200}, {120, 170}});
        Stroke({{100, 310}, {60, 312}});
        for (int command : {41003, 41005, 41004, 41001, 42001, 42002, 42003, 42004, 42005, 41001, 41002})
            plat::PostMessage(command);
        plat::PostMessage(42006, 0, 3);
        plat::PostMessage(42006, 0, 9);
        Settle();
        EXPECT_EQ(Folder(), pics);
        EXPECT_EQ(Get([] { return std::pair{(int)TheBrowser->Count, TheBrowser->Menu}; }), (std::pair{0, -1}));
    }
}

}  // namespace
}  // namespace e2e
