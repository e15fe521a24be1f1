#include "mods/mod_folders.h"

#include "mods/commands.h"
#include "mods/folder_rules.h"
#include "mods/texts.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace vx::mods {
namespace {

// The lower-cased names of the mods seen so far, to find a duplicate in one
// pass. They are looked at where the listing holds them, through an
// open-addressing table sized for all `expected` names up front, so it never
// fills past half and never grows.
class SeenNames {
public:
    explicit SeenNames(size_t expected) {
        size_t capacity = 16;
        while (capacity < expected * 2) capacity *= 2;
        slots_.assign(capacity, Slot{0, kEmpty});
        keys_.reserve(expected);
    }

    // Records the lower case `key` of a name (it stays where it is while this
    // table lives); false when it was recorded before.
    bool insert(NativeStringView key) {
        const size_t hash = std::hash<NativeStringView>{}(key);
        // The tag is taken from other bits than the slot, on 32-bit systems too.
        const auto tag = static_cast<uint32_t>((static_cast<uint64_t>(hash) * 0x9E3779B97F4A7C15u) >> 32);
        const size_t mask = slots_.size() - 1;
        for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            if (slots_[slot].key == kEmpty) {
                slots_[slot] = {tag, static_cast<uint32_t>(keys_.size())};
                keys_.push_back(key);
                return true;
            }
            if (slots_[slot].tag == tag && keys_[slots_[slot].key] == key) return false;
        }
    }

private:
    // A slot holds a name's number and part of its hash, so that most slots
    // of other names are passed without looking at the names.
    struct Slot {
        uint32_t tag;
        uint32_t key;
    };
    static constexpr uint32_t kEmpty = UINT32_MAX;

    std::vector<NativeStringView> keys_;
    std::vector<Slot> slots_;
};

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
    SeenNames seen(folders.count());
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
        if (!seen.insert(lowered.substr(0, lowered.size() - suffix))) return text::duplicate(folder.modName);
        mods.names.push_back(folder.modName);
        mods.enabled.push_back(folder.kind == FolderKind::EnabledMod);
    }
    return std::nullopt;
}

}  // namespace

ModFolders::ModFolders(Platform& platform) : platform_(platform) {}

bool ModFolders::fatal(NativeStringView message) {
    platform_.messageBox(NativeString(message), MessageKind::Warning, NativeString(text::kErrorTitle));
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
        platform_.messageBox(text::cannotDisableNested(name, enabledName(name), disabledName(name)),
                             MessageKind::Warning, NativeString(text::kErrorTitle));
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
    mods::launchGame(platform_, gamePath_);
}

void ModFolders::showAbout() {
    mods::showAbout(platform_);
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
    const NativeString error(text::kErrorTitle);
    if (refused.kind != FailureKind::SourceGone) {
        platform_.messageBox(text::renameRefused(name, enabled, from, to, refused), MessageKind::Warning,
                             error);
    } else if (refused.existingIsFolder) {
        list_.setChecked(row, enabled);
        platform_.messageBox(text::alreadyInState(name, enabled), MessageKind::Information,
                             NativeString(text::kProgramTitle));
    } else {
        platform_.messageBox(text::folderGone(name, disabledName(name), enabledName(name)),
                             MessageKind::Warning, error);
    }
}

}  // namespace vx::mods
