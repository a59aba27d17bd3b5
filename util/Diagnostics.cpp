#include "util/Diagnostics.h"

#include <atomic>
#include <cstdio>

#include "platform/Platform.h"
#include "platform/Utf8.h"

namespace {

constexpr int kReportUnits = 512;

// Appends to a fixed buffer without allocating: the heap may be exhausted.
struct Report {
    char16_t text[kReportUnits];
    int length = 0;
    void Add(const char16_t* s) {
        while (s && *s && length < kReportUnits - 1) text[length++] = *s++;
        text[length] = 0;
    }
    void Add(const char* ascii) {
        while (*ascii && length < kReportUnits - 1) text[length++] = (char16_t)(unsigned char)*ascii++;
        text[length] = 0;
    }
    void AddNumber(unsigned long long n) {
        char digits[24];
        snprintf(digits, sizeof digits, "%llu", n);
        Add(digits);
    }
};

[[noreturn]] void ShowAndExit(const Report& r) {
    // Two threads running out at once: the first one's box ends the process.
    static std::atomic<bool> reporting{false};
    if (reporting.exchange(true))
        for (;;) plat::Sleep(1000);
    char line[kReportUnits * 3 + 1];
    plat::Utf16ToUtf8(r.text, line, sizeof line);
    fprintf(stderr, "lumatray: %s\n", line);
    plat::MessageBox(r.text, u"Error", plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TOPMOST, false);
    plat::ExitProcess(1);
}

// ".Not enought memory (req:%d free:%d): %s" with 64-bit numbers, so that
// nothing wraps or turns negative above 2 GiB.
void Compose(Report* r, const char16_t* tag, uint64_t requested) {
    r->Add(".Not enought memory (req:");
    r->AddNumber(requested);
    r->Add(" free:");
    r->AddNumber(FreeMemory());
    r->Add("): ");
    r->Add(tag);
}

}  // namespace

uint64_t FreeMemory() { return plat::AvailableMemory(); }

void ReportOutOfMemory(const char16_t* tag, uint64_t requested) {
    Report r;
    Compose(&r, tag, requested);
    ShowAndExit(r);
}

void ReportOutOfMemoryAt(const char16_t* tag, uint64_t requested, int index) {
    Report r;
    Compose(&r, tag, requested);
    char n[16];
    snprintf(n, sizeof n, "(%d)", index);
    r.Add(n);
    ShowAndExit(r);
}

int ReportSyncError(const char16_t* text) {
    return plat::MessageBox(text, u".Sync error!", plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TOPMOST, false);
}
