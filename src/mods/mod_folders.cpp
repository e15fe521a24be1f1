#include "mods/mod_folders.h"

#include "mods/folder_rules.h"
#include "mods/texts.h"

#include <optional>
#include <unordered_set>

namespace vx::mods {
namespace {

// The mods found in the game directory, as names in the listing's buffer.
struct FoundMods {
    std::vector<NativeStringView> names;
    std::vector<bool> enabled;
};

// Reads the game directory's subfolders as mods, in one pass in the
// listing's order: a duplicate is reported under the name of the second of
// the two folders met. Returns the fatal message, if there is one. The names
// seen are gone when it returns, before the mods are sorted.
std::optional<NativeString> readFolders(const NameList& folders, FoundMods& mods, bool& baseSeen) {
    // The lower cases of the mods seen so far, where the listing holds them.
    std::unordered_set<NativeStringView> seen;
    seen.reserve(folders.count());
    mods.names.reserve(folders.count());
    mods.enabled.reserve(folders.count());
    for (size_t index = 0; index < folders.count(); ++index) {
        const FolderClass folder = classify(folders[index]);
        if (folder.kind == FolderKind::BaseData) {
            baseSeen = true;
            continue;
        }
        // The lower case of the name without its suffix is that of the whole
        // folder name without its last four units: letters are lowered one by
        // one, and ".rte" lowers to itself.
        const NativeStringView lowered = folders.lowerCase(index);
        const size_t suffix = folder.kind == FolderKind::EnabledMod ? kEnabledSuffix.size() : 0;
        if (!seen.insert(lowered.substr(0, lowered.size() - suffix)).second)
            return text::duplicate(folder.modName);
        mods.names.push_back(folder.modName);
        mods.enabled.push_back(folder.kind == FolderKind::EnabledMod);
    }
    return std::nullopt;
}

}  // namespace

ModFolders::ModFolders(Platform& platform) : platform_(platform) {}

void ModFolders::warn(NativeStringView message) {
    platform_.messageBox(NativeString(message), MessageKind::Warning, NativeString(text::kErrorTitle));
}

bool ModFolders::fatal(NativeStringView message) {
    warn(message);
    platform_.end();
    return false;
}

bool ModFolders::Form_Load() {
    Result<NativeString> own = platform_.ownDirectory();
    if (!own.ok()) return fatal(text::ownDirectoryUnknown(own.failure()));
    gamePath_ = gamePathFrom(own.value());

    if (!platform_.isPlainFile(gamePath_ + NativeString(kProgramFile))) {
        return fatal(text::kProgramFileMissing);
    }

    {
        const Result<NameList> listing = platform_.subfolders(gamePath_);
        if (!listing.ok()) return fatal(text::cannotList(gamePath_, listing.failure().reason));
        FoundMods mods;
        bool baseSeen = false;
        if (std::optional<NativeString> message = readFolders(listing.value(), mods, baseSeen)) {
            return fatal(*message);
        }
        list_.assign(mods.names, mods.enabled, platform_);
        if (!baseSeen) return fatal(text::kNotInMainDirectory);
    }

    listReady_ = true;
    return true;
}

void ModFolders::setModEnabled(int row, bool enabled) {
    if (!listReady_ || row < 0 || row >= list_.count() || list_.checked(row) == enabled) return;

    const NativeString& name = list_.text(row);
    if (!enabled && stillEnabledWhenDisabled(name)) {
        warn(text::cannotDisableNested(name, enabledName(name), disabledName(name)));
        return;
    }
    const NativeString from = enabled ? disabledName(name) : enabledName(name);
    const NativeString to = enabled ? enabledName(name) : disabledName(name);
    if (MaybeFailure refused = platform_.renameFolder(gamePath_, from, to)) {
        showRefusal(row, enabled, from, to, *refused);
        return;
    }
    list_.setChecked(row, enabled);
}

void ModFolders::launchGame() {
    const NativeString program = gamePath_ + NativeString(kProgramFile);
    if (MaybeFailure refused = platform_.startProgram(program)) warn(text::launchFailed(program, *refused));
}

void ModFolders::showAbout() {
    platform_.messageBox(text::about(), MessageKind::Information, NativeString(text::kAboutTitle));
}

// Each row's text is made and lowered as it is looked at: a search runs
// once per key, and most end within a few rows.
int ModFolders::findRow(NativeStringView typed, int start, Match match) const {
    const int count = list_.count();
    if (start < 0 || start >= count) start = 0;
    const NativeString wanted = platform_.lower(typed);
    NativeString lowered;
    for (int i = 0; i < count; ++i) {
        const int row = (start + i) % count;
        lowered.clear();
        platform_.appendLower(text::rowText(list_.text(row)), lowered);
        if (match == Match::Whole ? lowered == wanted : lowered.starts_with(wanted)) return row;
    }
    return -1;
}

// The folder kept its name, or was never where the list says: the refusal
// tells which, and what holds the new name, and the box is made to match.
void ModFolders::showRefusal(int row, bool enabled, const NativeString& from, const NativeString& to,
                             const Failure& refused) {
    const NativeString& name = list_.text(row);
    if (refused.kind != FailureKind::SourceGone) {
        warn(text::renameRefused(name, enabled, from, to, refused));
    } else if (refused.existingIsFolder) {
        list_.setChecked(row, enabled);
        platform_.messageBox(text::alreadyInState(name, enabled), MessageKind::Information,
                             NativeString(text::kProgramTitle));
    } else {
        warn(text::folderGone(name, disabledName(name), enabledName(name)));
    }
}

}  // namespace vx::mods
