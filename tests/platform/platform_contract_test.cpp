// What every backend of the platform promises, checked once against
// `Platform&` on the system's own backend (POSIX or Windows) in real
// temporary folders. Where the systems word a reason differently, the
// expected words are named once below.
#include "support/native.h"
#include "support/temp_dir.h"
#include "support/test_platform.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace vx {
namespace {

using testing::kSep;
using testing::N;
using testing::TempDir;
using testing::U;

// The system's words for the failures whose reasons are checked, and the
// path of the running program.
#ifdef _WIN32
const std::string kNoSuchFile = U(win32::systemMessage(ERROR_FILE_NOT_FOUND));
const std::string kNoSuchFolder = U(win32::systemMessage(ERROR_PATH_NOT_FOUND));
const std::string kExists = U(win32::systemMessage(ERROR_ALREADY_EXISTS));
const std::string kNameTooLong = U(win32::systemMessage(ERROR_FILENAME_EXCED_RANGE));
const std::string kCannotRun = U(win32::systemMessage(ERROR_BAD_EXE_FORMAT, L"Vexmoor.exe"));

std::string runningProgram() {
    wchar_t self[4096] = {};
    GetModuleFileNameW(nullptr, self, 4096);
    return U(self);
}
#else
const std::string kNoSuchFile = "No such file or directory";
const std::string kNoSuchFolder = kNoSuchFile;
const std::string kExists = "File exists";
const std::string kNameTooLong = "File name too long";
const std::string kCannotRun = "Permission denied";  // no permission to execute

std::string runningProgram() {
    char self[4096] = {};
    return readlink("/proc/self/exe", self, sizeof self - 1) > 0 ? self : "";
}
#endif

class PlatformContract : public ::testing::Test {
protected:
    TempDir dir;
    testing::SystemPlatform system{testing::systemLocale("en_US")};
    Platform& platform = system;

    // The directory as the program hands it to the platform.
    NativeString listed() const { return N(dir.path() + kSep); }

    std::vector<std::string> subfolderNames() { return testing::subfolderNames(platform, dir); }

    MaybeFailure rename(std::string_view from, std::string_view to) {
        return platform.renameFolder(listed(), N(from), N(to));
    }
};

// --- own directory, listing, plain files ------------------------------------

TEST_F(PlatformContract, OwnDirectoryHoldsTheRunningProgramWithoutATrailingSeparator) {
    const Result<NativeString> own = platform.ownDirectory();
    ASSERT_TRUE(own.ok());
    const std::string ownPath = U(own.value());
    ASSERT_GT(ownPath.size(), 3u);
    EXPECT_NE(ownPath.back(), kSep);
    const std::string program = runningProgram();
    EXPECT_EQ(program.rfind(ownPath + kSep, 0), 0u) << program;
    EXPECT_EQ(program.find(kSep, ownPath.size() + 1), std::string::npos) << program;
}

TEST_F(PlatformContract, ListingYieldsEverySubfolderAndNoFile) {
    for (const char* folder : {"plain", ".dotted", ".rte", "with space ", "locked", "Ärger", "日本"})
        dir.makeFolder(folder);
    dir.makeReadOnly("locked");
    dir.makeFile("file.rte");
    EXPECT_EQ(subfolderNames(), (std::vector<std::string>{".dotted", ".rte", "locked", "plain", "with space ",
                                                          "Ärger", "日本"}));
}

TEST_F(PlatformContract, ListingOfAnEmptyFolderIsEmptyAndOfAMissingOneFails) {
    EXPECT_TRUE(subfolderNames().empty());

    const Result<NameList> missing = platform.subfolders(dir.native("missing/"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(U(missing.failure().reason), kNoSuchFolder);
    EXPECT_EQ(missing.failure().kind, FailureKind::SourceGone);

    dir.makeFile("file");
    const Result<NameList> file = platform.subfolders(dir.native("file/"));
    ASSERT_FALSE(file.ok());
    EXPECT_FALSE(file.failure().reason.empty());
}

// Many entries take many calls to the file system; every one must arrive,
// and none twice.
TEST_F(PlatformContract, ListingOfManyFoldersIsComplete) {
    std::vector<std::string> expected;
    for (int i = 0; i < 1500; ++i)
        expected.push_back("mod " + std::to_string(100000 + i) + (i % 3 == 0 ? ".rte" : ""));
    dir.makeFolders(expected);
    for (int i = 0; i < 1500; i += 10) dir.makeFile("file " + std::to_string(i));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(subfolderNames(), expected);
}

// Names reach the file system exactly as they were listed. Windows, for one,
// cuts trailing dots and blanks from names in plain paths, which would
// rename "dots." as "dots": another folder, or none. Each name comes with
// the lower case the program's one rule makes of it.
TEST_F(PlatformContract, NamesSurviveListingRenameAndListingUnchanged) {
    const std::vector<std::string> names = {"Ärger", "日本", "emoji 😀", "dots.", "blank ", "ΣΊΣΥΦΟΣ"};
    for (const std::string& name : names) dir.makeFolder(name);
    dir.makeFolder("dots");
    dir.makeFolder("blank");

    Result<NameList> listing = platform.subfolders(listed());
    ASSERT_TRUE(listing.ok());
    for (size_t index = 0; index < listing.value().count(); ++index) {
        const NativeString listedName(listing.value()[index]);
        const std::string name = U(listedName);
        EXPECT_EQ(listing.value().lowerCase(index), platform.lower(listedName)) << name;
        if (name == "dots" || name == "blank") continue;
        const MaybeFailure renamed = platform.renameFolder(listed(), listedName, listedName + N(".rte"));
        EXPECT_FALSE(renamed) << name << ": " << U(renamed->reason);
    }
    std::vector<std::string> expected = {"blank", "dots"};
    for (const std::string& name : names) expected.push_back(name + ".rte");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(subfolderNames(), expected);
}

TEST_F(PlatformContract, PlainFileIsAFileEvenWhenReadOnly) {
    dir.makeFile("game.exe");
    dir.makeFile("locked.exe");
    dir.makeReadOnly("locked.exe");
    dir.makeFolder("folder.exe");
    EXPECT_TRUE(platform.isPlainFile(dir.native("game.exe")));
    EXPECT_TRUE(platform.isPlainFile(dir.native("locked.exe")));
    EXPECT_FALSE(platform.isPlainFile(dir.native("folder.exe")));
    EXPECT_FALSE(platform.isPlainFile(dir.native("missing.exe")));
    EXPECT_FALSE(platform.isPlainFile(dir.native("missing/game.exe")));
}

// --- folders by name ------------------------------------------------------------

// A refusal says what it found, so nobody has to look again: the folder to
// rename gone, and what holds the new name, as named on disk.
TEST_F(PlatformContract, ARefusalTellsWhetherTheSourceIsGoneAndWhatHoldsTheNewName) {
    dir.makeFolder("Foo.RTE");
    dir.makeFile("File.rte");
    for (const auto& [from, to, existing, folder] :
         {std::tuple{"Foo", "foo.rte", "Foo.RTE", true}, std::tuple{"File", "FILE.rte", "File.rte", false},
          std::tuple{"Gone", "Gone.rte", "", false}}) {
        const MaybeFailure refused = rename(from, to);
        ASSERT_TRUE(refused) << from;
        EXPECT_EQ(refused->kind, FailureKind::SourceGone) << from;
        EXPECT_EQ(U(refused->existing), existing) << from;
        EXPECT_EQ(refused->existingIsFolder, folder) << from;
    }
    ASSERT_FALSE(rename("foo.RTE", "Foo"));
    const MaybeFailure refused = rename("Foo.rte", "FOO");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, FailureKind::SourceGone);
    EXPECT_EQ(U(refused->existing), "Foo");
    EXPECT_TRUE(refused->existingIsFolder);
}

TEST_F(PlatformContract, RenameMovesTheFolderWithItsContents) {
    dir.makeFolder("Foo");
    dir.makeFile("Foo/data.ini", "x");
    EXPECT_FALSE(rename("Foo", "Foo.rte"));
    EXPECT_EQ(dir.read("Foo.rte/data.ini"), "x");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"Foo.rte"});
}

TEST_F(PlatformContract, RenameFindsTheFolderInAnyLetterCase) {
    dir.makeFolder("Foo.RTE");
    EXPECT_FALSE(rename("Foo.rte", "Foo"));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"Foo"});
    EXPECT_FALSE(rename("Foo", "Foo.rte"));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"Foo.rte"});

    dir.makeFolder("ÄRGER.rte");
    EXPECT_FALSE(rename("ärger.rte", "Ärger"));
    EXPECT_TRUE(dir.isFolder("Ärger"));
}

// Nothing is replaced, not even an empty folder, and the reason names what
// is in the way as it is written on disk.
TEST_F(PlatformContract, RenameNeverReplacesATargetInAnyLetterCase) {
    dir.makeFolder("Foo");
    dir.makeFile("Foo/data.ini", "x");
    dir.makeFolder("fOO.Rte");
    dir.makeFolder("Bar");
    dir.makeFile("bar.RTE");
    dir.makeFolder("Baz.rte");
    dir.makeFolder("BAZ");
    dir.makeFolder("Qux");
    dir.makeFolder("Qux.rte");
    dir.makeFolder("Quux");
    dir.makeFile("Quux.rte");
    const auto before = dir.entries();
    for (const auto& [from, to, existing, folder] :
         {std::tuple{"Foo", "Foo.rte", "fOO.Rte", true}, std::tuple{"Bar", "Bar.rte", "bar.RTE", false},
          std::tuple{"Baz.rte", "Baz", "BAZ", true}, std::tuple{"Foo", "BAR", "Bar", true},
          std::tuple{"Qux", "Qux.rte", "Qux.rte", true}, std::tuple{"Quux", "Quux.rte", "Quux.rte", false}}) {
        const MaybeFailure refused = rename(from, to);
        ASSERT_TRUE(refused) << from << " -> " << to;
        EXPECT_EQ(refused->kind, FailureKind::TargetExists) << from << " -> " << to;
        EXPECT_NE(U(refused->reason).find(kExists), std::string::npos) << U(refused->reason);
        EXPECT_EQ(U(refused->existing), existing) << from << " -> " << to;
        EXPECT_EQ(refused->existingIsFolder, folder) << from << " -> " << to;
    }
    EXPECT_EQ(dir.entries(), before);
    EXPECT_EQ(dir.read("Foo/data.ini"), "x");
}

TEST_F(PlatformContract, RenameRefusesAMissingSourceAFileAnEmptyNameAndAnOverlongName) {
    const MaybeFailure missing = rename("Missing", "Missing.rte");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->kind, FailureKind::SourceGone);
    EXPECT_EQ(U(missing->reason), kNoSuchFile);

    dir.makeFile("NotAFolder");
    EXPECT_TRUE(rename("NotAFolder", "NotAFolder.rte"));

    // 252 characters and the suffix are one more than the file systems take.
    const std::string longest(252, 'n');
    dir.makeFolder(longest);
    const MaybeFailure tooLong = rename(longest, longest + ".rte");
    ASSERT_TRUE(tooLong);
    EXPECT_EQ(U(tooLong->reason), kNameTooLong);

    // Disabling a mod with an empty name asks to rename "<game>/.rte" to the
    // game directory itself.
    dir.makeFolder(".rte");
    EXPECT_TRUE(rename(".rte", ""));
    EXPECT_TRUE(rename("", ".rte"));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{".rte", "NotAFolder", longest}));
}

// --- program start ----------------------------------------------------------------

TEST_F(PlatformContract, StartOfAMissingOrUnrunnableProgramFailsWithTheReason) {
    const MaybeFailure missing = platform.startProgram(dir.native("Vexmoor.exe"));
    ASSERT_TRUE(missing);
    EXPECT_EQ(U(missing->reason), kNoSuchFile);

    dir.makeFile("Vexmoor.exe", "This is no program.\r\n");  // made without permission to execute
    const MaybeFailure unrunnable = platform.startProgram(dir.native("Vexmoor.exe"));
    ASSERT_TRUE(unrunnable);
    EXPECT_EQ(U(unrunnable->reason), kCannotRun);
}

// --- letter case ------------------------------------------------------------------

const char* const kLocales[] = {"en_US", "de_DE", "tr_TR", "az_AZ", "el_GR", "lt_LT", "no_such_locale"};

// One simple mapping per character, the same in every locale: "I" is "i" in
// Turkish too, and a final capital sigma becomes σ.
TEST(PlatformText, LowerCasesEachCharacterAlikeInEveryLocaleAndAppends) {
    for (const char* locale : kLocales) {
        testing::SystemPlatform system(testing::systemLocale(locale));
        Platform& platform = system;
        EXPECT_EQ(U(platform.lower(N("FOO Bar.RTE TITLE"))), "foo bar.rte title") << locale;
        EXPECT_EQ(U(platform.lower(N("ÄRGER ΩΜΈΓΑ ΟΔΟΣ 日本 😀"))), "ärger ωμέγα οδοσ 日本 😀") << locale;
        EXPECT_EQ(U(platform.lower(N("\uFFFD"))), "\uFFFD") << locale;
        EXPECT_EQ(platform.lower(N("")), N(""));
        NativeString out = N("kept|");
        platform.appendLower(N("ABC"), out);
        platform.appendLower(N(""), out);
        EXPECT_EQ(U(out), "kept|abc") << locale;
    }
}

#ifndef _WIN32
// Letters whose lower case has an upper case of its own: İ, title-case
// digraphs, theta symbol, capital sharp s, and the Kelvin, ohm and angstrom
// signs. Unicode's simple mapping lowers them too. (Windows' own mapping
// leaves these ten as they are, and so does its comparison of file names;
// the Windows backend keeps to the system there.)
TEST(PlatformText, LowerCasesLettersWhoseLowerCaseUpperCasesToAnother) {
    for (const char* locale : kLocales) {
        testing::SystemPlatform system(testing::systemLocale(locale));
        Platform& platform = system;
        EXPECT_EQ(U(platform.lower(N("\u0130 \u01C5\u01C8\u01CB\u01F2 \u03F4 \u1E9E \u212A \u2126 \u212B"))),
                  "i \u01C6\u01C9\u01CC\u01F3 θ ß k ω å")
            << locale;
    }
}
#endif

}  // namespace
}  // namespace vx
