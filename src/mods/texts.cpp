#include "mods/texts.h"

#include "platform/utf8.h"

#include <initializer_list>
#include <iterator>
#include <vector>

namespace vx::mods::text {
namespace {

NativeString join(std::initializer_list<NativeStringView> parts) {
    NativeString out;
    for (NativeStringView part : parts) out.append(part);
    return out;
}

// One character of a name: its code point, or, for code units that do not
// form a character (a stray byte of a name that is not UTF-8, an unpaired
// surrogate), just those units, kept as they are.
struct Character {
    char32_t codePoint;
    bool valid;
    NativeStringView units;
};

#ifdef _WIN32
Character characterAt(NativeStringView name, size_t at) {
    const char32_t unit = name[at];
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < name.size() && name[at + 1] >= 0xDC00 &&
        name[at + 1] <= 0xDFFF) {
        const char32_t code = 0x10000 + ((unit - 0xD800) << 10) + (char32_t(name[at + 1]) - 0xDC00);
        return {code, true, name.substr(at, 2)};
    }
    const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
    return {unit, !surrogate, name.substr(at, 1)};
}

void appendCodePoint(NativeString& out, char32_t code) {
    if (code >= 0x10000) {
        out += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
        out += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
        out += static_cast<wchar_t>(code);
    }
}
#else
Character characterAt(NativeStringView name, size_t at) {
    const Utf8Character character = utf8CharacterAt(name, at);
    return {character.code, character.valid, name.substr(at, character.length)};
}

void appendCodePoint(NativeString& out, char32_t code) {
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
#endif

std::vector<Character> charactersOf(NativeStringView name) {
    std::vector<Character> characters;
    for (size_t at = 0; at < name.size();) {
        characters.push_back(characterAt(name, at));
        at += characters.back().units.size();
    }
    return characters;
}

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

// Letters of scripts written from right to left.
bool isRightToLeft(char32_t c) {
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFC) ||
           (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF);
}

void appendCodeName(NativeString& out, char32_t c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += VX_NATIVE("<U+");
    int digits = c > 0xFFFF ? 5 : 4;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += static_cast<NativeChar>(kDigits[(c >> shift) & 0xF]);
    out += VX_NATIVE('>');
}

void appendShown(NativeString& out, const Character& character) {
    const char32_t c = character.codePoint;
    if (!character.valid) {
        out.append(character.units);  // shown as the replacement character
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

// Quoted names longer than this many characters are shortened in the middle.
constexpr size_t kLongestQuoted = 64;
constexpr size_t kQuotedEnds = 30;

// What usually stands behind a refused rename of each kind.
NativeStringView refusedHint(FailureKind kind) {
    switch (kind) {
        case FailureKind::TargetExists:
            return VX_NATIVE("A folder or file of the new name is already there. Rename or remove it first.");
        case FailureKind::NoPermission:
            return VX_NATIVE(
                "You may not change this folder: check that you are allowed to rename folders in the game "
                "folder and that it is not on a read-only drive.");
        case FailureKind::InUse:
            return VX_NATIVE(
                "The folder is in use: close the game and any program that has the folder or a file in it "
                "open, then try again.");
        case FailureKind::SourceGone:
            return VX_NATIVE(
                "The folder is not there any more: another program may have renamed, moved or deleted it.");
        case FailureKind::Unsafe:
            return {};  // the reason says it all
        default:
            return VX_NATIVE(
                "This usually means that the game is running, that the folder is open in another program, "
                "or that a folder of that name already exists.");
    }
}

}  // namespace

NativeString about() {
    static constexpr NativeStringView lines[] = {
        VX_NATIVE("Vexmoor ModManager v1.1"),
        VX_NATIVE("coded by the deDidAzorovo authors for the Vexmoor modding community"),
        VX_NATIVE(""),
        VX_NATIVE("This program is donation-supported: if you like it, please consider paying for it."),
        VX_NATIVE("You can find its authors among the Vexmoor modding community."),
        VX_NATIVE(""),
        VX_NATIVE("Creditz:"),
        VX_NATIVE("The Vexmoor developers: for coding the game"),
        VX_NATIVE("The Vexmoor modding community: for the mods worth managing"),
        VX_NATIVE("Our testers: for renaming more folders than anyone should"),
        VX_NATIVE(""),
        VX_NATIVE("Enjoy!"),
    };
    NativeString text;
    for (size_t i = 0; i < std::size(lines); ++i) {
        if (i > 0) text += VX_NATIVE("\r\n");
        text += lines[i];
    }
    return text;
}

NativeString ownDirectoryUnknown(NativeStringView reason) {
    return join({VX_NATIVE("Cannot tell which folder this program was started from:\r\n"), reason});
}

NativeString cannotList(NativeStringView gamePath, NativeStringView reason) {
    return join(
        {VX_NATIVE("Cannot list the folders in \""), quotedName(gamePath), VX_NATIVE("\":\r\n"), reason});
}

NativeString icuMissing(std::span<const NativeString> directories, NativeStringView reason) {
    NativeString text = VX_NATIVE(
        "deDidAzorovo needs ICU, the system's library for Unicode text, to compare mod names, and found none "
        "it can use: no libicuuc.so.N beside libicui18n.so.N of the same release in ");
    for (size_t i = 0; i < directories.size(); ++i) {
        if (i > 0) text += VX_NATIVE(", ");
        text += directories[i];
    }
    if (directories.empty()) text += VX_NATIVE("any library folder");
    text += VX_NATIVE(".\r\n");
    if (!reason.empty()) text.append(reason).append(VX_NATIVE("\r\n"));
    text += VX_NATIVE(
        "Install your distribution's ICU package (on Debian and Ubuntu libicu with its release number, such "
        "as "
        "libicu76; libicu on Fedora; icu on Arch) and start deDidAzorovo again.");
    return text;
}

NativeString duplicate(NativeStringView modName) {
    return join({kDuplicate, quotedName(modName)});
}

NativeString renameRefused(NativeStringView modName, bool enabling, NativeStringView from,
                           NativeStringView to, NativeStringView reason, FailureKind kind) {
    return join(
        {enabling ? VX_NATIVE("Could not enable the mod \"") : VX_NATIVE("Could not disable the mod \""),
         quotedName(modName), VX_NATIVE("\".\r\n\r\nThe folder \""), quotedName(from),
         VX_NATIVE("\" could not be renamed to \""), quotedName(to), VX_NATIVE("\":\r\n"), reason,
         VX_NATIVE("\r\n\r\n"), refusedHint(kind), refusedHint(kind).empty() ? VX_NATIVE("") : VX_NATIVE(" "),
         VX_NATIVE("The mod was left as it was.")});
}

NativeString alreadyInState(NativeStringView modName, bool enabled) {
    return join({VX_NATIVE("The mod \""), quotedName(modName),
                 enabled ? VX_NATIVE("\" was already enabled") : VX_NATIVE("\" was already disabled"),
                 VX_NATIVE(": another program renamed its folder.")});
}

NativeString folderGone(NativeStringView modName, NativeStringView disabled, NativeStringView enabled) {
    return join({VX_NATIVE("The folder of the mod \""), quotedName(modName),
                 VX_NATIVE("\" is no longer there: there is neither \""), quotedName(disabled),
                 VX_NATIVE("\" nor \""), quotedName(enabled),
                 VX_NATIVE("\" in the game folder. Another program may have renamed, moved or deleted it.")});
}

NativeString launchFailed(NativeStringView program, const Failure& failure) {
    NativeString message = join({VX_NATIVE("Could not start the game \""), program, VX_NATIVE("\":\r\n")});
    switch (failure.kind) {
        case FailureKind::NeedsWine:
            return message.append(
                VX_NATIVE("Vexmoor.exe is a Windows program. To start it from here, install "
                          "Wine (for example: sudo apt install wine)."));
        case FailureKind::NotExecutable:
            return message.append(VX_NATIVE("Vexmoor.exe is not marked as executable (chmod +x)."));
        default:
            return message.append(failure.reason);
    }
}

NativeString rowText(NativeStringView name) {
    NativeString shown;
    shown.reserve(name.size());
    for (size_t at = 0; at < name.size();) {
        const Character character = characterAt(name, at);
        appendShown(shown, character);
        at += character.units.size();
    }
    return shown;
}

NativeString quotedName(NativeStringView name) {
    const std::vector<Character> characters = charactersOf(name);
    NativeString shown;
    bool rightToLeft = false;
    for (const Character& c : characters)
        rightToLeft = rightToLeft || (c.valid && isRightToLeft(c.codePoint));
    if (rightToLeft) appendCodePoint(shown, 0x2068);  // first strong isolate
    if (characters.size() <= kLongestQuoted) {
        for (const Character& c : characters) appendShown(shown, c);
    } else {
        for (size_t i = 0; i < kQuotedEnds; ++i) appendShown(shown, characters[i]);
        appendCodePoint(shown, 0x2026);  // horizontal ellipsis
        for (size_t i = characters.size() - kQuotedEnds; i < characters.size(); ++i)
            appendShown(shown, characters[i]);
    }
    if (rightToLeft) appendCodePoint(shown, 0x2069);  // pop directional isolate
    return shown;
}

}  // namespace vx::mods::text
