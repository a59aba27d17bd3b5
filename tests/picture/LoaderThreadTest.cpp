// The background loader: stopping, priority, a stuck read, destruction. A holder of the
// high priority parks a loader before its next row: no test races the machine's speed.
#include <algorithm>
#include <atomic>
#include <thread>

#include "PictureTestSupport.h"
#include "codec/Img.h"
#include "platform/LoopControl.h"
#include "util/Diagnostics.h"

class LoaderThreadTest : public PictureTest {
protected:
    std::string big;
    Picture_t holder{KIND_PICTURE};
    void SetUp() override {
        PictureTest::SetUp();
        big = dir + "/big.jpg";
        ASSERT_TRUE(WriteJpeg(big, 1200, 900, BrightGradient));
    }
};

static int Count(Picture_t* p, uint16_t pixel) {
    int n = 0;
    for (int y = 0; y < p->Height(); y++) n += (int)std::count(p->Rows()[y], p->Rows()[y] + p->Width(), pixel);
    return n;
}

TEST_F(LoaderThreadTest, StoppedLoadKeepsItsPreviewAndAChangedFileRetiresIt) {
    holder.SetHiPriority(true);
    Picture_t* p = Entry(big);
    p->AllocIcon();  // a red thumbnail stands in over the rows until they come
    for (int y = 0; y < IconSize; y++) std::fill(p->IconRows()[y], p->IconRows()[y] + IconSize, 0xF800);
    p->SetFlags(ICON_READY);
    p->Load(false);
    p->Unload(false);
    EXPECT_FALSE(p->HasFlags(PIC_LOADING | PIC_LOADED | PIC_STOP));
    uint16_t **oldRows, **rows;
    int w, h;
    ASSERT_TRUE(p->Bitmap(&oldRows, &w, &h));
    EXPECT_EQ(Count(p, 0xF800), 1200 * 900);

    ASSERT_TRUE(WriteJpeg(big, 600, 400, BrightGradient));  // the file changes size
    p->Load(false);  // parks before its first row, after making the new bitmap
    p->Pause(true);
    ASSERT_TRUE(p->Bitmap(&rows, &w, &h));
    p->Pause(false);
    EXPECT_EQ(std::tuple(w, h, oldRows[899][1199]), std::tuple(600, 400, 0xF800));  // a painter may still read them
    holder.SetHiPriority(false);
    ASSERT_TRUE(Eventually([p] { return p->HasFlags(PIC_LOADED); }));
    EXPECT_EQ(Count(p, 0xF800) + Count(p, 0x2104), 0);
    p->Release();
    EXPECT_FALSE(p->HasBitmap() || p->HasFlags(PIC_LOADED) || p->MemoryHeld());

    p->Load(true);  // every other loader waits for it, until it ends
    EXPECT_EQ(Picture_t::HiPriorityEntry(), p);
    ASSERT_TRUE(Eventually([] { return Picture_t::HiPriorityEntry() == nullptr; }));
    p->Release();
    holder.SetHiPriority(true);
    p->Load(false);
    ASSERT_TRUE(p->HasFlags(PIC_LOADING));
    delete p;  // ASan/TSan: the loader is stopped and gone before the memory
    EXPECT_EQ(Picture_t::HiPriorityEntry(), &holder);  // left with its holder
    p = Entry(big);
    p->SetHiPriority(true);
    delete p;  // no loader to give priority up: the entry does
    EXPECT_EQ(Picture_t::HiPriorityEntry(), nullptr);
}

TEST_F(LoaderThreadTest, DestroyingAnEntryWaitsForItsThumbnail) {
    holder.SetHiPriority(true);  // parks the maker at its first row
    Picture_t* p = Entry(big);
    std::atomic<bool> destroyed{false};
    std::thread maker([p] { p->LoadForIcon(); });
    EXPECT_TRUE(Eventually([p] { return p->HasFlags(ICON_FOR_LOADING) && p->HasIcon(); }));
    std::thread destroyer([&] { delete p; destroyed = true; });
    plat::Sleep(50);
    EXPECT_FALSE(destroyed.load());  // blocked: the maker still holds the entry
    holder.SetHiPriority(false);
    maker.join();
    destroyer.join();
    EXPECT_EQ(IconPool->FreeCount(), IconPool->SlotCount());
}

// A Load that finds the entry loaded by another thread while it waited for
// the entry lock gives the lock back and starts nothing.
TEST_F(LoaderThreadTest, LoadFindingTheWorkDoneMeanwhileLetsGoOfTheEntry) {
    Picture_t* p = Entry(big);
    p->Pause(true);
    std::thread late([p] { p->Load(false); });
    plat::Sleep(20);  // late is waiting for the lock (if not, it sees the flag first)
    p->SetFlags(PIC_LOADED);
    p->Pause(false);
    late.join();
    EXPECT_FALSE(p->HasFlags(ICON_LOADING | PIC_LOADING));
    p->ClearFlags(ICON_LOADING);  // a lock left behind would stall the delete
    delete p;
}

// A read that does not return, as on a hung network mount, until the test
// lets it; then a row into the entry's row buffer (ASan: still there).
struct HungRead : Img_t {
    static inline std::atomic<HungRead*> last{nullptr};
    static inline std::atomic<int> made{0};
    static inline std::atomic<bool> gone{false};
    std::atomic<bool> reached{false}, release{false};
    int firstRowMs = 0;
    HungRead() { last = this; made++; }
    ~HungRead() override { gone = true; }
    int Open(const char*) override {
        OutWidth = SrcWidth = 64, OutHeight = SrcHeight = 8;
        return 1;
    }
    int ReadRow565(uint16_t* dest) override {
        if (RowsDone == 0) plat::Sleep(firstRowMs);
        reached = RowsDone == 1;
        while (RowsDone == 1 && !release) plat::Sleep(1);
        std::fill(dest, dest + OutWidth, 0x07E0);
        return RowsDone++;
    }
};

// A picture on view is repainted while it loads (every 330 ms); one nobody looks at is not.
TEST_F(LoaderThreadTest, PictureOnViewIsRepaintedWhileItLoads) {
    for (bool onView : {true, false}) {
        headless::Reset(240, 320);
        std::unique_ptr<Picture_t> p(Entry(big));
        if (onView) p->SetFlags(WANT_PICTURE);
        HungRead decoder;
        decoder.firstRowMs = 400;  // longer than the repaint interval
        std::thread load([&] { p->LoadImg(&decoder, false); });
        EXPECT_TRUE(Eventually([&] { return decoder.reached.load(); }));
        EXPECT_FALSE(p->HasFlags(PIC_LOADED));
        EXPECT_EQ(plat::ClaimPaintPost(), !onView) << onView;  // false: a paint is pending
        decoder.release = true;
        load.join();
        EXPECT_TRUE(p->HasFlags(PIC_LOADED));
    }
}

// The stop and the destructor wait for the loader only within the bound:
// one report, then the entry goes and leaves the loader, still inside its
// read, the arena it reads into (freed by the loader once the read returns).
TEST_F(LoaderThreadTest, LoaderStuckInAReadIsLeftWithWhatItWritesInto) {
    HungRead::made = 0;
    HungRead::gone = false;
    LoadDecoderHook = [](const char16_t*) -> Img_t* { return new HungRead; };
    Picture_t* p = Entry(big);
    p->AllocIcon();
    p->Load(false);
    ASSERT_TRUE(Eventually([] { return HungRead::made == 1 && HungRead::last.load()->reached; }));
    LoaderWaitLimitMs = 0;
    headless::QueueBoxAnswer(plat::ID_OK);
    p->Unload(true);
    EXPECT_TRUE(p->HasFlags(PIC_STOP) && p->HasBitmap());  // not freed under the read
    p->Load(false);  // no second loader on the same rows, and no second wait
    delete p;
    LoaderWaitLimitMs = kWaitLimitMs;
    LoadDecoderHook = nullptr;
    ASSERT_EQ(headless::Boxes().size(), 1u);
    EXPECT_EQ(headless::Boxes()[0].text, u".Unload Kill");
    EXPECT_TRUE(HungRead::made == 1 && !HungRead::gone);
    EXPECT_EQ(IconPool->FreeCount(), IconPool->SlotCount());
    HungRead::last.load()->release = true;  // LSan: the loader frees what it was left
    EXPECT_TRUE(Eventually([] { return HungRead::gone.load(); }));
}
