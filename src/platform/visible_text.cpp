#include "platform/visible_text.h"

#include "platform/utf16.h"
#include "platform/utf8.h"

#include <type_traits>

namespace vx {

namespace {

// Names are UTF-8 on POSIX and UTF-16 on Windows.
template <class Unit>
TextCharacter characterIn(std::basic_string_view<Unit> text, size_t at) {
    if constexpr (sizeof(Unit) == 1) {
        const Utf8Character character = utf8CharacterAt(text, at);
        return {character.code, character.valid, text.substr(at, character.length)};
    } else {
        const Utf16Character character = utf16CharacterAt(text, at);
        return {character.code, character.valid, text.substr(at, character.length)};
    }
}

template <class Unit>
void appendEncoded(std::basic_string<Unit>& out, char32_t code) {
    if constexpr (sizeof(Unit) == 1) {
        appendUtf8(out, code);
    } else {
        appendUtf16(out, code);
    }
}

}  // namespace

TextCharacter characterAt(NativeStringView text, size_t at) {
    return characterIn(text, at);
}

void appendCodePoint(NativeString& out, char32_t code) {
    appendEncoded(out, code);
}

namespace {

// Characters that take no room on screen or change how the text around them
// is laid out: soft hyphen, joiners and zero-width spaces, direction marks,
// embeddings, overrides and isolates, line and paragraph separators, word
// joiner and invisible operators, the byte-order mark, fillers, the format
// controls of Egyptian hieroglyphs, shorthand and musical notation, and the
// tag characters.
bool isInvisible(char32_t c) {
    return c == 0x00AD || c == 0x034F || c == 0x061C || c == 0x115F || c == 0x1160 || c == 0x17B4 ||
           c == 0x17B5 || c == 0x180E || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x206F) || c == 0x3164 || c == 0xFEFF || c == 0xFFA0 ||
           (c >= 0xFFF9 && c <= 0xFFFB) || (c >= 0x13430 && c <= 0x1343F) || (c >= 0x1BCA0 && c <= 0x1BCA3) ||
           (c >= 0x1D173 && c <= 0x1D17A) || (c >= 0xE0000 && c <= 0xE007F);
}

constexpr char kDigits[] = "0123456789ABCDEF";

// Appends `value` as `digits` hexadecimal digits.
void appendHex(NativeString& out, char32_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += static_cast<NativeChar>(kDigits[(value >> shift) & 0xF]);
}

void appendCodeName(NativeString& out, char32_t c) {
    out += VX_NATIVE("<U+");
    appendHex(out, c, c > 0xFFFF ? 5 : 4);
    out += VX_NATIVE('>');
}

}  // namespace

void appendVisible(NativeString& out, const TextCharacter& character) {
    const char32_t c = character.codePoint;
    if (!character.valid) {
        out.append(character.units);  // a window shows these as the replacement character
    } else if (c < 0x20) {
        appendCodePoint(out, 0x2400 + c);  // the Control Pictures block: a newline is shown as "␊"
    } else if (c == 0x7F) {
        appendCodePoint(out, 0x2421);
    } else if ((c >= 0x80 && c <= 0x9F) || isInvisible(c)) {
        appendCodeName(out, c);
    } else if (c >= 0x0300 && c <= 0x036F) {
        appendCodePoint(out, 0x25CC);  // a dotted circle carries the accent
        out.append(character.units);
    } else {
        out.append(character.units);
    }
}

NativeString terminalText(NativeStringView text) {
    NativeString shown;
    shown.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const TextCharacter character = characterAt(text, at);
        at += character.units.size();
        if (character.valid && character.codePoint == '\n') {
            shown += VX_NATIVE('\n');
        } else if (character.valid) {
            appendVisible(shown, character);
        } else {
            for (const NativeChar unit : character.units) {
                shown += VX_NATIVE("<0x");
                appendHex(shown, static_cast<std::make_unsigned_t<NativeChar>>(unit), sizeof(NativeChar) * 2);
                shown += VX_NATIVE('>');
            }
        }
    }
    return shown;
}

}  // namespace vx
