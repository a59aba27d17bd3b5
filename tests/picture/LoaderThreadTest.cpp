// The background loader: stopping, priority, and destruction while other
// threads work on the entry. A holder of the high priority parks a loader
// before its next row, so no test races the machine's speed.
#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "PictureTestSupport.h"
#include "codec/Img.h"
#include "util/Diagnostics.h"
#include "platform/LoopControl.h"

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

static int CountFill(Picture_t* p) {
    int n = 0;
    for (int y = 0; y < p->Height(); y++)
        for (int x = 0; x < p->Width(); x++) n += p->Rows()[y][x] == 0x2104;
    return n;
}

// An entry handed to another thread, and whether that thread is done.
struct Job {
    Picture_t* entry;
    std::atomic<bool> done{false};
    template <void (*Work)(Picture_t*)>
    static int Run(void* arg) {
        Work(((Job*)arg)->entry);
        ((Job*)arg)->done.store(true);
        return 0;
    }
};
static void MakeThumbnail(Picture_t* p) { p->LoadForIcon(); }
static void FillFromCache(Picture_t* p) { p->LoadIcon(false); }
static void Destroy(Picture_t* p) { delete p; }

TEST_F(LoaderThreadTest, StoppedLoadKeepsItsRowsAndCanLoadAgain) {
    holder.SetHiPriority(true);
    Picture_t* p = Entry(big);
    p->Load(false);
    EXPECT_TRUE(p->HasFlags(PIC_LOADING));
    p->Unload(false);
    EXPECT_FALSE(p->HasFlags(PIC_LOADING | PIC_LOADED | PIC_STOP));
    ASSERT_TRUE(p->HasBitmap());
    EXPECT_EQ(CountFill(p), 1200 * 900);  // partial: nothing decoded yet

    holder.SetHiPriority(false);
    p->Load(false);
    ASSERT_TRUE(Eventually([p] { return p->HasFlags(PIC_LOADED); }));
    p->Pause(true);
    EXPECT_EQ(CountFill(p), 0);
    p->Pause(false);
    p->Release();
    EXPECT_FALSE(p->HasBitmap() || p->HasFlags(PIC_LOADED));

    holder.SetHiPriority(true);
    p->Load(false);
    ASSERT_TRUE(p->HasFlags(PIC_LOADING));
    delete p;  // ASan/TSan: the loader is stopped and gone before the memory
    EXPECT_EQ(Picture_t::HiPriorityEntry(), &holder);  // left with its holder
    holder.SetHiPriority(false);
}

TEST_F(LoaderThreadTest, HighPriorityLoadGoesFirst) {
    std::unique_ptr<Picture_t> first(Entry(big)), second = Make("other.jpg", 640, 480);
    first->Load(true);
    EXPECT_EQ(Picture_t::HiPriorityEntry(), first.get());
    second->Load(false);
    ASSERT_TRUE(Eventually([&] { return second->HasFlags(PIC_LOADED); }));
    // The second waited before each row while the first had priority.
    EXPECT_TRUE(first->HasFlags(PIC_LOADED));
    EXPECT_EQ(Picture_t::HiPriorityEntry(), nullptr);
}

// A decoder that takes its time over the first row and then waits for the
// test at the second, so the test looks while the load is under way.
struct SlowRows : Img_t {
    std::atomic<int> reached{-1};
    std::atomic<bool> go{false};
    int Open(const char*) override {
        OutWidth = SrcWidth = 8;
        OutHeight = SrcHeight = 3;
        return 1;
    }
    int ReadRow(uint8_t* dest) override {
        int row = RowsDone++;
        if (row == 0) plat::Sleep(400);  // longer than the repaint interval
        reached = row;
        while (row == 1 && !go) plat::Sleep(1);
        std::fill(dest, dest + 3 * OutWidth, 0x80);
        return row;
    }
};

// A picture on view is repainted while it loads (every 330 ms), not only
// when it is complete; a picture nobody looks at is not.
TEST_F(LoaderThreadTest, PictureOnViewIsRepaintedWhileItLoads) {
    for (bool onView : {true, false}) {
        SCOPED_TRACE(onView);
        headless::Reset(240, 320);
        std::unique_ptr<Picture_t> p(Entry(big));
        if (onView) p->SetFlags(WANT_PICTURE);
        SlowRows decoder;
        std::thread load([&] { p->LoadImg(&decoder, false); });
        ASSERT_TRUE(Eventually([&] { return decoder.reached == 1; }));
        EXPECT_FALSE(p->HasFlags(PIC_LOADED));
        EXPECT_EQ(plat::ClaimPaintPost(), !onView);  // false: a paint is pending
        decoder.go = true;
        load.join();
        EXPECT_TRUE(p->HasFlags(PIC_LOADED));
    }
}

TEST_F(LoaderThreadTest, DestroyingAnEntryWaitsForItsThumbnail) {
    holder.SetHiPriority(true);
    Job make{Entry(big)}, destroy{make.entry};
    plat::Thread* maker = plat::StartThread(Job::Run<MakeThumbnail>, &make, 6);
    ASSERT_TRUE(Eventually([&] { return make.entry->HasFlags(ICON_FOR_LOADING) && make.entry->HasIcon(); }));
    plat::Thread* destroyer = plat::StartThread(Job::Run<Destroy>, &destroy, 0);
    plat::Sleep(50);
    EXPECT_FALSE(destroy.done.load());  // blocked: the maker still holds the entry
    holder.SetHiPriority(false);
    plat::JoinThread(maker);
    plat::JoinThread(destroyer);
    EXPECT_TRUE(make.done.load() && destroy.done.load());
    EXPECT_EQ(IconPool->FreeCount(), IconPool->SlotCount());
}

TEST_F(LoaderThreadTest, ThumbnailMakerLeavesAThumbnailBeingReadFromTheCache) {
    std::unique_ptr<Picture_t>(Entry(big))->LoadForIcon();
    // A 21st byte the cache itself never writes: it survives only as long
    // as nobody writes the side file again.
    std::string side = Cached(big) + ".dat";
    std::ofstream(side, std::ios::binary | std::ios::app).put('!');
    ASSERT_EQ(std::filesystem::file_size(side), 21u);  // and the cache was made

    holder.SetHiPriority(true);  // parks the cache reader at its first row
    Job read{Entry(big)}, make{read.entry};
    plat::Thread* reader = plat::StartThread(Job::Run<FillFromCache>, &read, 6);
    ASSERT_TRUE(Eventually([&] { return read.entry->HasFlags(ICON_CACHED) && read.entry->HasIcon(); }));
    plat::Thread* maker = plat::StartThread(Job::Run<MakeThumbnail>, &make, 6);
    ASSERT_TRUE(Eventually([&] { return read.entry->HasFlags(ICON_FOR_LOADING); }));
    holder.SetHiPriority(false);
    plat::JoinThread(reader);
    plat::JoinThread(maker);
    // The maker found the thumbnail the reader had filled and left it alone.
    EXPECT_TRUE(read.entry->HasFlags(ICON_READY));
    EXPECT_FALSE(read.entry->HasFlags(ICON_FOR_LOADING | ICON_LOADING));
    EXPECT_EQ(std::filesystem::file_size(side), 21u);
    delete read.entry;
    EXPECT_EQ(IconPool->FreeCount(), IconPool->SlotCount());
}

TEST_F(LoaderThreadTest, ReloadOfAChangedFileRetiresTheOldBitmapUntilReleased) {
    // A stopped partial load keeps its bitmap; the file then changes size.
    holder.SetHiPriority(true);
    Picture_t* p = Entry(big);
    p->Load(false);
    p->Unload(false);
    uint16_t **oldRows, **rows;
    int w, h;
    p->Pause(true);
    ASSERT_TRUE(p->Bitmap(&oldRows, &w, &h));
    p->Pause(false);
    EXPECT_EQ(w, 1200);
    ASSERT_TRUE(WriteJpeg(big, 600, 400, BrightGradient));
    p->Load(false);  // parks before its first row, after making the new bitmap
    p->Pause(true);
    ASSERT_TRUE(p->Bitmap(&rows, &w, &h));
    p->Pause(false);
    EXPECT_EQ(w, 600);
    EXPECT_EQ(h, 400);
    EXPECT_NE(rows, oldRows);
    // A painter that took the old rows under the lock may still read them.
    EXPECT_EQ(oldRows[899][1199], 0x2104);
    holder.SetHiPriority(false);
    ASSERT_TRUE(Eventually([p] { return p->HasFlags(PIC_LOADED); }));
    p->Release();
    EXPECT_FALSE(p->HasBitmap());
    delete p;
}

// A read that does not return, as on a hung network mount, until the test
// lets it; then a row into the entry's row buffer (ASan: still there).
struct HungRead : Img_t {
    static inline std::atomic<int> made{0};
    static inline std::atomic<bool> reached{false}, release{false}, gone{false};
    HungRead() { made++; }
    ~HungRead() override { gone = true; }
    int Open(const char*) override {
        OutWidth = SrcWidth = 64;
        OutHeight = SrcHeight = 8;
        return 1;
    }
    int ReadRow565(uint16_t* dest) override {
        reached = RowsDone == 1;
        while (RowsDone == 1 && !release) plat::Sleep(1);
        std::fill(dest, dest + OutWidth, 0x07E0);
        return RowsDone++;
    }
};

// The stop and the destructor wait for the loader only within the bound:
// one report, then the loader is left running with the entry, whose rows,
// slot and memory are never freed under it.
TEST_F(LoaderThreadTest, LoaderStuckInAReadIsLeftWithWhatItWritesInto) {
    LoadDecoderHook = [](const char16_t*) -> Img_t* { return new HungRead; };
    Picture_t* p = Entry(big);
    p->AllocIcon();
    p->Load(false);
    ASSERT_TRUE(Eventually([] { return HungRead::reached.load(); }));
    uint16_t** rows;
    int w, h;
    p->Pause(true);
    ASSERT_TRUE(p->Bitmap(&rows, &w, &h));
    p->Pause(false);
    LoaderWaitLimitMs = 0;
    headless::QueueBoxAnswer(plat::ID_OK);
    p->Unload(false);
    EXPECT_TRUE(p->HasFlags(PIC_STOP));
    p->Load(false);  // no second loader on the same rows, and no second wait
    delete p;
    LoaderWaitLimitMs = kWaitLimitMs;
    LoadDecoderHook = nullptr;
    ASSERT_EQ(headless::Boxes().size(), 1u);
    EXPECT_EQ(headless::Boxes()[0].text, u".Unload Kill");
    EXPECT_EQ(HungRead::made.load(), 1);
    EXPECT_EQ(IconPool->FreeCount(), IconPool->SlotCount() - 1);  // the slot is not lent again
    HungRead::release = true;
    ASSERT_TRUE(Eventually([] { return HungRead::gone.load(); }));
    EXPECT_EQ(rows[1][63], 0x07E0);  // the row it read landed in the kept bitmap
}
