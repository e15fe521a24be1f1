#include "platform/win32/win32_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace vx::win32 {
namespace {

// Paths with "\\?\" in front reach names the usual path parsing would change
// (a trailing dot) and need no length limit.
std::wstring exact(const std::wstring& path) {
    return L"\\\\?\\" + path;
}

// Deletes a file or folder tree; clears read-only, hidden and system flags
// first. A program started by a test may still hold its file for a moment,
// so deletions are retried for a while.
void removeTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(exact(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(exact(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(exact(path + L"\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") removeTree(path + L"\\" + name);
            } while (FindNextFileW(search, &entry));
            FindClose(search);
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(exact(path).c_str())
                                                                     : DeleteFileW(exact(path).c_str());
        if (removed) return;
        Sleep(50);
    }
}

// A fresh folder under the system's temporary folder for each test, removed
// with everything in it afterwards.
class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, base);
        std::wstring parent(base, length);
        if (!parent.empty() && parent.back() == L'\\') parent.pop_back();
        static std::atomic<unsigned> counter{0};
        for (;;) {
            path_ = parent + L"\\vx-win32-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(counter++);
            if (CreateDirectoryW(path_.c_str(), nullptr)) break;
            if (GetLastError() != ERROR_ALREADY_EXISTS) {
                ADD_FAILURE() << "cannot create a temporary folder: error " << GetLastError();
                break;
            }
        }
    }
    ~TempFolder() { removeTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Without a trailing backslash.
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

    void makeFolder(const std::wstring& name, DWORD attributes = 0) const {
        ASSERT_TRUE(CreateDirectoryW(exact(*this / name).c_str(), nullptr)) << GetLastError();
        if (attributes) {
            ASSERT_TRUE(SetFileAttributesW(exact(*this / name).c_str(), attributes));
        }
    }
    void makeFile(const std::wstring& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const {
        HANDLE file = CreateFileW(exact(*this / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  attributes, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        CloseHandle(file);
    }
    DWORD attributes(const std::wstring& name) const {
        return GetFileAttributesW(exact(*this / name).c_str());
    }
    bool exists(const std::wstring& name) const { return attributes(name) != INVALID_FILE_ATTRIBUTES; }
    bool isFolder(const std::wstring& name) const {
        return exists(name) && (attributes(name) & FILE_ATTRIBUTE_DIRECTORY);
    }
    // The contents of a file; empty when it cannot be read.
    std::string read(const std::wstring& name) const {
        HANDLE file = CreateFileW(exact(*this / name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return {};
        std::string text(4096, '\0');
        DWORD read = 0;
        if (!ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) read = 0;
        CloseHandle(file);
        text.resize(read);
        return text;
    }
    // The names of the entries directly inside, in code unit order.
    std::vector<std::wstring> entries() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(exact(*this / L"*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (FindNextFileW(search, &entry));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::wstring path_;
};

std::string utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

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
    TempFolder dir;
    Win32Platform platform;

    std::vector<std::wstring> subfolderNames() {
        Result<FolderList> listing = platform.subfolders(dir.path() + L"\\");
        EXPECT_TRUE(listing.ok()) << utf8(listing.failure().reason);
        std::vector<std::wstring> names;
        if (!listing.ok()) return names;
        for (size_t index = 0; index < listing.value().count(); ++index) {
            const std::wstring path(listing.value()[index]);
            EXPECT_EQ(path.rfind(dir.path() + L"\\", 0), 0u) << utf8(path);
            names.push_back(path.substr(dir.path().size() + 1));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    Status rename(const std::wstring& from, const std::wstring& to) {
        return platform.renameFolder(dir / from, dir / to);
    }
};

// --- own directory and listing ---------------------------------------------

TEST_F(Win32PlatformTest, OwnDirectoryHoldsTheRunningProgramWithoutATrailingBackslash) {
    Result<std::wstring> own = platform.ownDirectory();
    ASSERT_TRUE(own.ok());
    ASSERT_GT(own.value().size(), 3u);
    EXPECT_NE(own.value().back(), L'\\');
    wchar_t self[4096] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, 4096), 0u);
    const std::wstring program = self;
    EXPECT_EQ(program.rfind(own.value() + L"\\", 0), 0u);
    EXPECT_EQ(program.find(L'\\', own.value().size() + 1), std::wstring::npos) << utf8(program);
}

TEST_F(Win32PlatformTest, ListingYieldsEverySubfolderAndNothingElse) {
    dir.makeFolder(L"plain");
    dir.makeFolder(L"hidden", FILE_ATTRIBUTE_HIDDEN);
    dir.makeFolder(L"system", FILE_ATTRIBUTE_SYSTEM);
    dir.makeFolder(L"locked", FILE_ATTRIBUTE_READONLY);
    dir.makeFolder(L".rte");
    dir.makeFolder(L"with space");
    dir.makeFolder(L"Ärger");
    dir.makeFolder(L"日本");
    dir.makeFile(L"file.rte");
    dir.makeFile(L"hidden file", FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(subfolderNames(), (std::vector<std::wstring>{L".rte", L"hidden", L"locked", L"plain", L"system",
                                                           L"with space", L"Ärger", L"日本"}));
}

TEST_F(Win32PlatformTest, ListingOfAnEmptyFolderIsEmptyAndOfAMissingOneFails) {
    EXPECT_TRUE(subfolderNames().empty());

    dir.makeFile(L"file");
    for (const std::wstring& missing : {dir / L"missing\\", dir / L"file\\"}) {
        Result<FolderList> listing = platform.subfolders(missing);
        ASSERT_FALSE(listing.ok()) << utf8(missing);
        EXPECT_FALSE(listing.failure().reason.empty());
    }
}

// Several thousand entries take many calls to the file system; every one
// must arrive, and none twice.
TEST_F(Win32PlatformTest, ListingOfManyFoldersIsComplete) {
    std::vector<std::wstring> expected;
    for (int i = 0; i < 1500; ++i) {
        expected.push_back(L"mod " + std::to_wstring(100000 + i) + (i % 3 == 0 ? L".rte" : L""));
        dir.makeFolder(expected.back());
        if (i % 10 == 0) dir.makeFile(L"file " + std::to_wstring(i));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(subfolderNames(), expected);
}

// Windows cuts trailing dots and blanks from names in plain paths, which
// would rename "Foo." as "Foo": another folder, or none.
TEST_F(Win32PlatformTest, NamesSurviveListingRenameAndListingUnchanged) {
    const std::vector<std::wstring> names = {L"Ärger", L"日本", L"emoji 😀", L"dots.", L"blank "};
    for (const std::wstring& name : names) dir.makeFolder(name);
    dir.makeFolder(L"dots");  // what "dots." would turn into
    dir.makeFolder(L"blank");

    Result<FolderList> listing = platform.subfolders(dir.path() + L"\\");
    ASSERT_TRUE(listing.ok());
    for (size_t index = 0; index < listing.value().count(); ++index) {
        const std::wstring path(listing.value()[index]);
        const std::wstring name = path.substr(dir.path().size() + 1);
        if (name == L"dots" || name == L"blank") continue;
        const Status renamed = platform.renameFolder(path, path + L".rte");
        EXPECT_FALSE(renamed) << utf8(name) << ": " << utf8(renamed->reason);
    }
    std::vector<std::wstring> expected = {L"blank", L"dots"};
    for (const std::wstring& name : names) expected.push_back(name + L".rte");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(subfolderNames(), expected);
}

TEST_F(Win32PlatformTest, PlainFileIsAVisibleFileEvenWhenReadOnly) {
    dir.makeFile(L"game.exe");
    dir.makeFile(L"locked.exe", FILE_ATTRIBUTE_READONLY);
    dir.makeFile(L"archived.exe", FILE_ATTRIBUTE_ARCHIVE);
    dir.makeFile(L"hidden.exe", FILE_ATTRIBUTE_HIDDEN);
    dir.makeFile(L"system.exe", FILE_ATTRIBUTE_SYSTEM);
    dir.makeFolder(L"folder.exe");
    EXPECT_TRUE(platform.isPlainFile(dir / L"game.exe"));
    EXPECT_TRUE(platform.isPlainFile(dir / L"GAME.EXE"));
    EXPECT_TRUE(platform.isPlainFile(dir / L"locked.exe"));
    EXPECT_TRUE(platform.isPlainFile(dir / L"archived.exe"));
    EXPECT_FALSE(platform.isPlainFile(dir / L"hidden.exe"));
    EXPECT_FALSE(platform.isPlainFile(dir / L"system.exe"));
    EXPECT_FALSE(platform.isPlainFile(dir / L"folder.exe"));
    EXPECT_FALSE(platform.isPlainFile(dir / L"missing.exe"));
    EXPECT_FALSE(platform.isPlainFile(dir / L"missing\\game.exe"));
}

// --- rename -------------------------------------------------------------------

TEST_F(Win32PlatformTest, RenameMovesTheFolderWithItsContents) {
    dir.makeFolder(L"Foo");
    dir.makeFile(L"Foo\\data.ini");
    EXPECT_FALSE(rename(L"Foo", L"Foo.rte"));
    EXPECT_TRUE(dir.exists(L"Foo.rte\\data.ini"));
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"Foo.rte"});
}

TEST_F(Win32PlatformTest, RenameFindsTheFolderInAnyLetterCase) {
    dir.makeFolder(L"Foo.RTE");
    EXPECT_FALSE(rename(L"Foo.rte", L"Foo"));
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"Foo"});
    EXPECT_FALSE(rename(L"Foo", L"Foo.rte"));
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"Foo.rte"});

    dir.makeFolder(L"ÄRGER.rte");
    EXPECT_FALSE(rename(L"ärger.rte", L"Ärger"));
    EXPECT_TRUE(dir.isFolder(L"Ärger"));
}

TEST_F(Win32PlatformTest, RenameNeverReplacesATargetInAnyLetterCase) {
    dir.makeFolder(L"Foo");
    dir.makeFile(L"Foo\\data.ini");
    dir.makeFolder(L"fOO.Rte");  // empty: replacing it would lose nothing visible
    dir.makeFolder(L"Bar");
    dir.makeFile(L"bar.RTE");
    dir.makeFolder(L"Baz.rte");
    dir.makeFolder(L"BAZ");
    const auto before = dir.entries();
    // The reason names what is in the way, as it is written on disk.
    for (const auto& [from, to, existing] :
         {std::tuple{L"Foo", L"Foo.rte", L"\"fOO.Rte\""}, std::tuple{L"Bar", L"Bar.rte", L"\"bar.RTE\""},
          std::tuple{L"Baz.rte", L"Baz", L"\"BAZ\""}, std::tuple{L"Foo", L"BAR", L"\"Bar\""}}) {
        const Status refused = rename(from, to);
        ASSERT_TRUE(refused) << utf8(from) << " -> " << utf8(to);
        EXPECT_NE(refused->reason.find(existing), std::wstring::npos) << utf8(refused->reason);
    }
    EXPECT_EQ(dir.entries(), before);
    EXPECT_TRUE(dir.exists(L"Foo\\data.ini"));
}

TEST_F(Win32PlatformTest, RenameRefusesAMissingSourceAFileAndAnEmptyName) {
    const Status missing = rename(L"Missing", L"Missing.rte");
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->reason.empty());

    dir.makeFile(L"NotAFolder");
    ASSERT_TRUE(rename(L"NotAFolder", L"NotAFolder.rte"));

    // 252 characters and the suffix are one more than any Windows file
    // system takes.
    const std::wstring longest(252, L'n');
    dir.makeFolder(longest);
    const Status tooLong = rename(longest, longest + L".rte");
    ASSERT_TRUE(tooLong);
    EXPECT_EQ(tooLong->reason, systemMessage(ERROR_FILENAME_EXCED_RANGE));

    // Disabling a mod with an empty name asks to rename "<game>\.rte" to the
    // game directory itself.
    dir.makeFolder(L".rte");
    EXPECT_TRUE(platform.renameFolder(dir / L".rte", dir.path() + L"\\"));
    EXPECT_TRUE(platform.renameFolder(dir / L"", dir / L".rte"));
    EXPECT_EQ(dir.entries(), (std::vector<std::wstring>{L".rte", L"NotAFolder", longest}));
}

// --- program start --------------------------------------------------------------

// The stand-in game's path as this program can open it. When the build ran
// on Linux for Wine, the path is a Unix one, which Wine translates.
std::wstring standInGame() {
    const std::string built = VX_STAND_IN_GAME;
    if (!built.empty() && built[0] == '/') {
        using ToDos = wchar_t*(CDECL*)(const char*);
        if (auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")))) {
            if (wchar_t* dos = toDos(built.c_str())) {
                std::wstring path = dos;
                HeapFree(GetProcessHeap(), 0, dos);
                return path;
            }
        }
    }
    std::wstring path(built.size(), L'\0');
    path.resize(
        static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, built.data(), static_cast<int>(built.size()),
                                                path.data(), static_cast<int>(path.size()))));
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// The stand-in game writes this file beside itself when it has started.
const wchar_t* const kReport = L"Vexmoor.loaded-mods.txt";

class ProgramStartTest : public Win32PlatformTest {
protected:
    // Games started by the tests write their report and end, showing no window.
    void SetUp() override { ASSERT_TRUE(SetEnvironmentVariableW(L"VEXMOOR_STAND_IN_HEADLESS", L"1")); }
    void TearDown() override { SetEnvironmentVariableW(L"VEXMOOR_STAND_IN_HEADLESS", nullptr); }

    void placeGame(const std::wstring& path) {
        ASSERT_TRUE(CopyFileW(standInGame().c_str(), path.c_str(), TRUE))
            << utf8(standInGame()) << ": " << GetLastError();
    }

    bool waitFor(const std::wstring& name, int milliseconds = 20000) {
        for (auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
             std::chrono::steady_clock::now() < until; Sleep(20)) {
            if (dir.exists(name)) return true;
        }
        return false;
    }
};

// Unquoted, "<tmp>\Program Files\Game\Vexmoor.exe" as a command line runs
// "<tmp>\Program.exe" with the arguments "Files\Game\Vexmoor.exe", if there
// is such a file. A copy of the game there tells on a start like that.
TEST_F(ProgramStartTest, StartRunsTheGameItselfEvenBehindAPathWithBlanks) {
    dir.makeFolder(L"Program Files");
    dir.makeFolder(L"Program Files\\Game");
    dir.makeFolder(L"Program Files\\Game\\base.rte");
    dir.makeFolder(L"Program Files\\Game\\Alpha.rte");
    dir.makeFolder(L"Program Files\\Game\\Beta");
    placeGame(dir / L"Program Files\\Game\\Vexmoor.exe");
    placeGame(dir / L"Program.exe");

    ASSERT_FALSE(platform.startProgram(dir / L"Program Files\\Game\\Vexmoor.exe"));
    ASSERT_TRUE(waitFor(L"Program Files\\Game\\" + std::wstring(kReport)));
    Sleep(300);  // time enough for the decoy to have written, had it started
    EXPECT_FALSE(dir.exists(kReport));

    EXPECT_EQ(dir.read(L"Program Files\\Game\\" + std::wstring(kReport)), "Alpha.rte\n");
}

// The stand-in game itself, as the tests of the program rely on it: it
// reports the folders the game would load, UTF-8 in byte order, and fails
// with status 2 without the game's base data.
TEST_F(ProgramStartTest, StandInGameReportsTheModsItWouldLoad) {
    for (const wchar_t* folder :
         {L"base.rte", L"Zeta.RTE", L"beta.rte", L"Ärger.Rte", L"alpha", L"x.rte.bak"}) {
        dir.makeFolder(folder);
    }
    dir.makeFile(L"file.rte");
    placeGame(dir / L"Vexmoor.exe");
    const auto run = [&] {
        std::wstring commandLine = L"\"" + (dir / L"Vexmoor.exe") + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW((dir / L"Vexmoor.exe").c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
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
    EXPECT_EQ(dir.read(kReport), "Zeta.RTE\nbeta.rte\n\xc3\x84rger.Rte\n");

    ASSERT_TRUE(RemoveDirectoryW((dir / L"base.rte").c_str()));
    ASSERT_TRUE(MoveFileW((dir / L"beta.rte").c_str(), (dir / L"beta").c_str()));
    EXPECT_EQ(run(), 2u);
    EXPECT_EQ(dir.read(kReport), "Zeta.RTE\n\xc3\x84rger.Rte\n");
}

TEST_F(ProgramStartTest, StartOfAMissingOrInvalidProgramFailsWithTheReason) {
    const Status missing = platform.startProgram(dir / L"Vexmoor.exe");
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->reason.empty());

    dir.makeFile(L"Vexmoor.exe");  // empty: not a program
    const Status invalid = platform.startProgram(dir / L"Vexmoor.exe");
    ASSERT_TRUE(invalid);
    EXPECT_EQ(invalid->reason.find(L"%1"), std::wstring::npos) << utf8(invalid->reason);
}

// --- end and messages ------------------------------------------------------------

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
    ASSERT_NE(plain.find(L"%1"), std::wstring::npos) << utf8(plain);
    const std::wstring named = systemMessage(ERROR_BAD_EXE_FORMAT, L"Vexmoor.exe");
    EXPECT_EQ(named.find(L"%1"), std::wstring::npos);
    EXPECT_NE(named.find(L"Vexmoor.exe"), std::wstring::npos) << utf8(named);
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
        for (int i = 0; i < 1000 && !returned; ++i, Sleep(20)) {
            HWND box = FindWindowW(L"#32770", title.c_str());
            if (!box) continue;
            wchar_t text[256] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 256);
            shownText = text;
            found = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return;
        }
    });
    Win32Platform platform;
    platform.messageBox(L"First line\r\nSecond line", kStyleInformation, title);
    returned = true;
    user.join();
    if (!found) GTEST_SKIP() << "no display to show the box on";
    EXPECT_EQ(shownText, L"First line\r\nSecond line");
}

// --- text -------------------------------------------------------------------------

TEST(Win32Text, LowerCasesForTheLocaleAndAppends) {
    Win32Platform platform;
    EXPECT_EQ(platform.lower(L"ÄRGER"), L"ärger");
    EXPECT_EQ(platform.lower(L"FOO Bar.RTE"), L"foo bar.rte");
    EXPECT_EQ(platform.lower(L"ΩΜΈΓΑ 日本"), L"ωμέγα 日本");
    EXPECT_EQ(platform.lower(L""), L"");
    std::wstring out = L"kept|";
    platform.appendLower(L"ABC", out);
    platform.appendLower(L"", out);
    EXPECT_EQ(out, L"kept|abc");

    EXPECT_EQ(Win32Platform(L"de-DE").lower(L"ÄRGER"), L"ärger");
    EXPECT_EQ(Win32Platform(L"no-such-locale").lower(L"ÄRGER"), L"ärger");  // the user's locale instead
}

TEST(Win32Text, OrderIgnoresCaseButNotLettersOrAccents) {
    Win32Platform platform;
    EXPECT_EQ(platform.compareNames(L"Beta", L"BETA"), 0);
    EXPECT_EQ(platform.compareNames(L"ärger", L"ÄRGER"), 0);
    EXPECT_EQ(platform.compareNames(L"alpha", L"Beta"), -1);
    EXPECT_EQ(platform.compareNames(L"zeta", L"Beta"), 1);
    EXPECT_EQ(platform.compareNames(L"e", L"é"), -1);
    EXPECT_EQ(platform.compareNames(L"é", L"f"), -1);
    EXPECT_EQ(platform.compareNames(L"", L"a"), -1);
    EXPECT_EQ(platform.compareNames(L"", L""), 0);
    EXPECT_EQ(platform.compareNames(L"a", L""), 1);
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
            ASSERT_EQ(platform.appendSortKey(name, all), 0) << hex(name);
            keys.push_back(all.substr(start));
            EXPECT_EQ(keys.back().find('\0'), std::string::npos) << hex(name);
        }
        EXPECT_EQ(all.substr(0, 4), "kept");
        int mismatches = 0;
        for (size_t a = 0; a < names.size(); ++a) {
            for (size_t b = 0; b < names.size(); ++b) {
                const int byKey = keys[a].compare(keys[b]);
                const int byName = platform.compareNames(names[a], names[b]);
                if ((byKey < 0 ? -1 : byKey > 0 ? 1 : 0) != byName && ++mismatches <= 5) {
                    ADD_FAILURE() << utf8(locale) << ": [" << hex(names[a]) << "] vs [" << hex(names[b])
                                  << "]: names " << byName << ", keys " << byKey;
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << utf8(locale);
    }
}

}  // namespace
}  // namespace vx::win32
