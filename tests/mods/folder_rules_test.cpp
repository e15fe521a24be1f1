#include "mods/folder_rules.h"

#include <gtest/gtest.h>

namespace vx::mods {
namespace {

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
        {" spaced .rte", FolderKind::EnabledMod, " spaced "},
        {"\xff\xfe.RTE", FolderKind::EnabledMod, "\xff\xfe"},
    };
    for (const ClassCase& c : cases) {
        const FolderClass result = classify(c.ownName);
        EXPECT_EQ(result.kind, c.kind) << c.ownName;
        EXPECT_EQ(result.modName, c.modName) << c.ownName;
    }
}

TEST(FolderRules, GamePathEndsInExactlyOneSeparator) {
    EXPECT_EQ(gamePathFrom("/"), "/");
    EXPECT_EQ(gamePathFrom("/games/Vexmoor"), "/games/Vexmoor/");
    EXPECT_EQ(gamePathFrom("/games/with space "), "/games/with space /");
}

TEST(FolderRules, OwnNameIsTheTextAfterTheLastSeparator) {
    EXPECT_EQ(ownName("/games/V/Foo.rte"), "Foo.rte");
    EXPECT_EQ(ownName("/games/V/.rte"), ".rte");
    EXPECT_EQ(ownName("/x"), "x");
    EXPECT_EQ(ownName("/games/V/"), "");
}

TEST(FolderRules, FoldersOfAModAreGamePathPlusNameWithOrWithoutLowerCaseSuffix) {
    EXPECT_EQ(enabledFolder("/g/", "Foo"), "/g/Foo.rte");
    EXPECT_EQ(disabledFolder("/g/", "Foo"), "/g/Foo");
    EXPECT_EQ(enabledFolder("/g/", "x.rte.bak"), "/g/x.rte.bak.rte");
    EXPECT_EQ(enabledFolder("/", ""), "/.rte");
    EXPECT_EQ(disabledFolder("/", ""), "/");
}

TEST(FolderRules, SameModComparesLowerCasedNames) {
    const LowerCase lower = [](NativeStringView s) {
        NativeString out(s);
        for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return out;
    };
    EXPECT_TRUE(sameMod("Foo", "FOO", lower));
    EXPECT_TRUE(sameMod("", "", lower));
    EXPECT_FALSE(sameMod("Foo", "Foo ", lower));
    EXPECT_FALSE(sameMod("Foo", "Fo0", lower));
}

}  // namespace
}  // namespace vx::mods
