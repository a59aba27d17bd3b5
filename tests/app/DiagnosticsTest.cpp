#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Headless.h"
#include "platform/Platform.h"
#include "util/Diagnostics.h"

namespace {

// Runs at exit in the child: the recorded boxes go to stderr, where the
// death test's pattern reads them (the texts are ASCII).
void DumpBoxes() {
    for (const headless::Box& b : headless::Boxes())
        fprintf(stderr, "box[%s|%s|%x]\n", std::string(b.caption.begin(), b.caption.end()).c_str(),
                std::string(b.text.begin(), b.text.end()).c_str(), b.type);
}

[[noreturn]] void RunOutOfMemory(bool indexed) {
    headless::Reset(240, 320);
    headless::QueueBoxAnswer(plat::ID_OK);
    atexit(DumpBoxes);
    // Above 4 GiB: a 32-bit format would print a wrapped or negative size.
    if (indexed) ReportOutOfMemoryAt(u".Picture_t.LoadImg:BufScl", 5ULL << 30, 3);
    ReportOutOfMemory(u".Bookmark_t.Bookmark_t:PaintBuffer", 5ULL << 30);
}

TEST(DiagnosticsDeathTest, OutOfMemoryShowsTheReportAndExitsWithOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* box = "box\\[Error\\|\\.Not enought memory \\(req:5368709120 free:[0-9]+\\): ";
    EXPECT_EXIT(RunOutOfMemory(false), testing::ExitedWithCode(1),
                std::string(box) + "\\.Bookmark_t\\.Bookmark_t:PaintBuffer\\|40030\\]");
    EXPECT_EXIT(RunOutOfMemory(true), testing::ExitedWithCode(1),
                std::string(box) + "\\.Picture_t\\.LoadImg:BufScl\\(3\\)\\|40030\\]");
}

// A wait that holds returns without a box; a sync error shows its box and
// hands back the answer, and the caller goes on.
TEST(Diagnostics, WaitForReturnsOnceTheTestHoldsAndSyncErrorsOnlyReport) {
    headless::Reset(240, 320);
    int polls = 0;
    EXPECT_TRUE(WaitFor([&] { return ++polls >= 3; }, u".never shown"));
    EXPECT_EQ(polls, 3);
    headless::QueueBoxAnswer(plat::ID_OK);
    EXPECT_EQ(ReportSyncError(u".Scan Cache end"), plat::ID_OK);
    auto boxes = headless::Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption + u"|" + boxes[0].text, u".Sync error!|.Scan Cache end");
    EXPECT_EQ(boxes[0].type, (unsigned)(plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TOPMOST));
}

}  // namespace
