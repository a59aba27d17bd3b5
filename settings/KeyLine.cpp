#include "settings/KeyLine.h"

#include <cstdint>

bool MatchKeyLine(const char* line, const char* key, const char** value, int* length) {
    if (!line || !key) return false;
    int k = 0;
    for (; key[k]; k++)
        if (line[k] != key[k]) return false;
    if (line[k] != '|') return false;
    const char* start = line + k + 1;
    int end = -1;
    for (int i = 0; start[i]; i++)
        if (start[i] == '|') end = i;
    *value = start;
    *length = end < 0 ? 0 : end;
    return true;
}

static int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

bool ScanKeyValue(const char* value, int length, int base, int* dest) {
    int i = 0;
    while (i < length && (value[i] == ' ' || (value[i] >= '\t' && value[i] <= '\r'))) i++;
    bool negative = false;
    if (i < length && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    if (base == 16 && i + 2 < length && value[i] == '0' && (value[i + 1] == 'x' || value[i + 1] == 'X') &&
        DigitValue(value[i + 2]) < 16)
        i += 2;
    uint64_t magnitude = 0;
    int digits = 0;
    for (; i < length && DigitValue(value[i]) < base; i++, digits++) {
        magnitude = magnitude * base + DigitValue(value[i]);
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    if (!digits) return false;
    if (base == 10) {
        if (magnitude > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return false;
        *dest = negative ? (int)(-(int64_t)magnitude) : (int)magnitude;
    } else {
        uint32_t bits = (uint32_t)magnitude;
        *dest = (int)(negative ? 0u - bits : bits);
    }
    return true;
}
