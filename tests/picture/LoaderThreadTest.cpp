// The background loader: stopping, priority, and destruction while other
// threads work on the entry.
#include <fstream>

#include "PictureTestSupport.h"

class LoaderThreadTest : public PictureTest {
protected:
    std::string big;
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

TEST_F(LoaderThreadTest, StoppedLoadKeepsItsRowsAndCanLoadAgain) {
    // Another entry holds the priority, so the loader waits before its first
    // row until it is stopped: no race with the machine's speed.
    Picture_t holder(KIND_PICTURE);
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
    EXPECT_FALSE(p->HasBitmap());
    EXPECT_FALSE(p->HasFlags(PIC_LOADED));
    delete p;
}

TEST_F(LoaderThreadTest, HighPriorityLoadGoesFirst) {
    std::string other = dir + "/other.jpg";
    ASSERT_TRUE(WriteJpeg(other, 640, 480, BrightGradient));
    Picture_t* first = Entry(big);
    Picture_t* second = Entry(other);
    first->Load(true);
    EXPECT_EQ(Picture_t::HiPriorityEntry(), first);
    second->Load(false);
    ASSERT_TRUE(Eventually([second] { return second->HasFlags(PIC_LOADED); }));
    // The second waited before each row while the first had priority.
    EXPECT_TRUE(first->HasFlags(PIC_LOADED));
    EXPECT_EQ(Picture_t::HiPriorityEntry(), nullptr);
    delete second;
    delete first;
}

TEST_F(LoaderThreadTest, DestroyingALoadingEntryStopsAndJoinsItsLoader) {
    Picture_t holder(KIND_PICTURE);
    holder.SetHiPriority(true);
    Picture_t* p = Entry(big);
    p->Load(false);
    ASSERT_TRUE(p->HasFlags(PIC_LOADING));  // parked before its first row
    delete p;  // ASan/TSan: the loader is gone before the memory
    // The stopped loader left the priority with the entry that holds it.
    EXPECT_EQ(Picture_t::HiPriorityEntry(), &holder);
    holder.SetHiPriority(false);
    EXPECT_EQ(Picture_t::HiPriorityEntry(), nullptr);
}

struct MakeJob {
    Picture_t* entry;
    std::atomic<bool> done{false};
};

static int MakeThumbnail(void* arg) {
    MakeJob* job = (MakeJob*)arg;
    job->entry->LoadForIcon();
    job->done.store(true);
    return 0;
}

static int DestroyEntry(void* arg) {
    MakeJob* job = (MakeJob*)arg;
    delete job->entry;
    job->done.store(true);
    return 0;
}

TEST_F(LoaderThreadTest, DestroyingAnEntryWaitsForItsThumbnail) {
    Picture_t holder(KIND_PICTURE);
    holder.SetHiPriority(true);  // keeps the thumbnail maker at its first row
    MakeJob make{Entry(big)};
    plat::Thread* maker = plat::StartThread(MakeThumbnail, &make, 6);
    ASSERT_TRUE(Eventually([&] { return make.entry->HasFlags(ICON_FOR_LOADING) && make.entry->HasIcon(); }));
    MakeJob destroy{make.entry};
    plat::Thread* destroyer = plat::StartThread(DestroyEntry, &destroy, 0);
    plat::Sleep(50);
    EXPECT_FALSE(destroy.done.load());  // blocked: the maker still holds the entry
    holder.SetHiPriority(false);
    plat::JoinThread(maker);
    plat::JoinThread(destroyer);
    EXPECT_TRUE(make.done.load());
    EXPECT_TRUE(destroy.done.load());
    EXPECT_EQ(IconPool->FreeCount(), IconPool->SlotCount());
}

TEST_F(LoaderThreadTest, PreviewShowsTheThumbnailUntilRowsArrive) {
    Picture_t holder(KIND_PICTURE);
    Picture_t* p = Entry(big);
    p->LoadForIcon();
    ASSERT_TRUE(p->HasFlags(ICON_READY));
    holder.SetHiPriority(true);
    p->Load(false);
    p->Pause(true);
    // The thumbnail is stretched over the bitmap: no grey fill in the middle.
    EXPECT_NE(p->Rows()[450][600], 0x2104);
    p->Pause(false);
    p->Unload(false);
    holder.SetHiPriority(false);
    delete p;
}

TEST_F(LoaderThreadTest, ConcurrentSlotRequestsKeepOneSlot) {
    Picture_t* p = Entry(big);
    struct Job {
        Picture_t* p;
        static int Run(void* a) {
            for (int i = 0; i < 200; i++) {
                ((Picture_t*)a)->AllocIcon();
                ((Picture_t*)a)->FreeIcon();
            }
            return 0;
        }
    };
    plat::Thread* a = plat::StartThread(Job::Run, p, 4);
    plat::Thread* b = plat::StartThread(Job::Run, p, 4);
    plat::JoinThread(a);
    plat::JoinThread(b);
    p->FreeIcon();
    EXPECT_EQ(IconPool->FreeCount(), IconPool->SlotCount());
    delete p;
}

static int FillFromCache(void* arg) {
    MakeJob* job = (MakeJob*)arg;
    job->entry->LoadIcon(false);
    job->done.store(true);
    return 0;
}

TEST_F(LoaderThreadTest, ThumbnailMakerLeavesAThumbnailBeingReadFromTheCache) {
    Picture_t* first = Entry(big);
    first->LoadForIcon();
    ASSERT_TRUE(first->HasFlags(ICON_CACHED));
    delete first;
    // A 21st byte the cache itself never writes: it survives only as long
    // as nobody writes the side file again.
    std::string side = dir + "/cache" + big + ".dat";
    { std::ofstream(side, std::ios::binary | std::ios::app).put('!'); }
    ASSERT_EQ(std::filesystem::file_size(side), 21u);

    Picture_t holder(KIND_PICTURE);
    holder.SetHiPriority(true);  // parks the cache reader at its first row
    MakeJob read{Entry(big)};
    plat::Thread* reader = plat::StartThread(FillFromCache, &read, 6);
    ASSERT_TRUE(Eventually([&] { return read.entry->HasFlags(ICON_CACHED) && read.entry->HasIcon(); }));
    MakeJob make{read.entry};
    plat::Thread* maker = plat::StartThread(MakeThumbnail, &make, 6);
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
    Picture_t holder(KIND_PICTURE);
    holder.SetHiPriority(true);
    Picture_t* p = Entry(big);
    p->Load(false);
    p->Unload(false);
    uint16_t** oldRows;
    int w, h;
    p->Pause(true);
    ASSERT_TRUE(p->Bitmap(&oldRows, &w, &h));
    p->Pause(false);
    EXPECT_EQ(w, 1200);
    EXPECT_EQ(h, 900);
    ASSERT_TRUE(WriteJpeg(big, 600, 400, BrightGradient));

    // The loader parks before its first row, after making the new bitmap.
    p->Load(false);
    uint16_t** rows;
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
