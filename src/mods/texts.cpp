#include "mods/texts.h"

#include "platform/visible_text.h"

#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace vx::mods::text {
namespace {

NativeString join(std::initializer_list<NativeStringView> parts) {
    NativeString out;
    for (NativeStringView part : parts) out.append(part);
    return out;
}

std::vector<TextCharacter> charactersOf(NativeStringView name) {
    std::vector<TextCharacter> characters;
    for (size_t at = 0; at < name.size();) {
        characters.push_back(characterAt(name, at));
        at += characters.back().units.size();
    }
    return characters;
}

// Letters of scripts written from right to left.
bool isRightToLeft(char32_t c) {
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFC) ||
           (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF);
}

// Quoted names longer than this many characters are shortened in the middle.
constexpr size_t kLongestQuoted = 64;
constexpr size_t kQuotedEnds = 30;

// What usually stands behind a refused rename of each kind.
NativeStringView refusedHint(FailureKind kind) {
    switch (kind) {
        case FailureKind::TargetExists:
            return VX_NATIVE("A folder or file of the new name is already there. Rename or remove it first.");
#ifdef _WIN32
        case FailureKind::NoPermission:
            return VX_NATIVE(
                "Windows does not let you change the game folder: it may be a protected folder (allow this "
                "program in Windows Security, under Controlled folder access), belong to another user or lie "
                "on a read-only drive.");
#else
        case FailureKind::NoPermission:
            return VX_NATIVE(
                "You may not change this folder: check that you are allowed to rename folders in the game "
                "folder and that it is not on a read-only drive.");
#endif
        case FailureKind::UnderProgramFiles:
            return VX_NATIVE(
                "The game is in the Program Files folder, where only administrators may rename folders. "
                "Move the game to another folder (for example C:\\Games), or start this program as "
                "administrator (right-click it, then \"Run as administrator\").");
        case FailureKind::InUse:
            return VX_NATIVE(
                "The folder is in use: close the game and any program that has the folder or a file in it "
                "open, pause a sync client such as OneDrive, then try again.");
        case FailureKind::SourceGone:
            return VX_NATIVE(
                "The folder is not there any more: another program may have renamed, moved or deleted it.");
        case FailureKind::NoSafeRename:
            return VX_NATIVE(
                "The drive's file system cannot rename this folder safely: it only renames a folder onto a "
                "new name by means this program does not use, as they could replace another folder of that "
                "name. Rename the folder yourself (add or remove \".rte\" at the end of its name), or keep "
                "the game on a drive with another file system.");
        case FailureKind::LinkUnderWine:
        case FailureKind::NameWineCannotKeep:
        case FailureKind::NameWindowsCannotHold:
            return {};  // the reason says it all
        default:
            return VX_NATIVE(
                "This usually means that the game is running, that the folder is open in another program, "
                "or that a folder of that name already exists.");
    }
}

// Why a rename of the folder `from` was refused: the system's words, or
// ours for the program's own refusals.
NativeString refusedReason(const Failure& refused, NativeStringView from) {
    switch (refused.kind) {
        case FailureKind::AmbiguousSource:
            return join({VX_NATIVE("More than one folder is named \""), quotedName(from),
                         VX_NATIVE("\" when letter case is ignored, so it is unclear which one is meant.")});
        case FailureKind::LinkUnderWine:
            return VX_NATIVE(
                "This folder is a link to a folder elsewhere. Under Wine, renaming it would move the "
                "folder it links to into the game's folder instead of renaming the link, so it was left as "
                "it is. Rename the link on the Linux side.");
        case FailureKind::NameWineCannotKeep:
            return VX_NATIVE(
                "This folder's name is not valid UTF-8 text on the Linux side; renaming it under Wine would "
                "replace those characters for good. Rename it on Linux.");
        case FailureKind::NameWindowsCannotHold:
            return VX_NATIVE(
                "This folder's name holds a character that Windows does not allow in names "
                "(\\ / : * ? \" < > | or a control character). Under Wine a \\ or / in a name is read as "
                "the border between two folders, so renaming it could rename some other folder, even one "
                "outside the game's folder. Rename it on the Linux side, without those characters.");
        default:
            return refused.reason;
    }
}

}  // namespace

NativeString withoutAccessKey(NativeStringView caption) {
    NativeString name;
    for (size_t at = 0; at < caption.size(); ++at) {
        if (caption[at] == '&' && ++at == caption.size()) break;
        name += caption[at];
    }
    return name;
}

NativeString rowPosition(size_t position, size_t count) {
    const std::string digits = std::to_string(position) + " of " + std::to_string(count);
    return NativeString(digits.begin(), digits.end());  // ASCII, the same in UTF-8 and UTF-16
}

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
        if (i > 0) text += VX_NATIVE("\n");
        text += lines[i];
    }
    return text;
}

NativeString ownDirectoryUnknown(const Failure& failure) {
    const NativeStringView heading = VX_NATIVE("Cannot tell which folder this program was started from:\n");
    if (failure.kind == FailureKind::OwnPathWithoutFolder)
        return join({heading, VX_NATIVE("The program's own path has no folder: "), failure.reason});
    return join({heading, failure.reason});
}

NativeString cannotList(NativeStringView gamePath, NativeStringView reason) {
    return join(
        {VX_NATIVE("Cannot list the folders in \""), quotedName(gamePath), VX_NATIVE("\":\n"), reason});
}

NativeString duplicate(NativeStringView modName) {
    return join({kDuplicate, quotedName(modName)});
}

NativeString renameRefused(NativeStringView modName, bool enabling, NativeStringView from,
                           NativeStringView to, const Failure& refused) {
    const NativeStringView hint = refusedHint(refused.kind);
    NativeString taken;
    if (!refused.existing.empty()) {
        taken =
            join({VX_NATIVE("The name is taken by \""), quotedName(refused.existing), VX_NATIVE("\".\n")});
    }
    return join(
        {enabling ? VX_NATIVE("Could not enable the mod \"") : VX_NATIVE("Could not disable the mod \""),
         quotedName(modName), VX_NATIVE("\".\n\nThe folder \""), quotedName(from),
         VX_NATIVE("\" could not be renamed to \""), quotedName(to), VX_NATIVE("\":\n"),
         refusedReason(refused, from), VX_NATIVE("\n"), taken, VX_NATIVE("\n"), hint,
         hint.empty() ? VX_NATIVE("") : VX_NATIVE(" "), VX_NATIVE("The mod was left as it was.")});
}

NativeString cannotDisableNested(NativeStringView modName, NativeStringView folder,
                                 NativeStringView disabled) {
    return join(
        {VX_NATIVE("Could not disable the mod \""), quotedName(modName),
         VX_NATIVE("\".\n\nIts folder is called \""), quotedName(folder),
         VX_NATIVE("\". Clearing the box would rename it to \""), quotedName(disabled),
         VX_NATIVE("\", which still ends in \".rte\", so the game would go on loading the mod.\n\n"
                   "To disable it, close this program, rename the folder yourself so that its name no "
                   "longer ends in \".rte\", and start this program again. Nothing was changed.")});
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
    NativeString message = join({VX_NATIVE("Could not start the game \""), program, VX_NATIVE("\":\n")});
    switch (failure.kind) {
        case FailureKind::NeedsWine:
            return message.append(
                VX_NATIVE("Vexmoor.exe is a Windows program. To start it from here, install "
                          "Wine (for example: sudo apt install wine)."));
        case FailureKind::NotExecutable:
            return message.append(VX_NATIVE("Vexmoor.exe is not marked as executable (chmod +x)."));
        default:
            return message.append(failure.reason.empty() ? VX_NATIVE("The program could not be started.")
                                                         : NativeStringView(failure.reason));
    }
}

NativeString windowFailed(NativeStringView what, NativeStringView reason) {
    return reason.empty() ? join({what, VX_NATIVE(".")}) : join({what, VX_NATIVE(":\n"), reason});
}

NativeString rowText(NativeStringView name) {
    NativeString shown;
    shown.reserve(name.size());
    for (size_t at = 0; at < name.size();) {
        const TextCharacter character = characterAt(name, at);
        appendVisible(shown, character);
        at += character.units.size();
    }
    return shown;
}

NativeString quotedName(NativeStringView name) {
    const std::vector<TextCharacter> characters = charactersOf(name);
    NativeString shown;
    bool rightToLeft = false;
    for (const TextCharacter& c : characters)
        rightToLeft = rightToLeft || (c.valid && isRightToLeft(c.codePoint));
    if (rightToLeft) appendCodePoint(shown, 0x2068);  // first strong isolate
    if (characters.size() <= kLongestQuoted) {
        for (const TextCharacter& c : characters) appendVisible(shown, c);
    } else {
        for (size_t i = 0; i < kQuotedEnds; ++i) appendVisible(shown, characters[i]);
        appendCodePoint(shown, 0x2026);  // horizontal ellipsis
        for (size_t i = characters.size() - kQuotedEnds; i < characters.size(); ++i)
            appendVisible(shown, characters[i]);
    }
    if (rightToLeft) appendCodePoint(shown, 0x2069);  // pop directional isolate
    return shown;
}

}  // namespace vx::mods::text
