#include "util/Utf8Line.h"

#include <cstdint>

int EncodeUtf8(const char16_t* src, char* dst, int n) {
    if (n <= 0 || !dst) return src && src[0] ? 1 : 0;
    int out = 0;
    if (!src) {
        dst[0] = 0;
        return 0;
    }
    for (int i = 0; src[i]; i++) {
        uint32_t c = src[i];
        int units = 1;
        if (c >= 0xD800 && c <= 0xDBFF && src[i + 1] >= 0xDC00 && src[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (src[i + 1] - 0xDC00);
            units = 2;
        }
        char seq[4];
        int len;
        if (c < 0x80) {
            seq[0] = (char)c;
            len = 1;
        } else if (c < 0x800) {
            seq[0] = (char)(0xC0 | (c >> 6));
            seq[1] = (char)(0x80 | (c & 0x3F));
            len = 2;
        } else if (c < 0x10000) {
            seq[0] = (char)(0xE0 | (c >> 12));
            seq[1] = (char)(0x80 | ((c >> 6) & 0x3F));
            seq[2] = (char)(0x80 | (c & 0x3F));
            len = 3;
        } else {
            seq[0] = (char)(0xF0 | (c >> 18));
            seq[1] = (char)(0x80 | ((c >> 12) & 0x3F));
            seq[2] = (char)(0x80 | ((c >> 6) & 0x3F));
            seq[3] = (char)(0x80 | (c & 0x3F));
            len = 4;
        }
        if (out + len > n - 1) {
            dst[out] = 0;
            return 1;
        }
        for (int k = 0; k < len; k++) dst[out++] = seq[k];
        i += units - 1;
    }
    dst[out] = 0;
    return 0;
}

// Length of the sequence starting at s (at most length bytes) and its code
// point; 0 when the bytes are not a valid sequence.
static int ReadSequence(const unsigned char* s, int length, uint32_t* code) {
    unsigned char b = s[0];
    int len;
    uint32_t c, min;
    if (b < 0x80) {
        *code = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        len = 2, c = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3, c = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4, c = b & 0x07, min = 0x10000;
    } else {
        return 0;  // a continuation byte, C0/C1 or F5..FF
    }
    if (len > length) return 0;
    for (int k = 1; k < len; k++) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (s[k] & 0x3F);
    }
    if (c < min || c > 0x10FFFF) return 0;
    *code = c;
    return len;
}

bool IsUtf8(const char* src, int length) {
    const unsigned char* s = (const unsigned char*)src;
    for (int i = 0; i < length;) {
        uint32_t c;
        int len = ReadSequence(s + i, length - i, &c);
        if (!len) return false;
        i += len;
    }
    return true;
}

int DecodeTextLine(const char* src, int length, char16_t* dst, int n) {
    if (n <= 0 || !dst) return length > 0 ? 1 : 0;
    const unsigned char* s = (const unsigned char*)src;
    int out = 0;
    if (!src || length <= 0) {
        dst[0] = 0;
        return 0;
    }
    if (!IsUtf8(src, length)) {
        for (int i = 0; i < length; i++) {
            if (out >= n - 1) {
                dst[out] = 0;
                return 1;
            }
            dst[out++] = s[i];
        }
        dst[out] = 0;
        return 0;
    }
    for (int i = 0; i < length;) {
        uint32_t c;
        int len = ReadSequence(s + i, length - i, &c);
        int units = c >= 0x10000 ? 2 : 1;
        if (out + units > n - 1) {
            dst[out] = 0;
            return 1;
        }
        if (units == 2) {
            dst[out++] = (char16_t)(0xD800 + ((c - 0x10000) >> 10));
            dst[out++] = (char16_t)(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            dst[out++] = (char16_t)c;
        }
        i += len;
    }
    dst[out] = 0;
    return 0;
}
