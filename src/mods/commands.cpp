#include "mods/commands.h"

#include "mods/folder_rules.h"
#include "mods/texts.h"

namespace vx::mods {

void showAbout(Platform& platform) {
    platform.messageBox(text::about(), MessageKind::Information, NativeString(text::kAboutTitle));
}

void launchGame(Platform& platform, const NativeString& gamePath) {
    const NativeString program = gamePath + NativeString(kProgramFile);
    if (MaybeFailure refused = platform.startProgram(program)) {
        platform.messageBox(text::launchFailed(program, *refused), MessageKind::Warning,
                            NativeString(text::kErrorTitle));
    }
}

}  // namespace vx::mods
