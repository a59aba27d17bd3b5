// The platform layer: every service the program takes from the operating
// system. The core (app/, browser/, picture/, codec/, render/, settings/,
// util/) calls only what is declared here, never SDL, FreeType or POSIX.
//
// Two backends implement the window and message services: SDL2
// (platform/sdl) for the real program and a headless one (platform/headless)
// for tests. Files, threads, time, memory and fonts are shared by both
// (platform/posix).
//
// Paths are UTF-16 (char16_t), zero-terminated, '/'-separated, never ending
// in '/'; the root folder is the empty path. They are converted to UTF-8 at
// this boundary, so every file name works whatever its characters.
#pragma once

#include <cstdint>
#include <cstdio>

namespace plat {

// ---------------------------------------------------------------- messages
// Message numbers follow the values the program's design uses.
enum : uint32_t {
    MSG_CREATE = 0x0001,  // sent by the shell itself when the window exists
    MSG_DESTROY = 0x0002,
    MSG_ACTIVATE = 0x0006,
    MSG_PAINT = 0x000F,
    MSG_CLOSE = 0x0010,  // 16: the "quit" button posts it
    MSG_QUIT = 0x0012,
    MSG_KEYDOWN = 0x0100,
    MSG_INITDIALOG = 0x0110,  // sent by the shell to the splash before its loop
    MSG_COMMAND = 0x0111,  // wparam = command id (1 = Ctrl+Q)
    MSG_MOUSEMOVE = 0x0200,
    MSG_LBUTTONDOWN = 0x0201,
    MSG_LBUTTONUP = 0x0202,
    MSG_MOUSEWHEEL = 0x020A,  // wparam = notches, signed (positive: away from the user)
    MSG_SHOWPATH = 0x0401,  // a later start handed over a path: TakeHandedPath gives it
};

// Virtual key codes delivered with MSG_KEYDOWN (other keys are not delivered).
// The direction pad and its action key, then the desktop keys mapped onto
// the same operations.
enum : int {
    KEY_ACTION = 13, KEY_LEFT = 37, KEY_UP = 38, KEY_RIGHT = 39, KEY_DOWN = 40,
    KEY_BACKSPACE = 8, KEY_ESCAPE = 27, KEY_SPACE = 32, KEY_PAGEUP = 33, KEY_PAGEDOWN = 34,
    KEY_PLUS = 107, KEY_MINUS = 109,
};

// Pen position packing of the pen messages: x in the low, y in the high 16 bits.
inline intptr_t PackPen(int x, int y) { return (intptr_t)((uint32_t)(x & 0xFFFF) | ((uint32_t)(y & 0xFFFF) << 16)); }
inline int PenX(intptr_t l) { return (int)((uint32_t)l & 0xFFFF); }
inline int PenY(intptr_t l) { return (int)(((uint32_t)l >> 16) & 0xFFFF); }

// A window procedure. Both loops (main window and splash) dispatch to one.
using WndProc = intptr_t (*)(uint32_t msg, uintptr_t wparam, intptr_t lparam);

// Opens the display. False when there is none (the caller prints one line
// on stderr and exits non-zero). The headless backend always succeeds.
bool InitDisplay();
// Creates the main window: full screen on a portrait display, otherwise a
// 3:4 portrait window; LUMATRAY_SCREEN=WxH forces the client size. Gives
// the client size. False on failure.
bool CreateMainWindow(const char16_t* title, int* clientWidth, int* clientHeight);
void DestroyMainWindow();
// The window's icon for the window manager: size x size pixels of R, G, B,
// A bytes, rows top-down (the headless backend has no window to mark).
void SetMainWindowIcon(const unsigned char* rgba, int size);
// Current client size (read on every pen message by the input code).
void GetClientSize(int* width, int* height);
// True while the window is shown (not minimised or hidden): frames are
// composed only then.
bool MainWindowVisible();
void RaiseMainWindow();

// Posts a message to the current loop; safe from any thread. MSG_PAINT
// posts coalesce: at most one is pending at a time.
void PostMessage(uint32_t msg, uintptr_t wparam = 0, intptr_t lparam = 0);
// Runs the loop, dispatching every message to proc, until EndLoop is
// called from inside proc (or PostQuit from anywhere); returns its code.
// Loops nest: the splash runs one inside the main window's creation.
int RunLoop(WndProc proc);
void EndLoop(int code);
// Posts MSG_QUIT: ends the outermost loop with the code.
void PostQuit(int code);

// Presents a whole frame of RGB565 rows (masks F800/07E0/001F), unscaled
// at the top left of the client. Interface thread only (the SDL backend
// ignores other threads' frames).
void PresentFrame(const uint16_t* const* rows, int width, int height);
// Draws rows onto a copy of the last presented frame at (x, y) and presents
// it at once (the splash logo, progress bars).
void PresentRegion(int x, int y, const uint16_t* const* rows, int width, int height);

// Message boxes. Types combine a button set with flags; results are the
// button pressed.
enum : unsigned {
    MB_OK = 0x0,
    MB_YESNO = 0x4,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_TOPMOST = 0x40000,
};
enum : int { ID_OK = 1, ID_YES = 6, ID_NO = 7 };
// Blocks the calling thread until answered; owned by the main window when
// ownedByMain is set. Pen and key input that arrived meanwhile is dropped.
int MessageBox(const char16_t* text, const char16_t* caption, unsigned type, bool ownedByMain);

void SetWaitCursor(bool wait);

// Single instance: true when this process is the only one; otherwise the
// running instance has been asked to raise its window and, when path is
// not empty, to show path (an absolute folder or picture), and false is
// returned.
bool AcquireSingleInstance(const char16_t* path = nullptr);
void ReleaseSingleInstance();
// The next path a later start handed over, oldest first (each one posts
// MSG_SHOWPATH when it arrives); false when none is waiting.
bool TakeHandedPath(char16_t* out, int capacity);

// Ends the process now with the code (registered exit handlers run).
[[noreturn]] void ExitProcess(int code);

// ---------------------------------------------------------------- time
// Millisecond tick count; wraps after 2^32 ms. Compare only with TickAfter.
uint32_t TickCount();
// True when tick a lies after tick b (wrap-safe).
inline bool TickAfter(uint32_t a, uint32_t b) { return (int32_t)(a - b) > 0; }
void Sleep(uint32_t ms);
// Gives the processor to another runnable thread (sched_yield).
void YieldProcessor();
// The C library's pseudo-random generator.
int Random();

// ---------------------------------------------------------------- threads
// Priorities 0 (highest) .. 7 (lowest); the interface thread stays at the
// default. A refused raise is ignored: only lowering is guaranteed.
struct Thread;
using ThreadFn = int (*)(void* arg);
// Starts fn(arg) on a new thread at the priority (the thread applies it to
// itself first). Null when the thread could not be made.
Thread* StartThread(ThreadFn fn, void* arg, int priority);
void SetThreadPriority(Thread* thread, int priority);
// Waits for the thread to end and frees the handle.
void JoinThread(Thread* thread);
// Gives up the handle without waiting: the thread runs on, its resources
// go when it ends.
void DetachThread(Thread* thread);

// ---------------------------------------------------------------- memory
// Bytes available to the process: the smallest of MemAvailable, the cgroup
// headroom and the address-space limit headroom. Never wraps.
uint64_t AvailableMemory();

// ---------------------------------------------------------------- files
// ATTR_LINK marks a symbolic link (to a folder it also has ATTR_DIRECTORY):
// deleting a folder tree must remove the link, never recurse through it.
enum : uint32_t { ATTR_DIRECTORY = 0x10, ATTR_NORMAL = 0x80, ATTR_TEMPORARY = 0x100, ATTR_LINK = 0x400 };

// A 64-bit file time: 100 ns units since 1601-01-01 UTC.
using FileTime = uint64_t;

// Open modes of a raw file handle.
enum FileAccess { FILE_READ, FILE_WRITE_CREATE };
// Raw file handles for File_t: -1 when not open.
int FileOpen(const char16_t* path, FileAccess access);
// Bytes read, 0 at the end, -1 on failure.
long FileRead(int handle, void* buf, unsigned long count);
// Bytes written; fewer than count when the system stopped taking them
// part-way; -1 when it failed before taking any.
long FileWrite(int handle, const void* buf, unsigned long count);
bool FileSync(int handle);
bool FileInfo(int handle, uint64_t* size, FileTime* time);
// The current time as a file time.
FileTime FileTimeNow();
void FileClose(int handle);

// A C stream for the image libraries (libjpeg and libpng read and write
// through FILE*). Modes "rb", "wb" (create or truncate) and "wx" (create a
// file that must not exist yet: never replaces one). Null on failure.
FILE* OpenStream(const char16_t* path, const char* mode);
FILE* OpenStreamUtf8(const char* path, const char* mode);
// Flushes a written stream and forces it to disk; false when any byte did
// not reach the file. The stream stays open.
bool SyncStream(FILE* stream);

// Attributes of a path (ATTR_*); false when it does not exist.
bool GetAttributes(const char16_t* path, uint32_t* attributes);
bool DeleteFile(const char16_t* path);
bool CreateFolder(const char16_t* path);
bool RemoveFolder(const char16_t* path);
// Renames over an existing file (atomic replace within one folder).
bool RenameFile(const char16_t* from, const char16_t* to);
// Puts the complete file from in place of the file to, in one step, with
// to's permission bits. False, nothing changed, when to is not (or no
// longer) a regular file or the rename fails: a file that vanished
// meanwhile is not brought back.
bool ReplaceFile(const char16_t* from, const char16_t* to);

// Test hooks of the file layer, for faults a real disk gives rarely. Any
// thread may set them; they stay until cleared.
// Streams opened for writing under folder (UTF-8 prefix; null or "" clears)
// take bytesBeforeFailure bytes and then fail every write with "no space",
// as a disk that fills part-way; a negative count fails the open itself,
// as a read-only folder does.
void FailWritesUnder(const char* folder, long bytesBeforeFailure);
// Called at the start of every ReplaceFile (null clears).
void SetReplaceHook(void (*hook)(const char16_t* from, const char16_t* to));

// Folder listing; "." and ".." are never returned.
struct DirEntry {
    char16_t name[512];
    uint32_t attributes;  // ATTR_DIRECTORY for folders
    uint32_t size;        // low 32 bits
    FileTime time;        // last write
};
struct Dir;
// DIR_HIDE_DOT_NAMES: leave out names beginning with '.', the Linux mark of
// hidden files and folders (the browser's view of a folder). Deleting and
// cache upkeep list everything.
enum : int { DIR_ALL = 0, DIR_HIDE_DOT_NAMES = 1 };
Dir* OpenDir(const char16_t* path, int options = DIR_ALL);  // null when it cannot be listed
bool NextDirEntry(Dir* dir, DirEntry* entry);
void CloseDir(Dir* dir);

// ---------------------------------------------------------------- folders
// Each fills a 512-unit buffer; false when it cannot.
bool ProgramFile(char16_t* out, int capacity);      // /proc/self/exe
bool PicturesFolder(char16_t* out, int capacity);   // XDG pictures, else ~/Pictures, else $HOME
bool TempFolder(char16_t* out, int capacity);       // $XDG_CACHE_HOME, else $HOME/.cache
bool ConfigFolder(char16_t* out, int capacity);     // $XDG_CONFIG_HOME/lumatray, else ~/.config/lumatray
bool StorageCard(char16_t* out, int capacity);      // first removable medium, or false
bool FolderWritable(const char16_t* path);
// A command-line argument (UTF-8 bytes, any name) as an absolute path:
// a relative one is taken from the working folder, and ".", ".." and
// repeated '/' are resolved by name, the way the shell shows the path
// (a link keeps the name it was given). False when it does not fit.
bool AbsolutePath(const char* argument, char16_t* out, int capacity);
// True when path may lie on a removable medium that is not plugged in: it
// is a removable-media root (/media/USER, /run/media/USER) or above one, or
// lies under ROOT/NAME while nothing is mounted at ROOT/NAME. Such a path
// being absent proves nothing about the files on the medium.
bool OnAbsentMedium(const char16_t* path);

// ---------------------------------------------------------------- mail
// True when a mail composer (xdg-email on PATH) exists.
bool MailAvailable();
// Starts the composer on the file and returns at once without waiting for
// it: 0 when it started, -1 when it could not.
int ComposeMailWith(const char16_t* attachment);

// ---------------------------------------------------------------- fonts
struct Font;
// A font of the stock face ("sans-serif"). height is the character cell in
// pixels (ascent + descent, as the design's font heights mean: a font made
// for a box of that height fits in it); width the average character width
// (0 = natural); weight 600 and above selects the bold face. Null when no
// font can be loaded. A font may be used from any thread.
Font* CreateFont(int height, int width, int weight);
void DeleteFont(Font* font);
// Ascent (pixels above the baseline) and cell height of the font.
void FontMetrics(Font* font, int* ascent, int* height);
// Advance width of the text in pixels.
int TextWidth(Font* font, const char16_t* text, int length);
// Renders a single line into an 8-bit coverage bitmap owned by the caller
// (free with FreeCoverage): width x height bytes, row-major; baseline is the
// row of the baseline, counted from the top. width is TextWidth, height the
// cell height; ink outside that box is clipped. Empty text gives width 0,
// no pixels and true.
struct Coverage {
    int width = 0, height = 0, baseline = 0;
    uint8_t* pixels = nullptr;
};
bool RenderText(Font* font, const char16_t* text, int length, Coverage* out);
void FreeCoverage(Coverage* c);

}  // namespace plat
