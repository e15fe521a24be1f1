#include "platform/posix/posix_platform.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

namespace vx::posix {
namespace {

using testing::TempDir;
using namespace std::chrono_literals;

class PosixPlatformTest : public ::testing::Test {
protected:
    TempDir dir;
    PosixPlatform platform{"en_US"};

    std::vector<std::string> subfolderNames() {
        Result<NameList> listing = platform.subfolders(dir.path() + "/");
        EXPECT_TRUE(listing.ok());
        std::vector<std::string> names;
        for (size_t index = 0; index < listing.value().count(); ++index)
            names.emplace_back(listing.value()[index]);
        std::sort(names.begin(), names.end());
        return names;
    }

    Status rename(const std::string& from, const std::string& to) {
        return platform.renameFolder(dir.path() + "/", from, to);
    }
};

// --- own directory and listing ---------------------------------------------

TEST_F(PosixPlatformTest, OwnDirectoryHoldsTheRunningProgram) {
    Result<std::string> own = platform.ownDirectory();
    ASSERT_TRUE(own.ok());
    EXPECT_NE(own.value().back(), '/');
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    EXPECT_EQ(std::string(self).rfind(own.value() + "/", 0), 0u);
}

TEST_F(PosixPlatformTest, ListingYieldsSubfoldersAndLinksToThemOnly) {
    dir.makeFolder("plain");
    dir.makeFolder(".dotted");
    dir.makeFolder(".rte");
    dir.makeFolder("with space ");
    dir.makeFile("file.rte");
    ASSERT_EQ(symlink("plain", (dir / "linked").c_str()), 0);
    ASSERT_EQ(symlink("file.rte", (dir / "filelink").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (dir / "dangling").c_str()), 0);
    EXPECT_EQ(subfolderNames(),
              (std::vector<std::string>{".dotted", ".rte", "linked", "plain", "with space "}));
}

TEST_F(PosixPlatformTest, ListingOfAMissingDirectoryFailsWithTheReason) {
    Result<NameList> listing = platform.subfolders(dir / "missing/");
    ASSERT_FALSE(listing.ok());
    EXPECT_EQ(listing.failure().reason, "No such file or directory");
}

TEST_F(PosixPlatformTest, PlainFileIsARegularFileEvenWhenReadOnlyOrLinked) {
    dir.makeFile("game");
    dir.makeFile("locked");
    ASSERT_EQ(chmod((dir / "locked").c_str(), 0444), 0);
    dir.makeFolder("folder");
    ASSERT_EQ(symlink("game", (dir / "link").c_str()), 0);
    EXPECT_TRUE(platform.isPlainFile(dir / "game"));
    EXPECT_TRUE(platform.isPlainFile(dir / "locked"));
    EXPECT_TRUE(platform.isPlainFile(dir / "link"));
    EXPECT_FALSE(platform.isPlainFile(dir / "folder"));
    EXPECT_FALSE(platform.isPlainFile(dir / "missing"));
    EXPECT_FALSE(platform.isPlainFile("/dev/null"));
}

// --- rename -------------------------------------------------------------------

TEST_F(PosixPlatformTest, RenameMovesTheFolderWithItsContents) {
    dir.makeFolder("Foo");
    dir.makeFile("Foo/data.ini", "x");
    EXPECT_FALSE(rename("Foo", "Foo.rte"));
    EXPECT_TRUE(dir.exists("Foo.rte/data.ini"));
    EXPECT_FALSE(dir.exists("Foo"));
}

TEST_F(PosixPlatformTest, RenameNeverReplacesAnything) {
    dir.makeFolder("Foo");
    dir.makeFolder("Foo.rte");  // empty: a plain rename() would silently replace it
    dir.makeFolder("Bar");
    dir.makeFile("Bar.rte");
    const auto before = dir.entries();
    for (const auto& [from, to] : {std::pair{"Foo", "Foo.rte"}, std::pair{"Bar", "Bar.rte"}}) {
        const Status refused = rename(from, to);
        ASSERT_TRUE(refused) << from;
        EXPECT_NE(refused->reason.find("File exists"), std::string::npos) << refused->reason;
    }
    EXPECT_EQ(dir.entries(), before);
}

TEST_F(PosixPlatformTest, FallbackRenameNeverReplacesAnythingEither) {
    dir.makeFolder("Foo");
    dir.makeFile("Foo/data.ini", "x");
    dir.makeFolder("Empty");
    dir.makeFile("File");
    EXPECT_EQ(renameNoReplace(dir / "Foo", dir / "Empty", false), EEXIST);
    EXPECT_EQ(renameNoReplace(dir / "Foo", dir / "File", false), EEXIST);
    EXPECT_EQ(renameNoReplace(dir / "Missing", dir / "Missing.rte", false), ENOENT);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"Empty", "File", "Foo"}));  // no claim left behind

    EXPECT_EQ(renameNoReplace(dir / "Foo", dir / "Foo.rte", false), 0);
    EXPECT_TRUE(dir.exists("Foo.rte/data.ini"));
    EXPECT_FALSE(dir.exists("Foo"));
}

TEST_F(PosixPlatformTest, RenameMatchesNamesIgnoringCase) {
    dir.makeFolder("Foo.RTE");
    EXPECT_FALSE(rename("Foo.rte", "Foo"));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"Foo"});

    dir.makeFolder("Ärger.RTE");
    EXPECT_FALSE(rename("ärger.rte", "Ärger"));
    EXPECT_TRUE(dir.isFolder("Ärger"));
}

TEST_F(PosixPlatformTest, RenameRefusesATargetInAnyLetterCase) {
    dir.makeFolder("Foo");
    dir.makeFolder("fOO.Rte");
    const Status refused = rename("Foo", "Foo.rte");
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->reason.find("fOO.Rte"), std::string::npos) << refused->reason;
    EXPECT_TRUE(dir.isFolder("Foo"));
}

TEST_F(PosixPlatformTest, RenameRefusesAnAmbiguousOrMissingSource) {
    dir.makeFolder("Foo.RTE");
    dir.makeFolder("FOO.rtE");
    const Status ambiguous = rename("Foo.rte", "Foo");
    ASSERT_TRUE(ambiguous);
    EXPECT_NE(ambiguous->reason.find("More than one folder"), std::string::npos);

    const Status missing = rename("Bar", "Bar.rte");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->reason, "No such file or directory");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"FOO.rtE", "Foo.RTE"}));
}

TEST_F(PosixPlatformTest, RenameRefusesAFileAndAnEmptyName) {
    dir.makeFile("NotAFolder");
    ASSERT_TRUE(rename("NotAFolder", "NotAFolder.rte"));
    EXPECT_TRUE(dir.exists("NotAFolder"));
    dir.makeFolder(".rte");
    EXPECT_TRUE(rename(".rte", ""));
    EXPECT_TRUE(dir.isFolder(".rte"));
}

// --- program start --------------------------------------------------------------

// What the game's program file is decides how it starts: itself, through the
// "wine" on the PATH, or not at all, saying why. Whatever starts, starts in
// the game's folder (named to trip a shell) and is no child of ours.
TEST_F(PosixPlatformTest, StartRunsEachKindOfProgramInItsFolderOrSaysWhyNot) {
    const std::string record = dir / "started";
    const std::string recorder = "#!/bin/sh\nprintf '%s|%s' \"$0 $*\" \"$(pwd -P)\" > '" + record + "'\n";
    const std::string path = std::getenv("PATH");
    const std::string game = dir / "a \"game\"; $HOME";
    const std::string program = game + "/Vexmoor.exe";
    dir.makeFolders({"a \"game\"; $HOME", "a \"game\"; $HOME/base.rte", "a \"game\"; $HOME/A.rte"});
    dir.makeFile("wine", recorder);
    ASSERT_EQ(chmod((dir / "wine").c_str(), 0755), 0);
    auto start = [&](const std::string& contents, mode_t mode, const std::string& searchPath) {
        std::remove(record.c_str());
        testing::installStandIn(dir, VX_STAND_IN_GAME);  // an ELF program, and makes it leave at once
        EXPECT_EQ(std::rename((dir / "Vexmoor.exe").c_str(), program.c_str()), 0);
        if (!contents.empty()) dir.makeFile("a \"game\"; $HOME/Vexmoor.exe", contents);
        EXPECT_EQ(chmod(program.c_str(), mode), 0);
        setenv("PATH", searchPath.c_str(), 1);
        const Status started = platform.startProgram(program);
        setenv("PATH", path.c_str(), 1);
        return started.value_or(Failure{"started", FailureKind::Other});
    };
    auto recorded = [&](const std::string& file) {
        for (int i = 0; i < 400 && dir.read(file).empty(); ++i) std::this_thread::sleep_for(25ms);
        return dir.read(file);
    };

    EXPECT_EQ(start("#!/bin/sh\n", 0644, dir.path()).kind, FailureKind::NotExecutable);
    EXPECT_EQ(start("MZ\x90", 0755, "/nonexistent").kind, FailureKind::NeedsWine);
    EXPECT_EQ(start("MZ\x90", 0644, dir.path()).reason, "started");
    EXPECT_EQ(recorded("started"), dir / "wine " + program + "|" + game);
    EXPECT_EQ(start(recorder, 0755, dir.path()).reason, "started");
    EXPECT_EQ(recorded("started"), program + " |" + game);
    EXPECT_EQ(start("", 0755, dir.path()).reason, "started");
    EXPECT_EQ(recorded("a \"game\"; $HOME/Vexmoor.loaded-mods.txt"), "A.rte\n");
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);  // no child of ours, so no zombie can be left
    EXPECT_EQ(platform.startProgram(dir / "missing/Vexmoor.exe")->reason, "No such file or directory");
}

// --- text -------------------------------------------------------------------------

// One mapping per character, the same in every locale; bytes that are no
// character stay as they are, even between characters that are lowered.
TEST(IcuText, LowerCasesEachCharacterAlikeInEveryLocaleAndKeepsInvalidBytes) {
    for (const char* locale : {"en_US", "tr_TR", "az_AZ", "el_GR", "lt_LT"}) {
        PosixPlatform platform(locale);
        EXPECT_EQ(platform.lower("FOO Bar TITLE"), "foo bar title") << locale;
        EXPECT_EQ(platform.lower("ÄRGER ΩΜΈΓΑ ΟΔΟΣ"), "ärger ωμέγα οδοσ") << locale;  // no final sigma
        EXPECT_EQ(platform.lower("\xff\xfe ÄBC \xc3"), "\xff\xfe äbc \xc3") << locale;
        EXPECT_EQ(platform.lower("\xe2\x84\xaa \xef\xbf\xbd"), "k \xef\xbf\xbd")
            << locale;  // Kelvin sign, U+FFFD
    }
}

TEST(IcuText, OrderIgnoresCaseButNotLettersOrAccents) {
    PosixPlatform platform("en_US");
    EXPECT_EQ(platform.compareNames("Beta", "BETA"), 0);
    EXPECT_LT(platform.compareNames("alpha", "Beta"), 0);
    EXPECT_LT(platform.compareNames("Beta", "zeta"), 0);
    EXPECT_LT(platform.compareNames("e", "\xc3\xa9"), 0);  // e before é
    EXPECT_LT(platform.compareNames("\xc3\xa9", "f"), 0);
    EXPECT_NE(platform.compareNames("a\xff", "a"), 0);

    PosixPlatform posixLocale("en_US_POSIX");  // what the C locale maps to: must still ignore case
    EXPECT_LT(posixLocale.compareNames("a", "B"), 0);
    EXPECT_EQ(posixLocale.compareNames("a", "A"), 0);
}

// Sort keys of one family must order names exactly as compareNames does, in
// every locale, including the cheap keys for ASCII names.
TEST(IcuText, SortKeysAgreeWithTheOrderInEveryLocale) {
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {
        "a",  "A",    "b", "c",        "h",        "ch",       "CH",       "aa",       "i",    "I",
        "z",  "Z",    "-", "_",        " ",        ".",        "0",        "9",        "10",   "'",
        "\t", "\x01", "~", "\xc3\xa4", "\xc3\x84", "\xc3\xa5", "\xce\xa9", "\xc4\xb1", "\xff", "e\xcc\x81"};
    std::vector<std::string> names;
    for (int i = 0; i < 260; ++i) {
        std::string name;
        for (int n = 1 + static_cast<int>(random() % 5); n > 0; --n) name += pieces[random() % pieces.size()];
        names.push_back(name);
    }
    for (const char* locale : {"en_US", "de_DE", "fr_CA", "sv_SE", "da_DK", "cs_CZ", "tr_TR", "lt_LT",
                               "hu_HU", "ja_JP", "ru_RU", "en_US_POSIX"}) {
        IcuText text(locale);
        std::vector<std::pair<int, std::string>> keys;
        for (const std::string& name : names) {
            std::string key;
            const int family = text.appendSortKey(name, key);
            keys.push_back({family, key});
        }
        int mismatches = 0;
        for (size_t a = 0; a < names.size(); ++a) {
            for (size_t b = a + 1; b < names.size(); ++b) {
                if (keys[a].first != keys[b].first) continue;
                const int byKey = keys[a].second.compare(keys[b].second);
                const int byOrder = text.compare(names[a], names[b]);
                if ((byKey < 0) != (byOrder < 0) || (byKey == 0) != (byOrder == 0)) {
                    if (++mismatches <= 3) ADD_FAILURE() << locale << ": " << names[a] << " vs " << names[b];
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << locale;
    }

    // The cheap keys are used where they are exact, and only there.
    std::string key;
    EXPECT_EQ(IcuText("en_US").appendSortKey("chata", key), IcuText::kAsciiKey);
    EXPECT_EQ(IcuText("tr_TR").appendSortKey("Title", key), IcuText::kAsciiKey);      // I and i weigh apart
    EXPECT_EQ(IcuText("cs_CZ").appendSortKey("chata", key), IcuText::kCollationKey);  // "ch" is one letter
    EXPECT_EQ(IcuText("da_DK").appendSortKey("aarhus", key), IcuText::kCollationKey);
}

}  // namespace
}  // namespace vx::posix
