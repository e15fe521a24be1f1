// Showing text so that every character in it can be seen: the one way the
// rows of the list, the names quoted in messages and the messages written to
// a terminal make characters visible that would otherwise be invisible,
// would break the line, would turn the text around or would be taken as a
// command by a terminal.
#pragma once

#include "platform/platform.h"

namespace vx {

// One character of a text in its native units: its code point, or, for
// units that do not form a character (a stray byte of a name that is not
// UTF-8, an unpaired surrogate), just those units.
struct TextCharacter {
    char32_t codePoint;
    bool valid;
    NativeStringView units;
};

// The character that begins at unit `at` of `text`.
TextCharacter characterAt(NativeStringView text, size_t at);

// Appends the native units of the code point `code`.
void appendCodePoint(NativeString& out, char32_t code);

// Appends `character` as the rows of the list show it: control characters
// (C0 as the symbols of the Control Pictures block, DEL as "␡", C1 as
// "<U+0085>" and so on), invisible and direction-changing characters as
// "<U+200B>" and so on, a combining accent on a dotted circle, and anything
// else, units that form no character included, as it is.
void appendVisible(NativeString& out, const TextCharacter& character);

// `text` as a terminal is to show it: every character as a row shows it,
// units that form no character by their value ("<0x9B>"), and line breaks
// ("\n") as they are. Nothing in it is a control character but LF, so
// nothing in it can move the cursor, recolour or retitle the terminal.
NativeString terminalText(NativeStringView text);

}  // namespace vx
