#include "mods/mod_folders.h"

#include "mods/folder_rules.h"
#include "mods/texts.h"

#include "support/native.h"
#include "support/temp_dir.h"
#include "support/test_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace vx::mods {
namespace {

using testing::kSep;
using testing::makeGame;
using testing::N;
using testing::ShownMessage;
using testing::TempDir;
using testing::TestPlatform;
using testing::U;

const std::string kDuplicatePrefix =
    "You have one (or more) duplicate mod(s). Please check your VX folder. Duplicate: ";

class ModFoldersTest : public ::testing::Test {
protected:
    TempDir game;
    TestPlatform platform{game.path()};
    ModFolders mods{platform};

    std::vector<std::pair<std::string, bool>> rows() const {
        std::vector<std::pair<std::string, bool>> out;
        const ModList& list = mods.List1();
        for (int row = 0; row < list.count(); ++row) out.push_back({U(list.text(row)), list.checked(row)});
        return out;
    }

    // The one fatal message shown, after which the scan must have stopped.
    std::string fatalMessage() const {
        EXPECT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.ends, 1);
        EXPECT_FALSE(mods.listReady());
        if (platform.messages.empty()) return {};
        EXPECT_EQ(platform.messages[0].title, "Error");
        EXPECT_EQ(platform.messages[0].kind, MessageKind::Warning);
        return platform.messages[0].text;
    }

    int rowOf(const std::string& name) const {
        for (int row = 0; row < mods.List1().count(); ++row) {
            if (U(mods.List1().text(row)) == name) return row;
        }
        ADD_FAILURE() << "no row " << name;
        return -1;
    }
};

// --- startup scan ---------------------------------------------------------

TEST_F(ModFoldersTest, ScanListsModsSortedWithTheirStates) {
    makeGame(game, {"Zeta.rte", "alpha", "Beta.RTE"});
    ASSERT_TRUE(mods.Form_Load());
    EXPECT_TRUE(mods.listReady());
    EXPECT_EQ(U(mods.gamePath()), game.path() + kSep);
    EXPECT_EQ(rows(),
              (std::vector<std::pair<std::string, bool>>{{"alpha", false}, {"Beta", true}, {"Zeta", true}}));
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ModFoldersTest, ScanOfAGameWithoutModsGivesAnEmptyList) {
    makeGame(game, {});
    ASSERT_TRUE(mods.Form_Load());
    EXPECT_EQ(mods.List1().count(), 0);
}

TEST_F(ModFoldersTest, ScanTreatsOddNamesByTheSuffixRuleAlone) {
    makeGame(game, {".rte", "base", "base.rte.old", "rte", ".hidden"}, false);
    game.makeFolder("BASE.Rte");
    ASSERT_TRUE(mods.Form_Load());
    EXPECT_EQ(rows(),
              (std::vector<std::pair<std::string, bool>>{
                  {"", true}, {".hidden", false}, {"base", false}, {"base.rte.old", false}, {"rte", false}}));
}

TEST_F(ModFoldersTest, ScanIgnoresFilesAndCountsAReadOnlyProgramFile) {
    makeGame(game, {"Mod"});
    game.makeFile("readme.rte");
    game.makeReadOnly("Vexmoor.exe");
    ASSERT_TRUE(mods.Form_Load());
    EXPECT_EQ(rows(), (std::vector<std::pair<std::string, bool>>{{"Mod", false}}));
}

TEST_F(ModFoldersTest, MissingProgramFileIsReportedFirst) {
    game.makeFolder("Foo");
    game.makeFolder("foo.rte");  // a duplicate, and no base data folder either
    EXPECT_FALSE(mods.Form_Load());
    EXPECT_EQ(fatalMessage(), "Vexmoor.exe not found!");
    EXPECT_EQ(mods.List1().count(), 0);
}

TEST_F(ModFoldersTest, AFolderNamedLikeTheProgramFileDoesNotCount) {
    game.makeFolder("Vexmoor.exe");
    game.makeFolder("base.rte");
    EXPECT_FALSE(mods.Form_Load());
    EXPECT_EQ(fatalMessage(), "Vexmoor.exe not found!");
}

#ifdef _WIN32
// A hidden or system file is not the game's program file, though hidden and
// system folders are mods like any other.
TEST_F(ModFoldersTest, HiddenOrSystemProgramFileDoesNotCountButSuchFoldersDo) {
    for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        TempDir other;
        makeGame(other, {});
        other.setAttributes("Vexmoor.exe", attribute);
        TestPlatform otherPlatform(other.path());
        ModFolders otherMods(otherPlatform);
        EXPECT_FALSE(otherMods.Form_Load());
        ASSERT_EQ(otherPlatform.messages.size(), 1u);
        EXPECT_EQ(otherPlatform.messages[0].text, "Vexmoor.exe not found!");
    }

    makeGame(game, {"Hidden.rte", "System"});
    game.setAttributes("Hidden.rte", FILE_ATTRIBUTE_HIDDEN);
    game.setAttributes("System", FILE_ATTRIBUTE_SYSTEM);
    game.setAttributes("base.rte", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    game.setAttributes("Vexmoor.exe", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_TRUE(mods.Form_Load());
    EXPECT_EQ(rows(), (std::vector<std::pair<std::string, bool>>{{"Hidden", true}, {"System", false}}));
    mods.setModEnabled(rowOf("Hidden"), false);
    mods.setModEnabled(rowOf("System"), true);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(game.entries(), (std::vector<std::string>{"Hidden", "System.rte", "Vexmoor.exe", "base.rte"}));
}
#endif

TEST_F(ModFoldersTest, DuplicateNamesTheSecondFolderOfTheListing) {
    makeGame(game, {"Foo.rte", "FOO", "other"}, false);  // no base data folder: the duplicate wins
    // Which of the two comes second depends on the file system's order.
    std::string second;
    const NameList listing = platform.subfolders(N(game.path() + kSep)).value();
    for (size_t index = 0; index < listing.count(); ++index) {
        const std::string name = U(listing[index]);
        if (name == "Foo.rte") second = second.empty() ? "-" : "Foo";
        if (name == "FOO") second = second.empty() ? "-" : "FOO";
    }
    EXPECT_FALSE(mods.Form_Load());
    EXPECT_EQ(fatalMessage(), kDuplicatePrefix + second);
}

TEST_F(ModFoldersTest, DuplicateIsFoundAmongUnicodeNamesIgnoringCase) {
    makeGame(game, {"Ärger", "äRGER.rte"});
    EXPECT_FALSE(mods.Form_Load());
    const std::string message = fatalMessage();
    EXPECT_TRUE(message == kDuplicatePrefix + "Ärger" || message == kDuplicatePrefix + "äRGER") << message;
}

#ifndef _WIN32
// POSIX names are bytes; those that are not UTF-8 have no letter case.
TEST_F(ModFoldersTest, NamesThatAreNotValidTextAreNeverTakenForDuplicates) {
    makeGame(game, {"\xff", "\xfe", "\xc3", "\xc3\xa4", "\xc3\x84.rte"});  // the last two: ä and Ä
    EXPECT_FALSE(mods.Form_Load());
    const std::string message = fatalMessage();
    EXPECT_TRUE(message == kDuplicatePrefix + "\xc3\xa4" || message == kDuplicatePrefix + "\xc3\x84")
        << message;

    TempDir other;
    makeGame(other, {"\xff", "\xfe", "\xc3", "\xc3\xa4", "A\xff", "a\xfe"});
    TestPlatform otherPlatform(other.path());
    ModFolders otherMods(otherPlatform);
    EXPECT_TRUE(otherMods.Form_Load());
    EXPECT_EQ(otherMods.List1().count(), 6);
}
#endif

// One rule tells which names are the same but for letter case: each
// character lowered by itself, the same in every locale. The scan's duplicates
// and the rename's refusal of a taken name follow it alike. (Windows' file
// system decides its renames by its own rule, so there only the scan is
// checked.)
TEST(CaseRule, ScanAndRenameAgreeOnWhichNamesAreTheSame) {
    struct Pair {
        const char* a;
        const char* b;
        bool same;
    };
    std::vector<Pair> pairs = {
        {"FILE", "file", true},
        {"FILE", "f\u0131le", false},                                    // dotless i
        {"\u039F\u0394\u039F\u03A3", "\u03BF\u03B4\u03BF\u03C3", true},  // no final sigma: ΟΔΟΣ, οδοσ
        {"STRASSE", "stra\u00DFe", false},
    };
#ifndef _WIN32
    pairs.push_back({"\u212A", "k", true});       // Kelvin sign
    pairs.push_back({"\u1E9E", "\u00DF", true});  // capital and small sharp s
#endif
    for (const char* locale : {"en_US", "tr_TR"}) {
        for (const Pair& pair : pairs) {
            SCOPED_TRACE(std::string(locale) + ": " + pair.a + " / " + pair.b);
            TempDir game;
            makeGame(game, {pair.a, std::string(pair.b) + ".RTE"});
            TestPlatform platform(game.path(), locale);
            ModFolders scanned(platform);
            EXPECT_EQ(scanned.Form_Load(), !pair.same);
#ifndef _WIN32
            TempDir other;
            makeGame(other, {pair.a});
            TestPlatform otherPlatform(other.path(), locale);
            ModFolders renamed(otherPlatform);
            ASSERT_TRUE(renamed.Form_Load());
            other.makeFolder(std::string(pair.b) + ".rte");
            renamed.setModEnabled(0, true);
            EXPECT_EQ(renamed.List1().checked(0), !pair.same);
            EXPECT_EQ(other.isFolder(std::string(pair.a) + ".rte"), !pair.same);
#endif
        }
    }
}

TEST_F(ModFoldersTest, MissingBaseFolderIsJudgedAfterTheWholeListing) {
    makeGame(game, {"b", "a.rte"}, false);
    EXPECT_FALSE(mods.Form_Load());
    EXPECT_EQ(fatalMessage(), "This application needs to reside in Vexmoor's main directory.");
    // Every mod had been listed before the verdict.
    EXPECT_EQ(rows(), (std::vector<std::pair<std::string, bool>>{{"a", true}, {"b", false}}));
}

TEST_F(ModFoldersTest, ListingFailureIsShownWithTheSystemsReason) {
    makeGame(game, {});
    platform.failListing = "Input/output error";
    EXPECT_FALSE(mods.Form_Load());
    EXPECT_NE(fatalMessage().find("Input/output error"), std::string::npos);
}

TEST_F(ModFoldersTest, ScanHandlesMoreThanThirtyTwoThousandMods) {
    std::vector<std::string> names;
    for (int i = 0; i < 33000; ++i)
        names.push_back(std::string("m").append(std::to_string(i)).append(i % 3 ? "" : ".rte"));
    makeGame(game, names);
    ASSERT_TRUE(mods.Form_Load());
    ASSERT_EQ(mods.List1().count(), 33000);
    const int last = rowOf("m9999");
    EXPECT_EQ(last, 32999);
    EXPECT_TRUE(mods.List1().checked(last));
}

// --- toggling -------------------------------------------------------------

TEST_F(ModFoldersTest, ScanRenamesNothing) {
    makeGame(game, {"On.rte", "Off", "UP.RTE"});
    const auto before = game.entries();
    ASSERT_TRUE(mods.Form_Load());
    EXPECT_EQ(game.entries(), before);
    EXPECT_TRUE(platform.renames.empty());
}

TEST_F(ModFoldersTest, CheckingAndClearingRenamesTheFolderBackAndForth) {
    makeGame(game, {"Foo"});
    ASSERT_TRUE(mods.Form_Load());
    mods.setModEnabled(rowOf("Foo"), true);
    EXPECT_TRUE(game.isFolder("Foo.rte"));
    EXPECT_FALSE(game.exists("Foo"));
    mods.setModEnabled(rowOf("Foo"), false);
    EXPECT_TRUE(game.isFolder("Foo"));
    EXPECT_FALSE(game.exists("Foo.rte"));
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ModFoldersTest, CapitalSuffixIsDisabledThroughTheLowerCaseName) {
    makeGame(game, {"Foo.RTE"});
    ASSERT_TRUE(mods.Form_Load());
    mods.setModEnabled(rowOf("Foo"), false);
    ASSERT_EQ(platform.renames.size(), 1u);
    EXPECT_EQ(platform.renames[0].first, "Foo.rte");
    EXPECT_TRUE(game.isFolder("Foo"));
    mods.setModEnabled(rowOf("Foo"), true);
    EXPECT_EQ(game.entries(), (std::vector<std::string>{"Foo.rte", "Vexmoor.exe", "base.rte"}));
}

TEST_F(ModFoldersTest, EnablingABackupNameAddsTheSuffix) {
    makeGame(game, {"x.rte.bak"});
    ASSERT_TRUE(mods.Form_Load());
    mods.setModEnabled(rowOf("x.rte.bak"), true);
    EXPECT_TRUE(game.isFolder("x.rte.bak.rte"));
}

// The folder "X.rte.rte" is the mod "X.rte": without its suffix it would
// still end in ".rte" (or be the base data), so clearing the box cannot
// disable it. Nothing is renamed and the box stays; a name that only holds
// ".rte" inside is toggled as usual.
TEST_F(ModFoldersTest, AModWhoseNameEndsInTheSuffixIsNotDisabledAndTheUserIsToldWhy) {
    makeGame(game, {"X.rte.rte", "Y.RTE.Rte", "base.rte.rte", "Z.rte.bak"});
    ASSERT_TRUE(mods.Form_Load());
    const auto before = game.entries();
    for (const char* mod : {"X.rte", "Y.RTE", "base.rte"}) mods.setModEnabled(rowOf(mod), false);
    EXPECT_EQ(game.entries(), before);
    EXPECT_TRUE(platform.renames.empty());
    EXPECT_TRUE(mods.List1().checked(rowOf("Y.RTE")));
    ASSERT_EQ(platform.messages.size(), 3u);
    EXPECT_EQ(platform.messages[0].title, "Error");
    EXPECT_EQ(platform.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(
        platform.messages[0].text,
        "Could not disable the mod \"X.rte\".\n\nIts folder is called \"X.rte.rte\". Clearing the box "
        "would rename it to \"X.rte\", which still ends in \".rte\", so the game would go on loading the "
        "mod.\n\nTo disable it, close this program, rename the folder yourself so that its name no "
        "longer ends in \".rte\", and start this program again. Nothing was changed.");

    mods.setModEnabled(rowOf("Z.rte.bak"), true);
    mods.setModEnabled(rowOf("Z.rte.bak"), false);
    EXPECT_EQ(platform.renames.size(), 2u);
    EXPECT_EQ(game.entries(), before);
}

// Names the file system allows but a program might trip over. Each comes
// back unchanged, so the rescan finds exactly the same names.
TEST_F(ModFoldersTest, EveryLegalNameSurvivesScanToggleScan) {
    // Up to 255 bytes (POSIX) or UTF-16 units (Windows): the longest name
    // that can still take the suffix, and one that cannot.
    const size_t longest = 251;
    std::vector<std::string> names = {
        "Ärger Ωμέγα",         " leading",     "  both ends  ",
        "trailing dot.",       "emoji 😀 pair", "漢字",
        "semi;colon",          "per%cent",     "brace{s}",
        "dots.in.name",        "x.RTE.bak",    std::string(longest, 'L'),
        std::string(255, 'x'),
    };
#ifndef _WIN32
    // Any byte but '/' and NUL.
    names.insert(names.end(), {"\xff\xfe invalid", "new\nline", "tab\there", "back\\slash", "quote\"s"});
#endif
    makeGame(game, names);
    ASSERT_TRUE(mods.Form_Load());
    ASSERT_EQ(mods.List1().count(), static_cast<int>(names.size()));
    for (int row = 0; row < mods.List1().count(); ++row) {
        if (mods.List1().text(row).size() <= longest) mods.setModEnabled(row, true);
    }
    for (int row = 0; row < mods.List1().count(); ++row) mods.setModEnabled(row, false);
    EXPECT_TRUE(platform.messages.empty()) << platform.messages[0].text;

    TestPlatform again(game.path());
    ModFolders rescanned(again);
    ASSERT_TRUE(rescanned.Form_Load());
    std::vector<std::string> expected = names;
    std::vector<std::string> found;
    const ModList& rows = rescanned.List1();
    for (int row = 0; row < rows.count(); ++row) {
        found.push_back(U(rows.text(row)));
        EXPECT_FALSE(rows.checked(row)) << found.back();
    }
    std::sort(expected.begin(), expected.end());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected);
}

// --- typing search ---------------------------------------------------------

// Typed text is held against the rows as they show the names, letter case
// ignored by the program's one rule: a zero-width space shows as "<U+200B>",
// a final sigma is not a sigma, and É is é.
TEST_F(ModFoldersTest, TypingFindsTheNextRowWhoseShownNameStartsSo) {
    makeGame(game, {"Alpha", "\u200Bzed", "\u03C2a", "\u03C3b.rte", "\u00C9clair", "\u00E9t\u00E9"});
    ASSERT_TRUE(mods.Form_Load());
    const auto found = [&](const char* typed, int start) {
        const int row = mods.findRow(N(typed), start);
        return row < 0 ? std::string("none") : U(mods.List1().text(row));
    };
    EXPECT_EQ(found("\u00E9", 0), "\u00C9clair");
    EXPECT_EQ(found("\u00C9", rowOf("\u00C9clair") + 1), "\u00E9t\u00E9");
    EXPECT_EQ(found("\u00E9", rowOf("\u00E9t\u00E9") + 1), "\u00C9clair") << "wraps around";
    EXPECT_EQ(found("<u+200b>Z", 0), "\u200Bzed");
    EXPECT_EQ(found("z", 0), "none");
    EXPECT_EQ(found("\u03C3", 0), "\u03C3b");
    EXPECT_EQ(found("\u03C2", rowOf("\u03C3b")), "\u03C2a");
    EXPECT_EQ(found("a", 99), "Alpha");
    EXPECT_EQ(mods.findRow(N("ALPHA"), 3, ModFolders::Match::Whole), rowOf("Alpha"));
    EXPECT_EQ(mods.findRow(N("Alph"), 0, ModFolders::Match::Whole), -1);
}

// --- refused renames --------------------------------------------------------

// The system's words for why a rename was refused. A name taken in another
// letter case is named as it is on disk.
#ifdef _WIN32
std::string systemReason(DWORD error) {
    return U(win32::systemMessage(error));
}
const std::string kExists = systemReason(ERROR_ALREADY_EXISTS);
const std::string kNotFound = systemReason(ERROR_FILE_NOT_FOUND);
const std::string kInvalid = systemReason(ERROR_INVALID_NAME);
// A name longer than the file system takes: NTFS finds it invalid, Wine
// finds no such file.
const std::vector<std::string> kTooLong = {kInvalid, systemReason(ERROR_FILENAME_EXCED_RANGE), kNotFound};
#else
const std::string kExists = "File exists";
const std::string kInvalid = "Invalid argument";
const std::vector<std::string> kTooLong = {"File name too long"};
#endif

const std::string kExistsInOtherCase = kExists + "\nThe name is taken by \"FOO.RTE\".";
const std::string kTaken = "A folder or file of the new name is already there.";
const std::string kUsual = "This usually means that the game is running";

struct RefusalCase {
    const char* label;
    std::vector<std::string> folders;  // besides base.rte
    std::string mod;
    bool enable;
    std::function<void(const TempDir&)> interfere;  // what changes on disk after the scan
    std::vector<std::string> reasons;               // one of them is part of the message
    std::string hint;                               // the likely cause named
};

void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << c.label;
}

class RefusedRenameTest : public ModFoldersTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedRenameTest, LeavesEveryFolderAndTheBoxAndTellsWhyAndTheLikelyCause) {
    const RefusalCase& c = GetParam();
    makeGame(game, c.folders);
    ASSERT_TRUE(mods.Form_Load());
    if (c.interfere) c.interfere(game);
    const auto before = game.entries();
    const int row = rowOf(c.mod);

    mods.setModEnabled(row, c.enable);

    EXPECT_EQ(game.entries(), before);
    EXPECT_EQ(mods.List1().checked(row), !c.enable);
    EXPECT_EQ(platform.renames.size(), 1u);
    EXPECT_EQ(platform.ends, 0);
    ASSERT_EQ(platform.messages.size(), 1u);
    const ShownMessage& shown = platform.messages[0];
    EXPECT_EQ(shown.title, "Error");
    EXPECT_EQ(shown.kind, MessageKind::Warning);
    // A very long name is quoted shortened in the middle.
    const std::string quoted = U(text::quotedName(N(c.mod)));
    EXPECT_NE(shown.text.find(std::string(c.enable ? "enable" : "disable") + " the mod \"" + quoted + "\""),
              std::string::npos)
        << shown.text;
    EXPECT_TRUE(std::any_of(c.reasons.begin(), c.reasons.end(), [&](const std::string& reason) {
        return shown.text.find(reason) != std::string::npos;
    })) << shown.text;
    EXPECT_NE(shown.text.find(c.hint), std::string::npos) << shown.text;
    EXPECT_TRUE(mods.listReady());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusedRenameTest,
    ::testing::Values(
        RefusalCase{"TargetIsAnEmptyFolder",
                    {"Foo"},
                    "Foo",
                    true,
                    [](const TempDir& d) { d.makeFolder("Foo.rte"); },
                    {kExists},
                    kTaken},
        RefusalCase{"TargetIsAFullFolder",
                    {"Foo"},
                    "Foo",
                    true,
                    [](const TempDir& d) {
                        d.makeFolder("Foo.rte");
                        d.makeFile("Foo.rte/data.ini", "x");
                    },
                    {kExists},
                    kTaken},
        RefusalCase{"TargetIsAFile",
                    {"Foo.rte"},
                    "Foo",
                    false,
                    [](const TempDir& d) { d.makeFile("Foo"); },
                    {kExists},
                    kTaken},
        RefusalCase{"TargetInOtherLetterCase",
                    {"Foo"},
                    "Foo",
                    true,
                    [](const TempDir& d) { d.makeFolder("FOO.RTE"); },
                    {kExistsInOtherCase},
                    kTaken},
        RefusalCase{
            "NameTooLong", {std::string(252, 'n')}, std::string(252, 'n'), true, nullptr, kTooLong, kUsual},
        RefusalCase{"EmptyNameCannotLoseItsSuffix", {".rte"}, "", false, nullptr, {kInvalid}, kUsual}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.label); });

// Another program (or a second copy of this one) renamed or removed folders
// after the scan: the click fails, and the box then shows what is on disk.
TEST_F(ModFoldersTest, AfterARefusalTheBoxMatchesTheFolderOnDisk) {
    makeGame(game, {"On.rte", "Off", "Gone"});
    ASSERT_TRUE(mods.Form_Load());
    game.remove("On.rte");
    game.makeFolder("On");
    game.remove("Off");
    game.makeFolder("Off.RTE");
    game.remove("Gone");

    mods.setModEnabled(rowOf("On"), false);
    mods.setModEnabled(rowOf("Off"), true);
    mods.setModEnabled(rowOf("Gone"), true);
    EXPECT_FALSE(mods.List1().checked(rowOf("On")));
    EXPECT_TRUE(mods.List1().checked(rowOf("Off")));
    EXPECT_FALSE(mods.List1().checked(rowOf("Gone")));
    ASSERT_EQ(platform.messages.size(), 3u);
    EXPECT_EQ(platform.messages[0].text,
              "The mod \"On\" was already disabled: another program renamed its folder.");
    EXPECT_EQ(platform.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(platform.messages[1].text,
              "The mod \"Off\" was already enabled: another program renamed its folder.");
    EXPECT_EQ(platform.messages[2].title, "Error");
    EXPECT_NE(platform.messages[2].text.find("\"Gone\" is no longer there"), std::string::npos);

    // The next clicks work on the folders as they are now.
    mods.setModEnabled(rowOf("On"), true);
    mods.setModEnabled(rowOf("Off"), false);
    EXPECT_EQ(game.entries(), (std::vector<std::string>{"Off", "On.rte", "Vexmoor.exe", "base.rte"}));
    EXPECT_EQ(platform.messages.size(), 3u);
}

// Each cause of a refusal the system reports gets its own remedy; the
// folder stays as it is and the program goes on.
TEST_F(ModFoldersTest, RefusalsNameTheirCauseAndTheProgramGoesOn) {
    makeGame(game, {"Foo", "Bar.rte"});
    ASSERT_TRUE(mods.Form_Load());
    platform.failNextRename = "Device or resource busy";
    platform.failNextRenameKind = FailureKind::InUse;
    mods.setModEnabled(rowOf("Foo"), true);
    EXPECT_FALSE(mods.List1().checked(rowOf("Foo")));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text,
              "Could not enable the mod \"Foo\".\n\nThe folder \"Foo\" could not be renamed to "
              "\"Foo.rte\":\nDevice or resource busy\n\nThe folder is in use: close the game and any "
              "program that has the folder or a file in it open, pause a sync client such as OneDrive, then "
              "try again. The mod was left as it was.");

    for (const auto& [kind, remedy] :
         {std::pair{FailureKind::UnderProgramFiles, "start this program as administrator"},
          {FailureKind::NoPermission, "read-only drive"}}) {
        platform.failNextRename = "Access is denied.";
        platform.failNextRenameKind = kind;
        mods.setModEnabled(rowOf("Foo"), true);
        EXPECT_NE(platform.messages.back().text.find(remedy), std::string::npos)
            << platform.messages.back().text;
    }

    mods.setModEnabled(rowOf("Bar"), false);
    EXPECT_TRUE(game.isFolder("Bar"));
    mods.setModEnabled(rowOf("Foo"), true);
    EXPECT_TRUE(game.isFolder("Foo.rte"));
    EXPECT_EQ(platform.messages.size(), 3u);
}

}  // namespace
}  // namespace vx::mods
