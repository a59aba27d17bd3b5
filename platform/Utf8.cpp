#include "platform/Utf8.h"

namespace plat {

namespace {

// Length of the valid UTF-8 sequence at s (at most avail bytes), or 0 when
// the bytes there are not one. Overlong forms, encoded surrogates and values
// above U+10FFFF are invalid.
int ValidSequence(const unsigned char* s, int avail, uint32_t* cp) {
    unsigned char c = s[0];
    if (c < 0x80) {
        *cp = c;
        return 1;
    }
    int n;
    uint32_t v, min;
    if (c >= 0xC2 && c <= 0xDF) n = 2, v = c & 0x1F, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, v = c & 0x0F, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, v = c & 0x07, min = 0x10000;
    else return 0;
    if (avail < n) return 0;
    for (int k = 1; k < n; k++) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        v = (v << 6) | (s[k] & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    *cp = v;
    return n;
}

int EncodeUtf8(uint32_t cp, char* b) {
    if (cp < 0x80) {
        b[0] = (char)cp;
        return 1;
    }
    if (cp < 0x800) {
        b[0] = (char)(0xC0 | (cp >> 6));
        b[1] = (char)(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        b[0] = (char)(0xE0 | (cp >> 12));
        b[1] = (char)(0x80 | ((cp >> 6) & 0x3F));
        b[2] = (char)(0x80 | (cp & 0x3F));
        return 3;
    }
    b[0] = (char)(0xF0 | (cp >> 18));
    b[1] = (char)(0x80 | ((cp >> 12) & 0x3F));
    b[2] = (char)(0x80 | ((cp >> 6) & 0x3F));
    b[3] = (char)(0x80 | (cp & 0x3F));
    return 4;
}

}  // namespace

uint32_t NextCodePoint(const char16_t* text, int length, int* i) {
    uint32_t u = text[(*i)++];
    if (u >= 0xD800 && u <= 0xDBFF && *i < length) {
        uint32_t lo = text[*i];
        if (lo >= 0xDC00 && lo <= 0xDFFF) {
            (*i)++;
            return 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
        }
    }
    return u;
}

int Utf16ToUtf8N(const char16_t* text, int length, char* out, int capacity) {
    if (capacity <= 0) return -1;
    if (!text) {
        out[0] = 0;
        return 0;
    }
    if (length < 0) {
        length = 0;
        while (text[length]) length++;
    }
    int pos = 0;
    for (int i = 0; i < length;) {
        uint32_t cp = NextCodePoint(text, length, &i);
        char b[4];
        int n;
        if (cp >= 0xDC80 && cp <= 0xDCFF) {
            b[0] = (char)(cp - 0xDC00);  // an escaped raw byte of a file name
            n = 1;
        } else {
            if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
            n = EncodeUtf8(cp, b);
        }
        if (pos + n >= capacity) {
            out[pos] = 0;
            return -1;
        }
        for (int k = 0; k < n; k++) out[pos++] = b[k];
    }
    out[pos] = 0;
    return pos;
}

int Utf16ToUtf8(const char16_t* text, char* out, int capacity) { return Utf16ToUtf8N(text, -1, out, capacity); }

int Utf8ToUtf16(const char* text, char16_t* out, int capacity) {
    if (capacity <= 0) return -1;
    if (!text) {
        out[0] = 0;
        return 0;
    }
    const unsigned char* s = (const unsigned char*)text;
    int avail = 0;
    while (s[avail]) avail++;
    int pos = 0;
    while (avail > 0) {
        uint32_t cp;
        int n = ValidSequence(s, avail, &cp);
        if (n == 0) {
            cp = 0xDC00 + s[0];  // keep the stray byte so the name round-trips
            n = 1;
        }
        int units = cp >= 0x10000 ? 2 : 1;
        if (pos + units >= capacity) {
            out[pos] = 0;
            return -1;
        }
        if (units == 2) {
            out[pos++] = (char16_t)(0xD800 + ((cp - 0x10000) >> 10));
            out[pos++] = (char16_t)(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out[pos++] = (char16_t)cp;
        }
        s += n;
        avail -= n;
    }
    out[pos] = 0;
    return pos;
}

bool IsValidUtf8(const char* text, int length) {
    const unsigned char* s = (const unsigned char*)text;
    while (length > 0) {
        uint32_t cp;
        int n = ValidSequence(s, length, &cp);
        if (n == 0) return false;
        s += n;
        length -= n;
    }
    return true;
}

}  // namespace plat
