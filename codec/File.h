// File_t: buffered access to the program's own small files (configuration,
// skin colours, thumbnail side files). One system handle, one 4,096-byte
// buffer. Pictures are not read through it: the codecs use C streams.
//
// A File_t belongs to one thread; it has no locking.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

class File_t {
public:
    enum : int {
        MODE_NONE = 0,
        MODE_TEXT_WRITE = 1,   // create always, replacing an existing file
        MODE_READ = 2,         // existing file only
        MODE_BINARY_WRITE = 3, // as 1, binary flag set
        MODE_BINARY_READ = 4,  // as 2, binary flag set; stored as mode 2
    };
    static constexpr uint32_t kBufferSize = 4096;
    static constexpr int kLineCapacity = 8704;

    // Allocates the buffer (fatal ".File_t.File_t:Buf" report on failure).
    File_t();
    // Closes (flushing pending bytes), frees the buffer.
    virtual ~File_t();

    // Closes any previous file, then opens in one of the modes above.
    // True when a handle is open. A failed open behaves as closed.
    bool Open(const char16_t* path, int mode);
    // The same for a UTF-8 path (invalid UTF-8 bytes count as ISO-8859-1).
    bool Open(const char* path, int mode);
    // Flushes and closes. False when any write since the open failed (the
    // file on disk is then incomplete and must not replace a good one).
    // With no file open: true unless an earlier write failed.
    bool Close();
    // Writes the pending bytes (modes 1 and 3). False when nothing is open
    // for writing, or when the system refused to take every byte (full
    // disk): the pending bytes are then dropped and WriteFailed is set.
    bool Flush();
    // Whether Flush forces the bytes to disk (the default). The settings
    // need it: a lost file is the user's data. The thumbnail cache turns it
    // off: it is rebuilt whenever lost and rejects partial files, and a
    // forced write per side file costs far more than the file on SD cards.
    void SetDurable(bool on) { durable_ = on; }
    // Mode 1: appends a zero-terminated 8-bit string shorter than 4,096.
    bool WriteString(const char* text);
    // Mode 3: appends count bytes (count < 4,096).
    bool Write(const void* data, int count);
    // Mode 2: up to count bytes. 1 when count bytes arrived or the end came
    // after at least one; 0 when the end came first. 1 with nothing
    // delivered when no file is open for reading.
    int Read(void* dest, int count);
    // Mode 2: one line of 8-bit text into dest (capacity bytes at most,
    // terminator included). The line feed and any carriage return stay in
    // the line; a zero byte ends a line; a longer line comes in pieces of
    // capacity - 2 bytes. 1 when a line was delivered, 0 at the end.
    int ReadLine(char* dest, int capacity);
    int ReadLine(char* dest) { return ReadLine(dest, kLineCapacity); }

    bool IsOpen() const { return handle_ != -1; }
    int Mode() const { return mode_; }
    int Binary() const { return binary_; }
    // Bytes handed out by Read and ReadLine since the open.
    int Delivered() const { return delivered_; }
    // Size (low 32 bits) and last-write time taken at an open for reading.
    uint32_t Size() const { return size_; }
    plat::FileTime LastWrite() const { return lastWrite_; }
    // A write since the last open did not reach the file.
    bool WriteFailed() const { return writeFailed_; }

    File_t(const File_t&) = delete;
    File_t& operator=(const File_t&) = delete;

private:
    void Refill();
    int NextByte();  // -1 at the end

    plat::FileTime lastWrite_ = 0;
    int handle_ = -1;
    int mode_ = MODE_NONE;
    int binary_ = 0;
    int delivered_ = 0;
    uint32_t size_ = 0;
    uint32_t bufPos_ = 0;
    uint32_t bufFill_ = 0;
    uint8_t* buf_ = nullptr;
    bool writeFailed_ = false;
    bool durable_ = true;
};
