// Code page 932 to and from UTF-16, whatever the system's code page.
#include "win/wide_text.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

std::wstring WideFromCp932(const char* text, std::size_t length) {
    if (length == 0) {
        return {};
    }
    const int bytes = static_cast<int>(length);
    const int count = MultiByteToWideChar(kTextCodePage, 0, text, bytes, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count > 0 ? count : 0), L'\0');
    if (count > 0) {
        MultiByteToWideChar(kTextCodePage, 0, text, bytes, wide.data(), count);
    }
    return wide;
}

std::size_t Cp932NameFromWide(const wchar_t* text, std::size_t length, char* out,
                              std::size_t max_bytes) {
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < length) {
        // One character at a time, so the cut never falls inside one; a
        // surrogate pair is one character, and never one that 932 holds.
        std::size_t units = 1;
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            units = 2;
        }
        char encoded[4];
        BOOL lossy = FALSE;
        int bytes =
            WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, text + i,
                                static_cast<int>(units), encoded, sizeof encoded, "?", &lossy);
        if (bytes <= 0 || lossy) {
            encoded[0] = '?';
            bytes = 1;
        }
        if (used + static_cast<std::size_t>(bytes) > max_bytes) {
            break;
        }
        for (int b = 0; b < bytes; ++b) {
            out[used++] = encoded[b];
        }
        i += units;
    }
    out[used] = '\0';
    return used;
}
