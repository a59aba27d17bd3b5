#include "codec/File.h"

#include <cstring>
#include <new>

#include "platform/Utf8.h"
#include "util/Diagnostics.h"
#include "util/Text.h"

// A system read that keeps failing, or a write that keeps taking nothing,
// is given up after this many tries 1 ms apart (a pulled card, a full disk).
static constexpr int kIoTries = 10;

File_t::File_t() {
    buf_ = new (std::nothrow) uint8_t[kBufferSize];
    if (!buf_) ReportOutOfMemory(u".File_t.File_t:Buf", kBufferSize);
}

File_t::~File_t() {
    Close();
    delete[] buf_;
}

bool File_t::Open(const char16_t* path, int mode) {
    Close();
    mode_ = mode;
    bufPos_ = 0;
    bufFill_ = 0;
    binary_ = 0;
    writeFailed_ = false;
    switch (mode) {
    case MODE_TEXT_WRITE:
    case MODE_BINARY_WRITE:
        handle_ = plat::FileOpen(path, plat::FILE_WRITE_CREATE);
        if (mode == MODE_BINARY_WRITE) binary_ = 1;
        break;
    case MODE_READ:
    case MODE_BINARY_READ:
        handle_ = plat::FileOpen(path, plat::FILE_READ);
        if (mode == MODE_BINARY_READ) binary_ = 1;
        mode_ = MODE_READ;
        if (handle_ != -1) {
            uint64_t size = 0;
            plat::FileTime time = 0;
            if (plat::FileInfo(handle_, &size, &time)) {
                size_ = (uint32_t)size;
                lastWrite_ = time;
            }
            delivered_ = 0;
        }
        break;
    default:
        mode_ = MODE_NONE;
        break;
    }
    return handle_ != -1;
}

bool File_t::Open(const char* path, int mode) {
    char16_t wide[kPathUnits];
    if (!path || plat::Utf8ToUtf16(path, wide, kPathUnits) < 0) {
        // A cut path would name another file: behave as a failed open.
        Close();
        mode_ = mode == MODE_BINARY_READ ? MODE_READ : mode;
        binary_ = 0;
        return false;
    }
    return Open(wide, mode);
}

bool File_t::Close() {
    if (handle_ != -1) {
        if (mode_ == MODE_TEXT_WRITE || mode_ == MODE_BINARY_WRITE) Flush();
        plat::FileClose(handle_);
        handle_ = -1;
        mode_ = MODE_NONE;
    }
    size_ = 0;
    lastWrite_ = 0;
    return !writeFailed_;
}

bool File_t::Flush() {
    if (handle_ == -1 || (mode_ != MODE_TEXT_WRITE && mode_ != MODE_BINARY_WRITE)) {
        bufPos_ = 0;
        return false;
    }
    uint32_t done = 0;
    int stalls = 0;
    bool ok = true;
    while (done < bufPos_) {
        long n = plat::FileWrite(handle_, buf_ + done, bufPos_ - done);
        if (n > 0) {
            done += (uint32_t)n;
            stalls = 0;
            if (durable_) plat::FileSync(handle_);
            continue;
        }
        if (++stalls >= kIoTries) {
            ok = false;
            break;
        }
        plat::Sleep(1);
    }
    bufPos_ = 0;
    if (!ok) writeFailed_ = true;
    return ok;
}

// Appends through the buffer, flushing first when the bytes would reach its
// last byte (the boundary rule both writers share).
static bool Append(File_t* f, uint8_t* buf, uint32_t* pos, const uint8_t* data, size_t n) {
    while (n > 0) {
        size_t piece = n < File_t::kBufferSize - 1 ? n : File_t::kBufferSize - 1;
        if (*pos + piece > File_t::kBufferSize - 1 && !f->Flush()) return false;
        memcpy(buf + *pos, data, piece);
        *pos += (uint32_t)piece;
        data += piece;
        n -= piece;
    }
    return true;
}

bool File_t::WriteString(const char* text) {
    if (handle_ == -1 || mode_ != MODE_TEXT_WRITE || !text) return false;
    return Append(this, buf_, &bufPos_, (const uint8_t*)text, strlen(text));
}

bool File_t::Write(const void* data, int count) {
    if (handle_ == -1 || mode_ != MODE_BINARY_WRITE || count < 0) return false;
    return Append(this, buf_, &bufPos_, (const uint8_t*)data, (size_t)count);
}

void File_t::Refill() {
    bufFill_ = 0;
    bufPos_ = 0;
    if (handle_ == -1) return;
    for (int tries = 0; tries < kIoTries; tries++) {
        long n = plat::FileRead(handle_, buf_, kBufferSize);
        if (n >= 0) {  // 0 is the end of the file
            bufFill_ = (uint32_t)n;
            return;
        }
        plat::Sleep(1);
    }
    // Still failing: treated as the end of the file.
}

int File_t::NextByte() {
    if (bufPos_ >= bufFill_) {
        Refill();
        if (bufFill_ == 0) return -1;
    }
    return buf_[bufPos_++];
}

int File_t::Read(void* dest, int count) {
    if (handle_ == -1 || mode_ != MODE_READ) return 1;
    uint8_t* d = (uint8_t*)dest;
    int i = 0;
    while (i < count) {
        if (bufPos_ >= bufFill_) {
            Refill();
            if (bufFill_ == 0) {
                if (i == 0) return 0;
                break;
            }
        }
        uint32_t avail = bufFill_ - bufPos_;
        uint32_t want = (uint32_t)(count - i);
        uint32_t n = avail < want ? avail : want;
        memcpy(d + i, buf_ + bufPos_, n);
        bufPos_ += n;
        i += (int)n;
    }
    delivered_ += i;
    return 1;
}

int File_t::ReadLine(char* dest, int capacity) {
    if (capacity < 3) {
        // No room for a byte, its cut mark and the terminator.
        if (capacity > 0) dest[0] = 0;
        return 0;
    }
    dest[0] = 0;
    if (handle_ == -1 || mode_ != MODE_READ) return 1;
    int i = 0;
    int taken = 0;
    for (;;) {
        int c = NextByte();
        if (c < 0) {
            if (i == 0) return 0;
            break;
        }
        dest[i++] = (char)c;
        taken++;
        if (i - 1 >= capacity - 3) {
            // A long line is cut here; the rest comes with the next call.
            dest[i++] = 0;
            break;
        }
        if (c == '\n' || c == 0) break;
    }
    delivered_ += taken;
    dest[i] = 0;
    return 1;
}
