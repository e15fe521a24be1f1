#include "mods/commands.h"

#include "mods/folder_rules.h"
#include "mods/mod_folders.h"

#include <iterator>

namespace vx::mods {

NativeString aboutText() {
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

void showAbout(Platform& platform) {
    platform.messageBox(aboutText(), kStyleInformation, VX_NATIVE("About..."));
}

namespace {

// What the user can do about a game that would not start, for the kinds of
// failure that have a remedy; the system's reason speaks for the others.
constexpr NativeStringView kLaunchFailed = VX_NATIVE("Could not start the game \"");
constexpr NativeStringView kNeedsWine = VX_NATIVE(
    "Vexmoor.exe is a Windows program. To start it from here, install Wine (for example: sudo apt install "
    "wine).");
constexpr NativeStringView kNotExecutable = VX_NATIVE("Vexmoor.exe is not marked as executable (chmod +x).");

}  // namespace

NativeString launchFailedMessage(NativeStringView program, const Failure& failure) {
    NativeString message(kLaunchFailed);
    message.append(program).append(VX_NATIVE("\":\r\n"));
    switch (failure.kind) {
        case FailureKind::NeedsWine:
            return message.append(kNeedsWine);
        case FailureKind::NotExecutable:
            return message.append(kNotExecutable);
        default:
            return message.append(failure.reason);
    }
}

void launchGame(Platform& platform, const NativeString& gamePath) {
    const NativeString program = gamePath + NativeString(kProgramFile);
    if (Status refused = platform.startProgram(program)) {
        platform.messageBox(launchFailedMessage(program, *refused), kStyleExclamation,
                            NativeString(text::kErrorTitle));
    }
}

}  // namespace vx::mods
