// Fatal out-of-memory reports and non-fatal synchronisation reports.
// Every allocation of an object or buffer is tested; a failure calls
// ReportOutOfMemory with the site's tag (".Class.Method:Thing").
#pragma once

#include <cstdint>

// Bytes available: the smaller of physical and address-space headroom.
// 64-bit so that it never wraps on machines with more than 4 GiB.
uint64_t FreeMemory();

// Shows ".Not enought memory (req:%d free:%d): %s" (caption "Error",
// exclamation, topmost, no owner) and ends the process with exit code 1.
[[noreturn]] void ReportOutOfMemory(const char16_t* tag, uint64_t requested);
// The same with "(%d)" and the index appended after the tag.
[[noreturn]] void ReportOutOfMemoryAt(const char16_t* tag, uint64_t requested, int index);
// Shows the text with caption ".Sync error!"; returns the box's result,
// which callers ignore: they carry on as if the wait had succeeded.
int ReportSyncError(const char16_t* text);

// Polls test() once per millisecond for at most 200,000 ms; on time-out
// shows ReportSyncError(what) and returns false.
template <typename Test>
bool WaitFor(Test test, const char16_t* what);
#include "util/WaitFor.inl"
