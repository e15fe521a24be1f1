// The game's folder convention, as pure functions.
//
// The game lives in its main directory (`gamePath`): the program file
// "Vexmoor.exe", the base data folder "base.rte" and one subfolder per mod. A
// mod is enabled exactly when its folder's name ends in ".rte" (any letter
// case); its mod name is the folder name without that suffix.
#pragma once

#include "platform/platform.h"

namespace vx::mods {

inline constexpr NativeStringView kProgramFile = VX_NATIVE("Vexmoor.exe");
inline constexpr NativeStringView kBaseFolder = VX_NATIVE("base.rte");
inline constexpr NativeStringView kEnabledSuffix = VX_NATIVE(".rte");

// The game directory for the program's own directory: the directory with
// exactly one trailing separator (a root already has it).
NativeString gamePathFrom(NativeStringView ownDirectory);

enum class FolderKind { BaseData, EnabledMod, DisabledMod };

struct FolderClass {
    FolderKind kind;
    NativeStringView modName;  // empty for the base data folder
};

// Classifies a folder by its own name: "base.rte" in any letter case is the
// base data folder; otherwise a name ending in ".rte" in any letter case is
// an enabled mod whose name is the rest, in its own letter case; anything
// else is a disabled mod of that very name.
//
// Only the ASCII letters of "base.rte" are compared without regard to case:
// no other character lower-cases to one of them, so this gives the same
// answer as lower-casing the whole name, without the cost.
FolderClass classify(NativeStringView ownName);

// The names of a mod's folder in each state. The suffix is always written in
// lower case; a folder found as "Foo.RTE" is still addressed as "Foo.rte",
// and the platform matches it without regard to letter case.
NativeString enabledName(NativeStringView modName);
inline NativeString disabledName(NativeStringView modName) {
    return NativeString(modName);
}

// True when the mod's disabled folder name would still be taken for an
// enabled mod or for the base data: a mod name that itself ends in ".rte" in
// any letter case (the folder "X.rte.rte"). Renaming such a folder cannot
// disable the mod.
bool stillEnabledWhenDisabled(NativeStringView modName);

}  // namespace vx::mods
