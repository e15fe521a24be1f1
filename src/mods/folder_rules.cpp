#include "mods/folder_rules.h"

namespace vx::mods {
namespace {

// `text` equals `lowerAscii` (all lower case) when ASCII letters are folded.
bool equalsFolded(NativeStringView text, NativeStringView lowerAscii) {
    if (text.size() != lowerAscii.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (asciiLower(text[i]) != lowerAscii[i]) return false;
    }
    return true;
}

}  // namespace

NativeString gamePathFrom(NativeStringView ownDirectory) {
    NativeString path(ownDirectory);
    if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
    return path;
}

FolderClass classify(NativeStringView name) {
    if (equalsFolded(name, kBaseFolder)) return {FolderKind::BaseData, {}};
    const size_t n = kEnabledSuffix.size();
    if (name.size() >= n && equalsFolded(name.substr(name.size() - n), kEnabledSuffix)) {
        return {FolderKind::EnabledMod, name.substr(0, name.size() - n)};
    }
    return {FolderKind::DisabledMod, name};
}

bool stillEnabledWhenDisabled(NativeStringView modName) {
    return classify(disabledName(modName)).kind != FolderKind::DisabledMod;
}

NativeString enabledName(NativeStringView modName) {
    return NativeString(modName).append(kEnabledSuffix);
}

}  // namespace vx::mods
