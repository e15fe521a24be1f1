// The startup scan over a made-up game directory: the listing comes from the
// input; lower-casing and ordering are the POSIX backend's own. The scan's
// outcome is checked against the folder rules worked out here afresh, by
// lower-casing whole names.
//
// Input: one byte choosing the locale (low bits) and whether the program
// file is missing (top bit), then the subfolder names in the order the
// listing yields them, separated by NUL bytes.
#include "fuzz_input.h"
#include "mods/mod_folders.h"
#include "mods/texts.h"

#include "platform/utf8.h"

#include <QChar>

#include <optional>
#include <string>
#include <unordered_set>

using vx::NativeString;
using vx::fuzz::check;

namespace {

class FakeGame : public vx::posix::PosixPlatform {
public:
    explicit FakeGame(const char* locale) : PosixPlatform(locale) {}

    vx::Result<NativeString> ownDirectory() override { return NativeString("/game"); }
    vx::Result<vx::NameList> subfolders(const NativeString& directory) override {
        check(directory == "/game/" && !listed, "the game directory is listed once");
        listed = true;
        return listing;
    }
    bool isPlainFile(const NativeString& path) override { return programFile && path == "/game/Vexmoor.exe"; }
    void messageBox(const NativeString& text, vx::MessageKind kind, const NativeString& title) override {
        check(messages.empty(), "one message");
        check(kind == vx::MessageKind::Warning && title == "Error", "an error box");
        messages.push_back(text);
    }
    void end() override { ++ends; }

    vx::NameList listing;
    bool programFile = true;
    bool listed = false;
    std::vector<NativeString> messages;
    int ends = 0;
};

struct Folder {
    std::string_view name;
    bool base = false;
    bool enabled = false;
    std::string_view mod;
};

Folder folderOf(FakeGame& platform, std::string_view name) {
    const NativeString lowered = platform.lower(name);
    if (lowered == "base.rte") return {name, true, false, {}};
    if (lowered.ends_with(".rte")) return {name, false, true, name.substr(0, name.size() - 4)};
    return {name, false, false, name};
}

bool isUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const vx::Utf8Character c = vx::utf8CharacterAt(text, at);
        if (!c.valid) return false;
        at += c.length;
    }
    return true;
}

// The format characters that stand before numbers (Unicode's
// Prepended_Concatenation_Mark), which are shown.
bool isPrependedMark(char32_t c) {
    return (c >= 0x600 && c <= 0x605) || c == 0x6DD || c == 0x70F || c == 0x890 || c == 0x891 || c == 0x8E2 ||
           c == 0x110BD || c == 0x110CD;
}

// A name quoted in a message shows no control, line break or format
// character as it is (the signs that stand before numbers, like U+0600, are
// visible): only the isolate around a name written right to left.
void checkVisible(std::string_view quoted) {
    if (quoted.starts_with("\u2068") && quoted.ends_with("\u2069"))
        quoted = quoted.substr(3, quoted.size() - 6);
    for (size_t at = 0; at < quoted.size();) {
        const vx::Utf8Character c = vx::utf8CharacterAt(quoted, at);
        at += c.length;
        const QChar::Category type = QChar::category(c.code);
        const bool hidden = type == QChar::Other_Control || type == QChar::Separator_Line ||
                            type == QChar::Separator_Paragraph ||
                            (type == QChar::Other_Format && !isPrependedMark(c.code));
        check(!c.valid || !hidden, "invisible characters are made visible");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FakeGame& platform = vx::fuzz::platformFor<FakeGame>(data[0] & 0x7F);
    FakeGame& otherLocale = vx::fuzz::platformFor<FakeGame>((data[0] & 0x7F) + 1);
    platform.listing = {};
    platform.programFile = (data[0] & 0x80) == 0;
    platform.listed = false;
    platform.messages.clear();
    platform.ends = 0;
    std::vector<Folder> folders;
    for (std::string_view name : vx::fuzz::splitNames({reinterpret_cast<const char*>(data) + 1, size - 1})) {
        if (name.empty() || name == "." || name == "..") continue;  // never in a listing
        platform.listing.add(name, platform.lower(name));
        folders.push_back(folderOf(platform, name));
    }

    vx::mods::ModFolders scan(platform);
    const bool ready = scan.Form_Load();
    if (!platform.programFile) {
        check(!ready && !platform.listed && platform.ends == 1, "no program file: nothing listed");
        check(platform.messages.at(0) == vx::mods::text::kProgramFileMissing, "program file message");
        return 0;
    }

    // The mods in the listing's order, up to the first that repeats one
    // before it when both are lower-cased.
    bool base = false;
    std::vector<Folder> mods;
    std::unordered_set<std::string> seen;
    std::optional<std::string_view> duplicate;
    for (const Folder& folder : folders) {
        const NativeString lowered = platform.lower(folder.name);
        check(isUtf8(lowered) == isUtf8(folder.name), "lower-casing keeps a name valid or invalid");
        check(lowered == otherLocale.lower(folder.name), "lower-casing is the same in every locale");
        if (folder.base) {
            base = true;
            continue;
        }
        checkVisible(vx::mods::text::quotedName(folder.mod));
        if (!seen.insert(platform.lower(folder.mod)).second) {
            duplicate = folder.mod;
            break;
        }
        mods.push_back(folder);
    }

    // Mods told apart stay apart with the suffix on, and lower-casing a mod
    // name and then adding the suffix is lower-casing its enabled name.
    std::unordered_set<std::string> enabledNames;
    for (const Folder& mod : mods) {
        const NativeString enabled = platform.lower(NativeString(mod.mod) + ".rte");
        check(enabled == platform.lower(mod.mod) + ".rte", "suffix lower-cases on its own");
        check(enabledNames.insert(enabled).second, "distinct mods have distinct enabled names");
    }

    if (duplicate) {
        check(!ready && platform.ends == 1, "a duplicate ends the scan");
        check(platform.messages.at(0) == vx::mods::text::duplicate(*duplicate), "duplicate names the second");
        return 0;
    }
    check(ready == base && platform.ends == (base ? 0 : 1) && platform.messages.size() == (base ? 0u : 1u),
          "ready exactly with the base data folder");
    if (!base)
        check(platform.messages.at(0) == vx::mods::text::kNotInMainDirectory, "main directory message");

    // One row per mod, in the platform's order of the names.
    const vx::mods::ModList& list = scan.List1();
    check(list.count() == static_cast<int>(mods.size()), "one row per mod");
    std::vector<std::string_view> names;
    for (const Folder& mod : mods) names.push_back(mod.mod);
    const std::vector<uint32_t> order = platform.sortedOrder(names);
    for (int row = 0; row < list.count(); ++row) {
        const Folder& mod = mods[order[row]];
        check(list.text(row) == mod.mod && list.checked(row) == mod.enabled,
              "rows sorted, flags from suffix");
    }
    return 0;
}
