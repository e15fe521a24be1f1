#include "platform/win32/win32_platform.h"

#include "support/native.h"
#include "support/temp_dir.h"
#include "support/test_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace vx::win32 {
namespace {

using testing::N;
using testing::TempDir;
using testing::U;

std::string hex(std::wstring_view text) {
    std::string out;
    for (wchar_t unit : text) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04X ", static_cast<unsigned>(unit));
        out += digits;
    }
    return out;
}

class Win32PlatformTest : public ::testing::Test {
protected:
    TempDir dir;
    Win32Platform platform;

    std::vector<std::string> subfolderNames() { return testing::subfolderNames(platform, dir); }

    MaybeFailure rename(std::string_view from, std::string_view to) {
        return platform.renameFolder(N(dir.path()) + L"\\", N(from), N(to));
    }
};

// --- attributes -----------------------------------------------------------------

// Hidden and system folders are mods like any other, as the game loads them
// too; but a hidden or system file is no plain file. Files are found in any
// letter case.
TEST_F(Win32PlatformTest, HiddenAndSystemFoldersAreListedButHiddenFilesAreNoPlainFiles) {
    for (const char* folder : {"plain", "hidden", "system"}) dir.makeFolder(folder);
    dir.setAttributes("hidden", FILE_ATTRIBUTE_HIDDEN);
    dir.setAttributes("system", FILE_ATTRIBUTE_SYSTEM);
    for (const char* file : {"game.exe", "hidden.exe", "system.exe"}) dir.makeFile(file);
    dir.setAttributes("hidden.exe", FILE_ATTRIBUTE_HIDDEN);
    dir.setAttributes("system.exe", FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(subfolderNames(), (std::vector<std::string>{"hidden", "plain", "system"}));
    EXPECT_TRUE(platform.isPlainFile(dir.native("GAME.EXE")));
    EXPECT_FALSE(platform.isPlainFile(dir.native("hidden.exe")));
    EXPECT_FALSE(platform.isPlainFile(dir.native("system.exe")));
}

// Under Wine, a Unix link renamed through Windows calls would move the folder
// it points to, a name that is not UTF-8 would lose its bytes, and a name
// holding a backslash would name a folder elsewhere (here "victim", beside
// the game folder "store"); all are refused with the reason and left as they
// are.
TEST_F(Win32PlatformTest, UnderWineLinksAndNamesThatAreNotUtf8AreNotRenamed) {
    dir.makeFolder("store");
    dir.makeFolder("store/realmod");
    dir.makeFile("store/realmod/inside", "x");
    if (!dir.unixShell("ln -s store/realmod linked.rte && mkdir \"$(printf 'caf\\351')\" victim "
                       "'store/HD Textures\\..\\..\\victim'")) {
        GTEST_SKIP() << "not under Wine";
    }
    ASSERT_EQ(subfolderNames(), (std::vector<std::string>{"caf\uFFFD", "linked.rte", "store", "victim"}));
    const MaybeFailure outside = platform.renameFolder(
        N(dir / "store") + L"\\", L"HD Textures\\..\\..\\victim", L"HD Textures\\..\\..\\victim.rte");
    EXPECT_TRUE(dir.isFolder("victim"));
    EXPECT_FALSE(dir.exists("victim.rte"));
    ASSERT_TRUE(outside);
    EXPECT_EQ(outside->kind, FailureKind::NameWindowsCannotHold);

    const MaybeFailure link = rename("linked.rte", "linked");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->kind, FailureKind::LinkUnderWine);
    EXPECT_EQ(dir.read("store/realmod/inside"), "x");
    EXPECT_EQ(dir.read("linked.rte/inside"), "x");
    EXPECT_FALSE(dir.exists("linked"));

    const MaybeFailure name = rename("caf\uFFFD", "caf\uFFFD.rte");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->kind, FailureKind::NameWineCannotKeep);
    EXPECT_EQ(subfolderNames(), (std::vector<std::string>{"caf\uFFFD", "linked.rte", "store", "victim"}));
}

// --- program start --------------------------------------------------------------

// The stand-in game writes this file beside itself when it has started.
constexpr const char* kReport = "Vexmoor.loaded-mods.txt";

class ProgramStartTest : public Win32PlatformTest {
protected:
    // Games started by the tests write their report and end, showing no window.
    void SetUp() override { testing::setEnvironment("VEXMOOR_STAND_IN_HEADLESS", "1"); }

    void placeGame(std::string_view name) { dir.copyProgram(VX_STAND_IN_GAME, name); }

    bool waitFor(const std::string& name) {
        return testing::eventually([&] { return dir.exists(name); });
    }
};

// Unquoted, "<tmp>\Program Files\Game\Vexmoor.exe" as a command line runs
// "<tmp>\Program.exe" with the arguments "Files\Game\Vexmoor.exe", if there
// is such a file. A copy of the game there tells on a start like that.
TEST_F(ProgramStartTest, StartRunsTheGameItselfEvenBehindAPathWithBlanks) {
    for (const char* folder : {"Program Files", "Program Files/Game", "Program Files/Game/base.rte",
                               "Program Files/Game/Alpha.rte", "Program Files/Game/Beta"}) {
        dir.makeFolder(folder);
    }
    placeGame("Program Files/Game/Vexmoor.exe");
    placeGame("Program.exe");

    ASSERT_FALSE(platform.startProgram(dir.native("Program Files/Game/Vexmoor.exe")));
    ASSERT_TRUE(waitFor("Program Files/Game/" + std::string(kReport)));
    Sleep(300);  // time enough for the decoy to have written, had it started
    EXPECT_FALSE(dir.exists(kReport));
    EXPECT_EQ(dir.read("Program Files/Game/" + std::string(kReport)), "Alpha.rte\n");
}

// The stand-in game itself, as the tests of the program rely on it: it
// reports the folders the game would load, UTF-8 in byte order, and fails
// with status 2 without the game's base data.
TEST_F(ProgramStartTest, StandInGameReportsTheModsItWouldLoad) {
    for (const char* folder : {"base.rte", "Zeta.RTE", "beta.rte", "Ärger.Rte", "alpha", "x.rte.bak"}) {
        dir.makeFolder(folder);
    }
    dir.makeFile("file.rte");
    placeGame("Vexmoor.exe");
    const auto run = [&] {
        std::wstring commandLine = L"\"" + dir.native("Vexmoor.exe") + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(dir.native("Vexmoor.exe").c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                            nullptr, nullptr, &startup, &process)) {
            return DWORD{9999};
        }
        WaitForSingleObject(process.hProcess, 20000);
        DWORD status = 9999;
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return status;
    };
    EXPECT_EQ(run(), 0u);
    EXPECT_EQ(dir.read(kReport), "Zeta.RTE\nbeta.rte\nÄrger.Rte\n");

    dir.remove("base.rte");
    dir.remove("beta.rte");
    EXPECT_EQ(run(), 2u);
    EXPECT_EQ(dir.read(kReport), "Zeta.RTE\nÄrger.Rte\n");
}

// --- end and messages ------------------------------------------------------------

// Only folders inside Program Files count, in any letter case.
TEST(ProgramFiles, HoldsTheFoldersInsideItOnly) {
    wchar_t folder[MAX_PATH];
    const std::wstring programFiles(folder, GetEnvironmentVariableW(L"ProgramFiles", folder, MAX_PATH));
    EXPECT_TRUE(underProgramFiles(Win32Platform().lower(programFiles) + L"\\Vexmoor\\"));
    EXPECT_FALSE(underProgramFiles(programFiles + L" Games\\Vexmoor\\"));
    EXPECT_FALSE(underProgramFiles(L"C:\\Games\\Vexmoor\\"));
}

TEST(End, EndsTheProcessAtOnceWithStatusOne) {
    EXPECT_EXIT(Win32Platform().end(), ::testing::ExitedWithCode(1), "");
}

TEST(SystemMessage, IsTheSystemsSentenceWithoutTheLineBreakOrTheNumber) {
    for (const DWORD error : {ERROR_FILE_NOT_FOUND, ERROR_ALREADY_EXISTS, ERROR_ACCESS_DENIED}) {
        const std::wstring text = systemMessage(error);
        ASSERT_GE(text.size(), 5u) << error;
        EXPECT_NE(text.back(), L'\n');
        EXPECT_NE(text.back(), L'\r');
        EXPECT_NE(text.back(), L' ');
    }
    EXPECT_NE(systemMessage(ERROR_FILE_NOT_FOUND), systemMessage(ERROR_ALREADY_EXISTS));

    EXPECT_EQ(systemMessage(31337), L"Error 31337.");
    EXPECT_EQ(systemMessage(0xE0123456), L"Error 0xE0123456.");
}

TEST(SystemMessage, NamesTheSubjectInPlaceOfThePlaceholder) {
    const std::wstring plain = systemMessage(ERROR_BAD_EXE_FORMAT);
    ASSERT_NE(plain.find(L"%1"), std::wstring::npos) << U(plain);
    const std::wstring named = systemMessage(ERROR_BAD_EXE_FORMAT, L"Vexmoor.exe");
    EXPECT_EQ(named.find(L"%1"), std::wstring::npos);
    EXPECT_NE(named.find(L"Vexmoor.exe"), std::wstring::npos) << U(named);
}

// The box is found on screen by its title, read, and answered, as a user
// would. Without a display (no X server for Wine) the box cannot be shown
// and the call returns at once.
TEST(MessageBoxes, ShowTextAndTitleAndReturnWhenDismissed) {
    const std::wstring title = L"vx message box " + std::to_wstring(GetCurrentProcessId());
    std::atomic<bool> returned{false};
    std::atomic<bool> found{false};
    std::wstring shownText;
    std::thread user([&] {
        testing::eventually([&] {
            const HWND box = FindWindowW(L"#32770", title.c_str());
            if (!box) return bool(returned);
            wchar_t text[256] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 256);
            shownText = text;
            found = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        });
    });
    Win32Platform platform;
    platform.messageBox(L"First line\nSecond line", MessageKind::Information, title);
    returned = true;
    user.join();
    if (!found) GTEST_SKIP() << "no display to show the box on";
    EXPECT_EQ(shownText, L"First line\r\nSecond line");
}

// --- text -------------------------------------------------------------------------

TEST(Win32Text, OrderIgnoresCaseButNotLettersOrAccents) {
    const std::vector<NativeStringView> names = {L"zeta", L"Beta", L"f", L"é", L"alpha", L"e", L"", L"BETA"};
    std::vector<std::wstring> sorted;
    for (const uint32_t index : Win32Platform(L"en-US").sortedOrder(names)) sorted.emplace_back(names[index]);
    // BETA and Beta differ only in letter case; their code units decide.
    EXPECT_EQ(sorted,
              (std::vector<std::wstring>{L"", L"alpha", L"BETA", L"Beta", L"e", L"é", L"f", L"zeta"}));
}

// The mod list sorts by keys and inserts by comparing names; the two must
// agree on every pair of names, or rows land in different places depending
// on how they were added. The pieces include what Windows sorts specially:
// hyphens and apostrophes (weighed only after everything else), ignorable
// characters, expansions such as ß and Æ, digits, surrogate pairs, and the
// empty name, for which the system makes no key.
TEST(Win32Text, SortKeysOrderNamesExactlyAsCompareNamesDoes) {
    const std::vector<std::wstring> pieces = {
        L"a",  L"A",  L"b", L"c", L"ch", L"CH", L"aa",     L"i",      L"I",  L"z",    L"Z",
        L"-",  L"--", L"_", L" ", L".",  L"0",  L"9",      L"10",     L"'",  L"’",    L"ä",
        L"Ä",  L"å",  L"Ω", L"ı", L"İ",  L"é",  L"é",      L"ß",      L"ss", L"Æ",    L"ae",
        L"日", L"ñ",  L"~", L"!", L"½",  L"Ａ", L"\u00ad", L"\u200b", L"😀",  L".rte", L"ø"};
    std::mt19937 random(20240611);
    // Hyphens weigh four bytes each: a key longer than the first guess.
    std::vector<std::wstring> names = {
        L"", L"\u00ad", L"a-", L"-a", L"co-op", L"coop", L"co'op", std::wstring(40, L'-'), L"ß-ß-Æ'Æ-ǅ-ﬃ-"};
    while (names.size() < 400) {
        std::wstring name;
        for (int n = 1 + static_cast<int>(random() % 6); n > 0; --n) name += pieces[random() % pieces.size()];
        names.push_back(name);
    }
    for (const wchar_t* locale : {L"", L"en-US", L"de-DE", L"sv-SE", L"cs-CZ", L"tr-TR", L"ja-JP"}) {
        Win32Platform platform(locale);
        std::vector<std::string> keys;
        std::string all = "kept";
        for (const std::wstring& name : names) {
            const size_t start = all.size();
            platform.appendSortKey(name, all);
            keys.push_back(all.substr(start));
            EXPECT_FALSE(keys.back().empty()) << hex(name);
            EXPECT_EQ(keys.back().find('\0'), std::string::npos) << hex(name);
        }
        EXPECT_EQ(all.substr(0, 4), "kept");
        int mismatches = 0;
        for (size_t a = 0; a < names.size(); ++a) {
            for (size_t b = 0; b < names.size(); ++b) {
                const int byKey = keys[a].compare(keys[b]);
                const int byName = testing::compareNames(locale, names[a], names[b]);
                if ((byKey < 0 ? -1 : byKey > 0 ? 1 : 0) != byName && ++mismatches <= 5) {
                    ADD_FAILURE() << U(locale) << ": [" << hex(names[a]) << "] vs [" << hex(names[b])
                                  << "]: names " << byName << ", keys " << byKey;
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << U(locale);
    }
}

}  // namespace
}  // namespace vx::win32
