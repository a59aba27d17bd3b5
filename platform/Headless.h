// Test control of the headless backend: no window; presented frames are
// kept for inspection; events are injected; message boxes are answered from
// a queue the test fills. A box with no queued answer is a test failure:
// it is recorded, answered with its default, and reported through the
// failure hook.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace headless {

// Resets the backend: client size, no pending messages, no frames, no boxes.
void Reset(int width, int height);

// The last presented frame as RGB565, width x height, row-major.
std::vector<uint16_t> LastFrame();
int FramesPresented();
// The most recent frames, oldest first (at most kKeptFrames).
constexpr int kKeptFrames = 16;
std::vector<std::vector<uint16_t>> RecentFrames();
// Called on the presenting thread with every frame (null: none).
void SetPresentHook(void (*hook)(const uint16_t* pixels, int width, int height));

struct Box {
    std::u16string text, caption;
    unsigned type;
    int answer;
};
void QueueBoxAnswer(int answer);
std::vector<Box> Boxes();           // every box shown since Reset
int UnansweredBoxes();              // boxes that found no queued answer
void SetFailureHook(void (*hook)(const char* what));

// Injection (any thread): turned into the same messages as real input.
void InjectKey(int virtualKey);
void InjectCtrlQ();
void InjectPenDown(int x, int y);
void InjectPenMove(int x, int y);
void InjectPenUp(int x, int y);
void InjectClose();
void InjectWheel(int notches);
// A later start of the program handing over a path, as the single-instance
// socket delivers it: queued for TakeHandedPath, MSG_SHOWPATH posted.
void HandOver(const std::u16string& path);
// Messages of that number waiting in the queue.
int PendingMessages(uint32_t msg);
// Runs fn on the interface thread between two messages and waits for it:
// every message injected before has been handled when it runs. False when
// no loop took it within the bound.
bool RunOnLoop(void (*fn)(void*), void* arg, uint32_t timeoutMs = 60000);

// Overrides for the program's folders (empty string = the real one).
void SetProgramFile(const std::u16string& path);
void SetPicturesFolder(const std::u16string& path);
void SetTempFolder(const std::u16string& path);
void SetConfigFolder(const std::u16string& path);
void SetStorageCard(const std::u16string& path);
// Makes StorageCard report that there is none (whatever the machine has).
void SetNoStorageCard(bool none);
// One folder in place of the removable-media roots (u"/" for the root).
void SetRemovableMediaRoot(const std::u16string& path);

// The window's shown state (MainWindowVisible), the cursor last set, and
// how many times the wait cursor was put up since Reset.
void SetWindowVisible(bool visible);
bool WaitCursorShown();
int WaitCursorTimesShown();

// True while any loop runs.
bool LoopRunning();

}  // namespace headless
