#include "platform/posix/posix_platform.h"

#include "mods/mod_folders.h"
#include "platform/utf8.h"

#include "support/temp_dir.h"
#include "support/test_platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unicode/ustring.h>
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
TEST(IcuText, LowerCasingKeepsBytesThatAreNoCharacter) {
    for (const char* locale : {"en_US", "tr_TR", "az_AZ", "el_GR", "lt_LT"})
        EXPECT_EQ(PosixPlatform(locale).lower("\xff\xfe ÄBC \xc3"), "\xff\xfe äbc \xc3") << locale;
}

TEST(IcuText, OrderIgnoresCaseButNotLettersOrAccents) {
    IcuText english("en_US");
    EXPECT_EQ(english.compare("Beta", "BETA"), 0);
    EXPECT_LT(english.compare("alpha", "Beta"), 0);
    EXPECT_LT(english.compare("Beta", "zeta"), 0);
    EXPECT_LT(english.compare("e", "\xc3\xa9"), 0);  // e before é
    EXPECT_LT(english.compare("\xc3\xa9", "f"), 0);
    EXPECT_NE(english.compare("a\xff", "a"), 0);

    IcuText posixLocale("en_US_POSIX");  // what the C locale maps to: must still ignore case
    EXPECT_LT(posixLocale.compare("a", "B"), 0);
    EXPECT_EQ(posixLocale.compare("a", "A"), 0);
}

// The collator's own sort key of a name that is valid UTF-8; empty otherwise.
std::string collatorKey(const IcuLibrary& icu, UCollator* collator, const std::string& name) {
    static const auto fromUtf8 = icu.function<decltype(&::u_strFromUTF8)>("u_strFromUTF8");
    UErrorCode status = U_ZERO_ERROR;
    UChar text[64];
    int32_t length = 0;
    fromUtf8(text, 64, &length, name.data(), static_cast<int32_t>(name.size()), &status);
    if (U_FAILURE(status)) return {};
    uint8_t key[512];
    const int32_t size = icu.functions.ucol_getSortKey(collator, text, length, key, sizeof key);
    return std::string(reinterpret_cast<const char*>(key), static_cast<size_t>(size));
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

// The comparison, with its shortcuts for ASCII names, must order names as the
// collator itself does; and where two sort keys of one family differ, they
// must order their names the same way (keys of primary weights only leave
// names of equal weights to compareNames, while the collator's own keys are
// equal only for names it holds equal).

TEST(IcuText, SortKeysAgreeWithTheOrderInEveryLocale) {
    ASSERT_TRUE(systemIcu().ok()) << systemIcu().failure().reason;
    const IcuLibrary& icu = systemIcu().value();
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
        UErrorCode status = U_ZERO_ERROR;
        UCollator* collator =
            icu.functions.ucol_open(std::string_view(locale) == "en_US_POSIX" ? "" : locale, &status);
        ASSERT_TRUE(U_SUCCESS(status));
        icu.functions.ucol_setStrength(collator, UCOL_SECONDARY);
        std::vector<std::pair<int, std::string>> keys;
        std::vector<std::string> oracle;
        for (const std::string& name : names) {
            std::string key;
            const int family = text.appendSortKey(name, key);
            keys.push_back({family, key});
            oracle.push_back(collatorKey(icu, collator, name));
        }
        int mismatches = 0;
        for (size_t a = 0; a < names.size(); ++a) {
            for (size_t b = a + 1; b < names.size(); ++b) {
                const int byOrder = sign(text.compare(names[a], names[b]));
                bool agree =
                    oracle[a].empty() || oracle[b].empty() || sign(oracle[a].compare(oracle[b])) == byOrder;
                if (keys[a].first == keys[b].first) {
                    const int byKey = sign(keys[a].second.compare(keys[b].second));
                    agree =
                        agree && (byKey != 0 ? byKey == byOrder
                                             : keys[a].first == IcuText::kPrimaryWeightKey || byOrder == 0);
                }
                if (!agree && ++mismatches <= 3)
                    ADD_FAILURE() << locale << ": " << names[a] << " vs " << names[b];
            }
        }
        EXPECT_EQ(mismatches, 0) << locale;
        icu.functions.ucol_close(collator);
    }

    // The cheap keys are used where they are exact, and only there.
    std::string key;
    EXPECT_EQ(IcuText("en_US").appendSortKey("chata", key), IcuText::kPrimaryWeightKey);
    EXPECT_EQ(IcuText("en_US").appendSortKey("\xc3\x84rger", key), IcuText::kPrimaryWeightKey);
    // Turkish: I and i weigh apart.
    EXPECT_EQ(IcuText("tr_TR").appendSortKey("Title", key), IcuText::kPrimaryWeightKey);
    EXPECT_EQ(IcuText("cs_CZ").appendSortKey("chata", key), IcuText::kCollationKey);  // "ch" is one letter
    EXPECT_EQ(IcuText("da_DK").appendSortKey("aarhus", key), IcuText::kCollationKey);
}

// Without ICU (the program then does not start) nothing fails: names are
// ordered by their bytes with ASCII letters lowered.
TEST(IcuText, WithoutIcuOrdersByAsciiLowerCase) {
    const IcuText text(nullptr, nullptr);
    std::string lowered;
    text.appendLower(
        "\xc3\x84"
        "Bc\xff",
        lowered);
    EXPECT_EQ(lowered,
              "\xc3\x84"
              "bc\xff");
    EXPECT_EQ(text.compare("Beta", "BETA"), 0);
    EXPECT_LT(text.compare("alpha", "Beta"), 0);
    const std::vector<std::string_view> names = {"B", "\xc3\x84", "a"};
    SortKeys keys;
    text.appendSortKeys(names, keys);
    EXPECT_EQ(keys.bytes,
              "b\xc3\x84"
              "a");
}

// --- the system's ICU -------------------------------------------------------------

// Of the releases in the folders, the highest whose two libraries load and
// hold every function under that release's names is taken: the fake release
// 100 over the system's own, which is taken once the fake is gone. Release
// 101 (the system's libraries under another number), 200 (no libraries) and
// 300 (no libicui18n) are passed over, and the failure names the highest.
TEST(IcuLibrary, TakesTheHighestReleaseThatHasEveryFunction) {
    ASSERT_TRUE(systemIcu().ok()) << systemIcu().failure().reason;
    const IcuLibrary& system = systemIcu().value();
    ASSERT_LT(system.version, 100);
    TempDir dir;
    const auto file = [&](const char* library, int version) {
        return dir.path() + "/" + library + ".so." + std::to_string(version);
    };
    const auto link = [&](const std::string& target, const char* library, int version) {
        EXPECT_EQ(symlink(target.c_str(), file(library, version).c_str()), 0) << target;
    };
    for (const int version : {system.version, 101, 300}) {
        for (const char* library : {"libicuuc", "libicui18n"}) {
            if (version != 300 || library == std::string_view("libicuuc"))
                link(system.directory + "/" + library + ".so." + std::to_string(system.version), library,
                     version);
        }
    }
    for (const char* library : {"libicuuc", "libicui18n"}) {
        link(VX_FAKE_ICU, library, 100);
        std::ofstream(file(library, 200)) << "not a library";
    }
    const std::vector<std::string> directories = {dir.path() + "/missing", dir.path()};

    Result<IcuLibrary> found = loadIcu(directories);
    ASSERT_TRUE(found.ok()) << found.failure().reason;
    EXPECT_EQ(found.value().version, 100);
    EXPECT_EQ(found.value().directory, dir.path());

    for (const char* library : {"libicuuc", "libicui18n"}) std::remove(file(library, 100).c_str());
    found = loadIcu(directories);
    ASSERT_TRUE(found.ok()) << found.failure().reason;
    EXPECT_EQ(found.value().version, system.version);
    EXPECT_EQ(found.value().functions.u_tolower(U'\u00C4'), U'\u00E4');

    for (const char* library : {"libicuuc", "libicui18n"}) std::remove(file(library, system.version).c_str());
    found = loadIcu(directories);
    ASSERT_FALSE(found.ok());
    EXPECT_NE(found.failure().reason.find("libicui18n.so.300"), std::string::npos) << found.failure().reason;
    EXPECT_EQ(loadIcu(std::vector<std::string>{dir.path() + "/missing"}).failure().reason, "");
}

}  // namespace
}  // namespace vx::posix
