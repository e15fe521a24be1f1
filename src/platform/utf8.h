// Reading UTF-8 strictly, one character at a time, and writing it: a byte that does not
// begin a well-formed sequence (a stray continuation byte, an overlong form,
// a surrogate, a value past U+10FFFF, a cut-off sequence) is no character
// and counts as one byte on its own. Names on POSIX are bytes, and whatever
// reads them as text (to show them, to sort them) reads them this one way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vx {

struct Utf8Character {
    char32_t code;  // the code point, or the byte itself when not valid
    size_t length;  // bytes taken: 1 to 4, and 1 when not valid
    bool valid;
};

inline Utf8Character utf8CharacterAt(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(at);
    if (lead < 0x80) return {lead, 1, true};
    size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, least = 0x10000;
    }
    bool valid = length != 0 && at + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
        valid = (byte(at + k) & 0xC0) == 0x80;
        code = (code << 6) | (byte(at + k) & 0x3F);
    }
    valid = valid && code >= least && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    if (!valid) return {lead, 1, false};
    return {code, length, true};
}

// Appends the UTF-8 bytes of the code point `code`.
inline void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace vx
