#include "platform/win32/win32_platform.h"

#include "platform/name_order.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <utility>

namespace vx::win32 {
namespace {

FailureKind kindOf(DWORD error) {
    switch (error) {
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
        case ERROR_DIR_NOT_EMPTY:
            return FailureKind::TargetExists;
        // Access denied may also mean a file in the folder is open: a rename
        // tells the two apart (accessDeniedKind).
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_PRIVILEGE_NOT_HELD:
            return FailureKind::NoPermission;
        // A folder that a program holds open cannot be renamed.
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return FailureKind::InUse;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return FailureKind::SourceGone;
        default:
            return FailureKind::Other;
    }
}

Failure failureOf(DWORD error = GetLastError()) {
    return Failure{systemMessage(error), kindOf(error)};
}

// The system's string functions take lengths as int. Names never come near
// that limit; a longer view is refused rather than cut short.
bool fitsInt(size_t length) {
    return length <= static_cast<size_t>(INT_MAX);
}

// True when a path component is "." or "..", which only the system's path
// parsing resolves.
bool hasRelativeComponent(std::wstring_view path) {
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find(L'\\', begin);
        if (end == std::wstring_view::npos) end = path.size();
        const std::wstring_view part = path.substr(begin, end - begin);
        if (part == L"." || part == L"..") return true;
        begin = end + 1;
    }
    return false;
}

// The path as the file system is to see it, name for name. Plain Win32 paths
// are tidied before use: trailing dots and blanks are cut from every name,
// so a folder listed as "Foo." would be renamed as "Foo", which may be
// another folder altogether, and paths are limited to MAX_PATH characters.
// The "\\?\" prefix turns that off. It is put only in front of full drive
// and network paths written with backslashes and without "." or ".." parts,
// which is what this program builds from its own directory; anything else is
// left to the system's usual parsing.
std::wstring exactPath(const std::wstring& path) {
    const bool drivePath = path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
                           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    const bool networkPath = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' &&
                             path[2] != L'.' && path[2] != L'\\';
    if ((!drivePath && !networkPath) || path.find(L'/') != std::wstring::npos || hasRelativeComponent(path)) {
        return path;
    }
    if (drivePath) return L"\\\\?\\" + path;
    return L"\\\\?\\UNC\\" + path.substr(2);
}

// A refusal of a rename to `to`, with the entry of `directory` called that in
// any letter case, named as the file system keeps it, and whether it is a
// folder. Asked for one exact name, Wine on a file system that ignores
// letter case (exFAT) answers with the name as asked; a search pattern,
// here the name with a wildcard for its last character, makes it read the
// names from disk. The names found are then compared as the file system
// compares them. (Names never hold the wildcards * and ?.)
Failure withTarget(Failure failure, const std::wstring& directory, std::wstring_view to) {
    if (!fitsInt(to.size())) return failure;
    size_t kept = to.empty() ? 0 : to.size() - 1;
    if (kept > 0 && to[kept] >= 0xDC00 && to[kept] <= 0xDFFF) --kept;  // a whole surrogate pair
    const std::wstring pattern = exactPath(directory + std::wstring(to.substr(0, kept))) + L"*";
    WIN32_FIND_DATAW entry;
    HANDLE search =
        FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return failure;
    do {
        const std::wstring_view candidate = entry.cFileName;
        if (CompareStringOrdinal(candidate.data(), static_cast<int>(candidate.size()), to.data(),
                                 static_cast<int>(to.size()), TRUE) == CSTR_EQUAL) {
            failure.existing = entry.cFileName;
            failure.existingIsFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            break;
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return failure;
}

// True when the program runs under Wine (on Linux or macOS), whose ntdll
// exports its version.
bool runningUnderWine() {
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

// True when `name` holds a character that no Windows file name may hold: the
// separators \ and /, the characters : * ? " < > | and the control
// characters. A Linux name may hold all of them but the /, and Wine lists
// such a name as it is; joined to the game's path, its \ would be a
// separator, so "HD Textures\..\..\victim" would name a folder elsewhere.
bool holdsForbiddenCharacter(std::wstring_view name) {
    return std::any_of(name.begin(), name.end(), [](wchar_t c) {
        return c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos;
    });
}

// Renames that would do harm under Wine, refused before anything is touched.
// A name that Windows forbids would reach outside its folder. A Unix symbolic
// link shows as a reparse point there, and Wine renames the folder it points
// to, not the link (Windows renames a link itself). Wine shows a Unix name
// that is not valid UTF-8 with U+FFFD (the replacement character) in place
// of each bad byte; it would be written back so, and its real bytes lost.
MaybeFailure refuseUnsafeRename(const std::wstring& exactSourcePath, std::wstring_view name) {
    if (!runningUnderWine()) return std::nullopt;
    if (holdsForbiddenCharacter(name)) return Failure{{}, FailureKind::NameWindowsCannotHold};
    if (name.find(L'\uFFFD') != std::wstring_view::npos) return Failure{{}, FailureKind::NameWineCannotKeep};
    const DWORD attributes = GetFileAttributesW(exactSourcePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return Failure{{}, FailureKind::LinkUnderWine};
    }
    return std::nullopt;
}

// True when this user may open `path` with `rights`: Windows checks them
// against the folder's security as it would for the change itself, and
// nothing is written.
bool mayOpen(const std::wstring& path, DWORD rights) {
    const HANDLE handle =
        CreateFileW(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() != ERROR_ACCESS_DENIED;
    CloseHandle(handle);
    return true;
}

// Why a rename of the folder `source` in `directory` was refused for want
// of rights. Windows says access is denied both when this user may not
// change the folder and when a program has a file open in it; if the user
// may add folders to `directory` and delete `source`, it is the latter. Under
// Wine renames follow Unix rules, where open files never stop a rename, so
// there it always means the former (a read-only mount, the folder's
// permissions). Under Program Files only administrators may change folders.
FailureKind accessDeniedKind(DWORD error, const std::wstring& directory, const std::wstring& source) {
    if (error == ERROR_ACCESS_DENIED && !runningUnderWine() &&
        mayOpen(exactPath(directory), FILE_ADD_SUBDIRECTORY) && mayOpen(source, DELETE)) {
        return FailureKind::InUse;
    }
    return underProgramFiles(directory) ? FailureKind::UnderProgramFiles : FailureKind::NoPermission;
}

// The sort key of a name that carries no weights at all: the separators of
// the key's four levels and nothing else. The system makes this key for a
// name of ignorable characters only (a soft hyphen, say), but refuses to make
// one for the empty name.
constexpr std::string_view kEmptyKey = "\x01\x01\x01\x01";

// The longest name of a file or folder on Windows file systems.
constexpr size_t kLongestName = 255;

}  // namespace

std::wstring systemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length > 0 && buffer) text.assign(buffer, length);
    if (buffer) LocalFree(buffer);
    // The system ends its messages with a line break, sometimes after a blank.
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    if (!text.empty()) return text;

    wchar_t number[32];
    if (error < 0x10000) {
        std::swprintf(number, 32, L"Error %lu.", static_cast<unsigned long>(error));
    } else {
        std::swprintf(number, 32, L"Error 0x%08lX.", static_cast<unsigned long>(error));
    }
    return number;
}

std::wstring systemMessage(DWORD error, std::wstring_view subject) {
    std::wstring text = systemMessage(error);
    for (size_t at = text.find(L"%1"); at != std::wstring::npos; at = text.find(L"%1", at + subject.size())) {
        text.replace(at, 2, subject);
    }
    return text;
}

// Windows names its Program Files folders in the environment: ProgramFiles,
// and on 64-bit Windows ProgramFiles(x86) for 32-bit programs. A 32-bit
// program sees both as the 32-bit folder there and finds the 64-bit one only
// in ProgramW6432, which no known-folder call names for it.
bool underProgramFiles(std::wstring_view path) {
    for (const wchar_t* variable : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"}) {
        wchar_t folder[MAX_PATH];
        DWORD length = GetEnvironmentVariableW(variable, folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) continue;
        if (folder[length - 1] == L'\\') --length;
        if (path.size() > length && path[length] == L'\\' &&
            CompareStringOrdinal(path.data(), static_cast<int>(length), folder, static_cast<int>(length),
                                 TRUE) == CSTR_EQUAL) {
            return true;
        }
    }
    return false;
}

// A locale name the system does not know would make every string function
// fail; such a name is dropped for the user's own locale.
Win32Platform::Win32Platform(std::wstring locale) : locale_(std::move(locale)) {
    if (!locale_.empty() && !IsValidLocaleName(locale_.c_str())) locale_.clear();
}

const wchar_t* Win32Platform::localeName() const {
    return locale_.empty() ? LOCALE_NAME_USER_DEFAULT : locale_.c_str();
}

// The program's path can be longer than MAX_PATH: the buffer grows until the
// whole path fits (the system cuts it to the buffer's size and says so only
// by filling the buffer completely).
Result<NativeString> Win32Platform::ownDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return failureOf();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 0x10000 * 2) return Failure{systemMessage(ERROR_INSUFFICIENT_BUFFER)};
        path.resize(path.size() * 2);
    }
    const size_t backslash = path.rfind(L'\\');
    if (backslash == std::wstring::npos) return Failure{path, FailureKind::OwnPathWithoutFolder};
    // A drive root keeps its backslash: "C:" alone would mean the drive's
    // current directory.
    path.resize(backslash > 0 && path[backslash - 1] == L':' ? backslash + 1 : backslash);
    return path;
}

// One search handle reads the whole directory, many entries per call to the
// file system, without the short 8.3 names nobody here needs. Limiting the
// search to directories is only a hint to the file system, so each entry's
// attributes are checked as well. Hidden and system folders are listed like
// any other: the game loads them too.
Result<NameList> Win32Platform::subfolders(const NativeString& directory) {
    const std::wstring pattern = exactPath(directory) + L"*";
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchLimitToDirectories,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Windows Vista knows neither the basic information level nor the
        // large fetch.
        search = FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &entry, FindExSearchLimitToDirectories,
                                  nullptr, 0);
    }
    NameList names;
    std::wstring lowered;
    if (search == INVALID_HANDLE_VALUE) {
        // Only a drive's root can hold nothing at all, not even "." and "..".
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return names;
        return failureOf();
    }
    do {
        const wchar_t* name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
        if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
        lowered.clear();
        appendLower(name, lowered);
        names.add(name, lowered);
    } while (FindNextFileW(search, &entry));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) return Failure{systemMessage(error)};
    return names;
}

bool Win32Platform::isPlainFile(const NativeString& path) {
    const DWORD attributes = GetFileAttributesW(exactPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

// The file system matches names without regard to letter case, both the
// folder to rename and the new name, and MoveFileExW without
// MOVEFILE_REPLACE_EXISTING refuses when the new name is taken in any letter
// case; a refusal then names what is in the way, in its own letter case. A
// file is not renamed (it is no mod folder, whatever its name), nor is
// anything renamed to or from an empty name: "C:\Games\V\" + "" would name
// the game directory itself.
MaybeFailure Win32Platform::renameFolder(const NativeString& directory, NativeStringView from,
                                         NativeStringView to) {
    if (from.empty() || to.empty()) return Failure{systemMessage(ERROR_INVALID_NAME)};
    const std::wstring source = exactPath(directory + NativeString(from));
    const std::wstring target = exactPath(directory + NativeString(to));
    if (MaybeFailure refused = refuseUnsafeRename(source, from)) return refused;
    const DWORD attributes = GetFileAttributesW(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return withTarget(failureOf(), directory, to);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Failure{systemMessage(ERROR_DIRECTORY)};
    if (MoveFileExW(source.c_str(), target.c_str(), 0)) return std::nullopt;

    const DWORD error = GetLastError();
    // No Windows file system takes names of more than 255 UTF-16 units; what
    // the system says about such a name (with the "\\?\" prefix, often that
    // it is not found) is less to the point.
    if (to.size() > kLongestName) return Failure{systemMessage(ERROR_FILENAME_EXCED_RANGE)};
    Failure failure = failureOf(error);
    if (failure.kind == FailureKind::NoPermission) failure.kind = accessDeniedKind(error, directory, source);
    return withTarget(std::move(failure), directory, to);
}

// The path goes in as the program to run, so Windows does not search for
// it, and the command line the game gets is that path in quotes. Given an
// unquoted path as the whole command line instead, Windows would try
// "C:\Program.exe" first for a game under "C:\Program Files\...", and a game
// reading its command line would find the path split into several
// arguments. The game inherits no handles, starts in this program's working
// directory, and runs on by itself: both handles to it are closed at once.
MaybeFailure Win32Platform::startProgram(const NativeString& path) {
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        const size_t backslash = path.rfind(L'\\');
        return Failure{systemMessage(GetLastError(), backslash == std::wstring::npos
                                                         ? NativeStringView(path)
                                                         : NativeStringView(path).substr(backslash + 1))};
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return std::nullopt;
}

// A box breaks its lines at CR LF. Without an owner (a fatal message before
// the window is shown) the box is task-modal, so no other window of this
// thread takes input while it is up, and it is brought to the foreground: it
// is the only thing on screen that belongs to the program, and the user must
// see it.
void Win32Platform::messageBox(const NativeString& text, MessageKind kind, const NativeString& title) {
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 16);
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] == L'\n' && (at == 0 || text[at - 1] != L'\r')) lines += L'\r';
        lines += text[at];
    }
    UINT type = MB_OK | (kind == MessageKind::Information ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
    if (!owner_) type |= MB_TASKMODAL | MB_SETFOREGROUND;
    MessageBoxW(owner_, lines.c_str(), title.c_str(), type);
}

void Win32Platform::end() {
    ExitProcess(1);
}

// The invariant locale's mapping, without linguistic casing, is the simple
// one: "I" is "i" in Turkish too. It keeps the length of the text, so the
// name is copied into `out` and lowered there.
void Win32Platform::appendLower(NativeStringView name, NativeString& out) {
    const size_t start = out.size();
    out.append(name);
    if (name.empty() || !fitsInt(name.size())) return;
    const int length = static_cast<int>(name.size());
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, name.data(), length, out.data() + start, length,
                  nullptr, nullptr, 0);
}

std::vector<uint32_t> Win32Platform::sortedOrder(std::span<const NativeStringView> names) {
    std::string keys;  // one after another, each ending where `ends` says
    std::vector<size_t> ends;
    keys.reserve(names.size() * 32);
    ends.reserve(names.size());
    for (const NativeStringView name : names) {
        appendSortKey(name, keys);
        ends.push_back(keys.size());
    }
    const auto key = [&](uint32_t i) {
        const size_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(keys).substr(begin, ends[i] - begin);
    };
    return orderByKeys(names, [&](uint32_t a, uint32_t b) { return key(a).compare(key(b)); });
}

// The system's sort keys, made with NORM_IGNORECASE in the platform's locale,
// compare byte by byte exactly as CompareStringEx with that locale and flag
// compares the names, which is how a sorted list box orders them: Windows
// derives both from the same weights, hyphens and apostrophes included (they
// count only after everything else). Checked on many random names by this
// backend's tests. So all names share one family and the list is sorted by
// keys alone.
//
// The system refuses a key only for a locale it does not know, which the
// constructor drops, or a name too long to count (its key stays empty).
// Most keys take two bytes per character and a few more; the first try
// leaves room for three, which saves asking for the size first.
void Win32Platform::appendSortKey(NativeStringView name, std::string& out) {
    if (name.empty()) {
        out.append(kEmptyKey);
        return;
    }
    if (!fitsInt(name.size()) || name.size() >= static_cast<size_t>(INT_MAX / 8)) return;
    const size_t start = out.size();
    const int length = static_cast<int>(name.size());
    // The key is bytes; the function counts the room in bytes here. Without
    // room it says how much the key needs.
    const auto makeKey = [&](int room) {
        out.resize(start + static_cast<size_t>(room));
        return LCMapStringEx(localeName(), LCMAP_SORTKEY | NORM_IGNORECASE, name.data(), length,
                             room ? reinterpret_cast<wchar_t*>(out.data() + start) : nullptr, room, nullptr,
                             nullptr, 0);
    };
    int written = makeKey(length * 3 + 8);
    if (written == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        if (const int needed = makeKey(0)) written = makeKey(needed);
    }
    out.resize(start + static_cast<size_t>(std::max(written - 1, 0)));  // without the terminating zero
}

}  // namespace vx::win32
