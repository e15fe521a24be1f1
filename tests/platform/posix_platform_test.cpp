#include "platform/posix/posix_platform.h"

#include "mods/mod_folders.h"
#include "platform/utf8.h"

#include "support/temp_dir.h"
#include "support/test_platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>

namespace vx::posix {
namespace {

using testing::TempDir;

class PosixPlatformTest : public ::testing::Test {
protected:
    TempDir dir;
    PosixPlatform platform{"en_US"};

    std::vector<std::string> subfolderNames() { return testing::subfolderNames(platform, dir); }

    MaybeFailure rename(const std::string& from, const std::string& to) {
        return platform.renameFolder(dir.path() + "/", from, to);
    }
};

// --- links and names the index knows -------------------------------------------

// A link counts as what it points to: a link to a folder is a mod, a link to
// a file is a plain file, and a dangling link is neither. A device is no
// plain file.
TEST_F(PosixPlatformTest, LinksCountAsWhatTheyPointTo) {
    dir.makeFolder("plain");
    dir.makeFile("file.rte");
    ASSERT_EQ(symlink("plain", (dir / "linked").c_str()), 0);
    ASSERT_EQ(symlink("file.rte", (dir / "filelink").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (dir / "dangling").c_str()), 0);
    EXPECT_EQ(subfolderNames(), (std::vector<std::string>{"linked", "plain"}));
    EXPECT_TRUE(platform.isPlainFile(dir / "filelink"));
    EXPECT_FALSE(platform.isPlainFile(dir / "dangling"));
    EXPECT_FALSE(platform.isPlainFile("/dev/null"));
}

// The listing's index is kept current by the watch: a name made afterwards
// in another letter case still blocks a rename, a renamed folder is found by
// its new name, and none of it reads the directory again.
TEST_F(PosixPlatformTest, RenameSeesChangesAfterTheListingWithoutReadingAgain) {
    dir.makeFolder("Foo");
    dir.makeFolder("Bar");
    ASSERT_EQ(subfolderNames().size(), 2u);
    dir.makeFolder("fOO.rTE");
    const MaybeFailure refused = rename("Foo", "Foo.rte");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, FailureKind::TargetExists);
    EXPECT_FALSE(rename("Bar", "Bar.rte"));
    EXPECT_FALSE(rename("bar.RTE", "Bar"));
    EXPECT_EQ(rename("foo", "FOO.RTE")->existing, "fOO.rTE");
    EXPECT_EQ(platform.directoryReads(), 1);
}

// More changes than the system queues for the watch: it drops the rest, and
// the directory is read again, so a conflict among them is still seen.
TEST_F(PosixPlatformTest, AnOverflowingWatchFallsBackToReadingTheDirectory) {
    dir.makeFolder("Foo");
    ASSERT_EQ(subfolderNames().size(), 1u);
    int queued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    const int dirFd = open(dir.path().c_str(), O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dirFd, 0);
    for (int i = 0; i <= queued; ++i)
        close(openat(dirFd, std::to_string(i).c_str(), O_CREAT | O_WRONLY, 0600));
    close(dirFd);
    dir.makeFolder("fOO.rte");
    const MaybeFailure refused = rename("Foo", "Foo.rte");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, FailureKind::TargetExists);
    EXPECT_GT(platform.directoryReads(), 1);
}

// --- rename -------------------------------------------------------------------

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

    // A linked mod is renamed as a link, never onto an existing name, and
    // the folder it points to stays where it is.
    dir.makeFolder("elsewhere");
    ASSERT_EQ(symlink("elsewhere", (dir / "Linked").c_str()), 0);
    EXPECT_EQ(renameNoReplace(dir / "Linked", dir / "File", false), EEXIST);
    EXPECT_EQ(renameNoReplace(dir / "Linked", dir / "Linked.rte", false), 0);
    char target[64] = {};
    EXPECT_EQ(readlink((dir / "Linked.rte").c_str(), target, sizeof target - 1), 9);
    EXPECT_STREQ(target, "elsewhere");
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"Empty", "File", "Foo.rte", "Linked.rte", "elsewhere"}));
}

// Only here can two folders differ in letter case alone.
TEST_F(PosixPlatformTest, RenameRefusesAnAmbiguousSource) {
    dir.makeFolder("Foo.RTE");
    dir.makeFolder("FOO.rtE");
    const MaybeFailure ambiguous = rename("Foo.rte", "Foo");
    ASSERT_TRUE(ambiguous);
    EXPECT_EQ(ambiguous->kind, FailureKind::AmbiguousSource);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"FOO.rtE", "Foo.RTE"}));
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
        const MaybeFailure started = platform.startProgram(program);
        setenv("PATH", path.c_str(), 1);
        return started.value_or(Failure{"started", FailureKind::Other});
    };
    auto recorded = [&](const std::string& file) {
        testing::eventually([&] { return !dir.read(file).empty(); });
        return dir.read(file);
    };

    EXPECT_EQ(start("#!/bin/sh\n", 0644, dir.path()).kind, FailureKind::NotExecutable);
    EXPECT_EQ(start("MZ\x90", 0755, "/nonexistent").kind, FailureKind::NeedsWine);
    EXPECT_EQ(start("MZ\x90", 0644, dir.path()).reason, "started");
    EXPECT_EQ(recorded("started"), dir / "wine " + program + "|" + game);
    // Relative entries of PATH name folders under the working directory, which is the game's when the menu
    // starts the program: a "wine" unpacked there is passed over for the one in an absolute entry.
    dir.makeFolders({"a \"game\"; $HOME/bin"});
    for (const char* planted : {"a \"game\"; $HOME/wine", "a \"game\"; $HOME/bin/wine"}) {
        dir.makeFile(planted, "#!/bin/sh\necho planted > '" + record + "'\n");
        ASSERT_EQ(chmod((dir / planted).c_str(), 0755), 0);
    }
    const std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    ASSERT_EQ(chdir(game.c_str()), 0);
    EXPECT_EQ(start("MZ\x90", 0644, ".:bin::" + dir.path()).reason, "started");
    ASSERT_EQ(chdir(cwd.get()), 0);
    EXPECT_EQ(recorded("started"), dir / "wine " + program + "|" + game);
    EXPECT_EQ(start(recorder, 0755, dir.path()).reason, "started");
    EXPECT_EQ(recorded("started"), program + " |" + game);
    EXPECT_EQ(start("", 0755, dir.path()).reason, "started");
    EXPECT_EQ(recorded("a \"game\"; $HOME/Vexmoor.loaded-mods.txt"), "A.rte\n");
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);  // no child of ours, so no zombie can be left
    EXPECT_EQ(platform.startProgram(dir / "missing/Vexmoor.exe")->reason, "No such file or directory");
}

// --- text -------------------------------------------------------------------------

// Escape sequences (that would retitle and recolour a terminal) and a byte
// that is not UTF-8 (0x9B starts one on some terminals), in the names and the
// system's reason, reach standard error as visible escapes: only line breaks
// are left as control characters.
TEST_F(PosixPlatformTest, StandardErrorGetsNoControlCharacterButLineBreaks) {
    const std::string hostile = "\x1b]0;TITLE\x1b\\ \x1b[31mRed\x9b";
    testing::makeGame(dir, {hostile});
    dir.makeFile(hostile + ".rte");
    testing::TestPlatform recorder(dir.path());
    mods::ModFolders mods(recorder);
    ASSERT_TRUE(mods.Form_Load());
    mods.setModEnabled(0, true);
    ASSERT_EQ(recorder.messages.size(), 1u);

    ::testing::internal::CaptureStderr();
    platform.messageBox(recorder.messages[0].text, MessageKind::Warning, "Error\x1b[2J");
    const std::string shown = ::testing::internal::GetCapturedStderr();
    size_t control = std::string::npos;
    for (size_t at = 0; at < shown.size() && control == std::string::npos;) {
        const Utf8Character c = utf8CharacterAt(shown, at);
        if (!c.valid || (c.code < 0x20 && c.code != '\n') || (c.code >= 0x7F && c.code <= 0x9F)) control = at;
        at += c.length;
    }
    EXPECT_EQ(control, std::string::npos) << shown;
    EXPECT_TRUE(shown.starts_with(
        "Error\u241B[2J: Could not enable the mod \"\u241B]0;TITLE\u241B\\ \u241B[31mRed<0x9B>\".\n\n"))
        << shown;
}

// Bytes that are no character stay as they are, even between characters
// that are lowered.
TEST(NameText, LowerCasingKeepsBytesThatAreNoCharacter) {
    for (const char* locale : {"en_US", "tr_TR", "az_AZ", "el_GR", "lt_LT"})
        EXPECT_EQ(PosixPlatform(locale).lower("\xff\xfe \u00C4BC \xc3"), "\xff\xfe \u00E4bc \xc3") << locale;
}

// The order is the locale's alphabet with letter case ignored, accents
// counting after letters; the C and POSIX locales order as English does,
// not by code point.
TEST(NameText, OrderFollowsTheLocaleIgnoringCase) {
    const std::vector<std::string_view> names = {"Zeta", "\u00D6l", "alpha",         "BETA", "\u00C4rger",
                                                 "Ohm",  "beta",    "\u00E9t\u00E9", "ete"};
    const auto sorted = [&](const char* locale) {
        std::string joined;
        for (const uint32_t index : NameText(locale).sortedOrder(names))
            joined.append(names[index]).append(" ");
        return joined;
    };
    const std::string english = "alpha \u00C4rger BETA beta ete \u00E9t\u00E9 Ohm \u00D6l Zeta ";
    for (const char* locale : {"en_US", "de_DE", "C", "POSIX"}) EXPECT_EQ(sorted(locale), english) << locale;
    EXPECT_EQ(sorted("sv_SE"), "alpha BETA beta ete \u00E9t\u00E9 Ohm Zeta \u00C4rger \u00D6l ");
    EXPECT_LT(NameText("ru_RU").compare("\u042F", "a"), 0);  // Russian puts its own letters first
    EXPECT_EQ(NameText("tr_TR").compare("Beta", "BETA"), 0);
    EXPECT_NE(NameText("en_US").compare("a\xff", "a"), 0);
}

}  // namespace
}  // namespace vx::posix
