#include "mods/folder_rules.h"

#include "support/native.h"

#include <gtest/gtest.h>

namespace vx::mods {
namespace {

using testing::N;
using testing::U;

struct ClassCase {
    const char* ownName;
    FolderKind kind;
    const char* modName;
};

TEST(FolderRules, ClassifiesByOwnName) {
    const ClassCase cases[] = {
        {"base.rte", FolderKind::BaseData, ""},
        {"Base.RTE", FolderKind::BaseData, ""},
        {"BASE.rte", FolderKind::BaseData, ""},
        {"base.rte.old", FolderKind::DisabledMod, "base.rte.old"},
        {"base", FolderKind::DisabledMod, "base"},
        {"Foo.rte", FolderKind::EnabledMod, "Foo"},
        {"Foo.RTE", FolderKind::EnabledMod, "Foo"},
        {"MiXed.Rte", FolderKind::EnabledMod, "MiXed"},
        {".rte", FolderKind::EnabledMod, ""},
        {"rte", FolderKind::DisabledMod, "rte"},
        {"x.rte.bak", FolderKind::DisabledMod, "x.rte.bak"},
        {"a.rte.rte", FolderKind::EnabledMod, "a.rte"},
        {"Foo", FolderKind::DisabledMod, "Foo"},
        {"", FolderKind::DisabledMod, ""},
        {"Ärger.rte", FolderKind::EnabledMod, "Ärger"},
        {"Ωμέγα 😀.Rte", FolderKind::EnabledMod, "Ωμέγα 😀"},
        {"\u0130.rte", FolderKind::EnabledMod, "\u0130"},  // capital I with dot: not an ASCII letter
        {"base.rt\u0130", FolderKind::DisabledMod, "base.rt\u0130"},
        {" spaced .rte", FolderKind::EnabledMod, " spaced "},
    };
    for (const ClassCase& c : cases) {
        const NativeString name = N(c.ownName);
        const FolderClass result = classify(name);
        EXPECT_EQ(result.kind, c.kind) << c.ownName;
        EXPECT_EQ(U(result.modName), c.modName) << c.ownName;
    }
}

#ifndef _WIN32
// POSIX names are bytes, not necessarily text.
TEST(FolderRules, ClassifiesNamesThatAreNotText) {
    const FolderClass result = classify("\xff\xfe.RTE");
    EXPECT_EQ(result.kind, FolderKind::EnabledMod);
    EXPECT_EQ(result.modName, "\xff\xfe");
}
#endif

// Paths in the system's own form: "/..." on POSIX, "C:\..." on Windows.
struct PathCase {
    const char* posix;
    const char* windows;
};

std::string systemPath(const PathCase& c) {
#ifdef _WIN32
    return c.windows;
#else
    return c.posix;
#endif
}

TEST(FolderRules, GamePathEndsInExactlyOneSeparator) {
    const std::pair<PathCase, PathCase> cases[] = {
        {{"/", "C:\\"}, {"/", "C:\\"}},
        {{"/games/Vexmoor", "C:\\games\\Vexmoor"}, {"/games/Vexmoor/", "C:\\games\\Vexmoor\\"}},
        {{"/games/with space ", "D:\\with space "}, {"/games/with space /", "D:\\with space \\"}},
        {{"/net/share", "\\\\server\\share"}, {"/net/share/", "\\\\server\\share\\"}},
    };
    for (const auto& [own, game] : cases) {
        EXPECT_EQ(U(gamePathFrom(N(systemPath(own)))), systemPath(game));
    }
}

TEST(FolderRules, FolderNamesOfAModAreItsNameWithOrWithoutLowerCaseSuffix) {
    EXPECT_EQ(U(enabledName(N("Foo"))), "Foo.rte");
    EXPECT_EQ(U(disabledName(N("Foo"))), "Foo");
    EXPECT_EQ(U(enabledName(N("x.rte.bak"))), "x.rte.bak.rte");
    EXPECT_EQ(U(enabledName(N(""))), ".rte");
    EXPECT_EQ(disabledName(N("")), N(""));
}

}  // namespace
}  // namespace vx::mods
