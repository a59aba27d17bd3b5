// Headless window services: a client size instead of a window, kept frames
// instead of a screen, message boxes answered from a queue.
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

#include "platform/FrameCopy.h"
#include "platform/HandOver.h"
#include "platform/Headless.h"
#include "platform/Platform.h"
#include "platform/posix/FolderOverrides.h"

namespace headless {
void ClearQueue();
}

namespace {

std::mutex stateLock;  // guards everything below
int clientWidth = 240, clientHeight = 320;
bool windowExists, windowVisible = true, waitCursor;
int waitCursorShows;
int framesPresented;
std::vector<uint16_t> lastFrame;
int lastWidth, lastHeight;
std::deque<std::vector<uint16_t>> recentFrames;
void (*presentHook)(const uint16_t*, int, int);
std::deque<int> answers;
std::vector<headless::Box> boxes;
int unanswered;
void (*failureHook)(const char*);

// Stores the frame (lock held) and returns the hook to call unlocked.
void KeepFrame() {
    framesPresented++;
    recentFrames.push_back(lastFrame);
    if ((int)recentFrames.size() > headless::kKeptFrames) recentFrames.pop_front();
}

void Present(void (*hook)(const uint16_t*, int, int), const std::vector<uint16_t>& frame, int w, int h) {
    if (hook) hook(frame.data(), w, h);
}

}  // namespace

namespace headless {

void Reset(int width, int height) {
    {
        std::lock_guard<std::mutex> hold(stateLock);
        clientWidth = width;
        clientHeight = height;
        windowExists = false;
        windowVisible = true;
        waitCursor = false;
        waitCursorShows = 0;
        framesPresented = 0;
        lastFrame.clear();
        lastWidth = lastHeight = 0;
        recentFrames.clear();
        answers.clear();
        boxes.clear();
        unanswered = 0;
    }
    ClearQueue();
    plat::ClearHandedPaths();
}

std::vector<uint16_t> LastFrame() {
    std::lock_guard<std::mutex> hold(stateLock);
    return lastFrame;
}

int FramesPresented() {
    std::lock_guard<std::mutex> hold(stateLock);
    return framesPresented;
}

std::vector<std::vector<uint16_t>> RecentFrames() {
    std::lock_guard<std::mutex> hold(stateLock);
    return std::vector<std::vector<uint16_t>>(recentFrames.begin(), recentFrames.end());
}

void SetPresentHook(void (*hook)(const uint16_t*, int, int)) {
    std::lock_guard<std::mutex> hold(stateLock);
    presentHook = hook;
}

void QueueBoxAnswer(int answer) {
    std::lock_guard<std::mutex> hold(stateLock);
    answers.push_back(answer);
}

std::vector<Box> Boxes() {
    std::lock_guard<std::mutex> hold(stateLock);
    return boxes;
}

int UnansweredBoxes() {
    std::lock_guard<std::mutex> hold(stateLock);
    return unanswered;
}

void SetFailureHook(void (*hook)(const char* what)) {
    std::lock_guard<std::mutex> hold(stateLock);
    failureHook = hook;
}

void HandOver(const std::u16string& path) { plat::HandOverPath16(path.c_str()); }

void SetProgramFile(const std::u16string& path) { plat::SetFolderOverride(plat::FOLDER_PROGRAM_FILE, path.c_str()); }
void SetPicturesFolder(const std::u16string& path) { plat::SetFolderOverride(plat::FOLDER_PICTURES, path.c_str()); }
void SetTempFolder(const std::u16string& path) { plat::SetFolderOverride(plat::FOLDER_TEMP, path.c_str()); }
void SetConfigFolder(const std::u16string& path) { plat::SetFolderOverride(plat::FOLDER_CONFIG, path.c_str()); }
void SetStorageCard(const std::u16string& path) { plat::SetFolderOverride(plat::FOLDER_CARD, path.c_str()); }
void SetNoStorageCard(bool none) { plat::SetCardAbsent(none); }
void SetRemovableMediaRoot(const std::u16string& path) { plat::SetFolderOverride(plat::FOLDER_MEDIA, path.c_str()); }

void SetWindowVisible(bool visible) {
    std::lock_guard<std::mutex> hold(stateLock);
    windowVisible = visible;
}

bool WaitCursorShown() {
    std::lock_guard<std::mutex> hold(stateLock);
    return waitCursor;
}

int WaitCursorTimesShown() {
    std::lock_guard<std::mutex> hold(stateLock);
    return waitCursorShows;
}

}  // namespace headless

namespace plat {

bool InitDisplay() { return true; }

bool CreateMainWindow(const char16_t*, int* width, int* height) {
    std::lock_guard<std::mutex> hold(stateLock);
    windowExists = true;
    *width = clientWidth;
    *height = clientHeight;
    return true;
}

void DestroyMainWindow() {
    std::lock_guard<std::mutex> hold(stateLock);
    windowExists = false;
}

void SetMainWindowIcon(const unsigned char*, int) {}

void GetClientSize(int* width, int* height) {
    std::lock_guard<std::mutex> hold(stateLock);
    *width = clientWidth;
    *height = clientHeight;
}

bool MainWindowVisible() {
    std::lock_guard<std::mutex> hold(stateLock);
    return windowExists && windowVisible;
}

void RaiseMainWindow() {}

void PresentFrame(const uint16_t* const* rows, int width, int height) {
    if (!rows || width <= 0 || height <= 0) return;
    void (*hook)(const uint16_t*, int, int);
    std::vector<uint16_t> copy;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        lastFrame.resize((size_t)width * (size_t)height);
        for (int y = 0; y < height; y++) memcpy(&lastFrame[(size_t)y * width], rows[y], (size_t)width * 2);
        lastWidth = width;
        lastHeight = height;
        KeepFrame();
        hook = presentHook;
        if (hook) copy = lastFrame;
    }
    Present(hook, copy, width, height);
}

void PresentRegion(int x, int y, const uint16_t* const* rows, int width, int height) {
    if (!rows || width <= 0 || height <= 0) return;
    void (*hook)(const uint16_t*, int, int);
    std::vector<uint16_t> copy;
    int w, h;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (lastFrame.empty()) {  // nothing shown yet: draw onto black
            lastWidth = clientWidth;
            lastHeight = clientHeight;
            lastFrame.assign((size_t)lastWidth * (size_t)lastHeight, 0);
        }
        CopyOntoFrame(lastFrame, lastWidth, lastHeight, x, y, rows, width, height);
        KeepFrame();
        hook = presentHook;
        if (hook) copy = lastFrame;
        w = lastWidth;
        h = lastHeight;
    }
    Present(hook, copy, w, h);
}

int MessageBox(const char16_t* text, const char16_t* caption, unsigned type, bool) {
    headless::Box box{text ? text : u"", caption ? caption : u"", type, 0};
    void (*hook)(const char*) = nullptr;
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (!answers.empty()) {
            box.answer = answers.front();
            answers.pop_front();
        } else {
            // The default button: Yes of a Yes/No box, else OK.
            box.answer = (type & 0xF) == MB_YESNO ? ID_YES : ID_OK;
            unanswered++;
            hook = failureHook;
        }
        boxes.push_back(box);
    }
    if (hook) {
        std::string what = "unexpected message box: ";
        for (char16_t c : box.caption) what += c < 0x80 ? (char)c : '?';
        what += ": ";
        for (char16_t c : box.text) what += c < 0x80 ? (char)c : '?';
        hook(what.c_str());
    }
    return box.answer;
}

void SetWaitCursor(bool wait) {
    std::lock_guard<std::mutex> hold(stateLock);
    if (wait && !waitCursor) waitCursorShows++;
    waitCursor = wait;
}

// Tests run side by side: the headless program never meets another one
// (a later start is injected with headless::HandOver).
bool AcquireSingleInstance(const char16_t*) { return true; }
void ReleaseSingleInstance() {}

void ExitProcess(int code) { std::exit(code); }

}  // namespace plat
