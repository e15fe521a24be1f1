#include "mods/commands.h"

#include "mods/folder_rules.h"
#include "mods/texts.h"

namespace vx::mods {

void showAbout(Platform& platform) {
    platform.messageBox(text::about(), kStyleInformation, NativeString(text::kAboutTitle));
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
