// Reading and writing UTF-16, the form of names on Windows and of Qt's
// text: a code point past U+FFFF is written as a pair of surrogates; a
// surrogate that is not part of such a pair is no character and counts as
// one unit on its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vx {

struct Utf16Character {
    char32_t code;  // the code point, or the unit itself when not valid
    size_t length;  // units taken: 1 or 2, and 1 when not valid
    bool valid;
};

template <class Unit>
Utf16Character utf16CharacterAt(std::basic_string_view<Unit> text, size_t at) {
    const char32_t unit = static_cast<char32_t>(text[at]);
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < text.size()) {
        const char32_t next = static_cast<char32_t>(text[at + 1]);
        if (next >= 0xDC00 && next <= 0xDFFF)
            return {0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), 2, true};
    }
    return {unit, 1, unit < 0xD800 || unit > 0xDFFF};
}

// Writes the UTF-16 units of the code point `code` at `out`, which has room
// for two, and returns how many it wrote: for loops that fill a buffer sized
// up front, without a capacity check per unit.
template <class Unit>
size_t putUtf16(Unit* out, char32_t code) {
    if (code < 0x10000) {
        out[0] = static_cast<Unit>(code);
        return 1;
    }
    out[0] = static_cast<Unit>(0xD800 + ((code - 0x10000) >> 10));
    out[1] = static_cast<Unit>(0xDC00 + ((code - 0x10000) & 0x3FF));
    return 2;
}

// Appends the UTF-16 units of the code point `code`.
template <class Unit>
void appendUtf16(std::basic_string<Unit>& out, char32_t code) {
    Unit units[2];
    out.append(units, putUtf16(units, code));
}

}  // namespace vx
