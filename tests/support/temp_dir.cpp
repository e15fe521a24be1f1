#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#endif

namespace vx::testing {
namespace {

namespace fs = std::filesystem;

// A UTF-8 path for the file functions. On Windows a full drive path gets the
// "\\?\" prefix, so names are taken exactly as written (trailing dots and
// blanks included) and paths may be longer than MAX_PATH.
fs::path toPath(const std::string& utf8) {
    NativeString path = N(utf8);
#ifdef _WIN32
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') path.insert(0, L"\\\\?\\");
#endif
    return fs::path(path);
}

#ifdef _WIN32
// Under Wine, every new name is first looked for in the whole directory, in
// any letter case, so making n folders one by one costs O(n^2), and removing
// them is slow too: minutes for the tens of thousands of a large game. There
// the Unix shell does both in one go. Wine starts a file that begins with
// "#!" as a Unix program, though without a process handle to wait on, so
// the caller waits for what the commands leave behind.

// The directory's Unix path under Wine; empty elsewhere.
std::string unixPathUnderWine(const std::string& dir) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixFileName) return {};
    char* unixPath = unixFileName(N(dir).c_str());
    if (!unixPath) return {};
    std::string path = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return path.find('\'') == std::string::npos ? path : std::string();
}

// Writes `commands` to a script in `dir` (which removes itself) and starts it.
bool startShellUnderWine(const std::string& dir, const std::string& commands) {
    const std::wstring script = N(dir) + L"\\.vx-shell.exe";  // Wine marks *.exe executable
    {
        std::ofstream out(fs::path(script), std::ios::binary);
        out << "#!/bin/sh\nrm -f \"$0\"\n" << commands;
        if (!out.flush()) return false;
    }
    std::wstring commandLine = L"\"" + script + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(script.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        DeleteFileW(script.c_str());
        return false;
    }
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    return true;
}

// Names that mean the same to Wine and to its Unix file system, and that
// Windows does not take for one another.
bool plainNames(const std::vector<std::string>& names) {
    std::vector<std::string> folded;
    for (const std::string& name : names) {
        if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
        std::string lower;
        for (const char c : name) {
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                               c == '.' || c == '-' || c == '_' || c == ' ';
            if (!plain) return false;
            lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        folded.push_back(lower);
    }
    std::sort(folded.begin(), folded.end());
    return std::adjacent_find(folded.begin(), folded.end()) == folded.end();
}

// Runs `commands` in the directory with the Unix shell and waits until they
// are done. False when this way is not open; throws when the shell failed.
bool runShellUnderWine(const std::string& dir, const std::string& commands) {
    const std::string unixDir = unixPathUnderWine(dir);
    if (unixDir.empty()) return false;
    const std::string script =
        "cd '" + unixDir + "' && { " + commands + "\n} && : > .vx-made || : > .vx-failed\n";
    if (!startShellUnderWine(dir, script)) return false;
    const std::wstring made = N(dir) + L"\\.vx-made";
    const std::wstring failed = N(dir) + L"\\.vx-failed";
    const auto there = [](const std::wstring& path) {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    eventually([&] { return there(made) || there(failed); }, std::chrono::minutes(1));
    const bool done = there(made);
    DeleteFileW(made.c_str());
    DeleteFileW(failed.c_str());
    if (!done) throw std::runtime_error("the Unix shell failed in " + dir + ": " + commands);
    return true;
}

bool makeFoldersUnderWine(const std::string& dir, const std::vector<std::string>& names) {
    if (names.size() < 1000 || !plainNames(names)) return false;
    std::string commands = "mkdir --";
    for (const std::string& name : names) commands.append(" '").append(name).append("'");
    return runShellUnderWine(dir, commands);
}

bool removeUnderWine(const std::string& dir) {
    const std::string unixDir = unixPathUnderWine(dir);
    return !unixDir.empty() && startShellUnderWine(dir, "rm -rf '" + unixDir + "'\n") &&
           eventually([&] { return GetFileAttributesW(N(dir).c_str()) == INVALID_FILE_ATTRIBUTES; },
                      std::chrono::minutes(1));
}
#endif

#ifdef _WIN32
// Every path inside the directory has the "\\?\" prefix. std::filesystem
// makes folders and lists them through the C runtime's _wmkdir and
// _wfindfirst, which pass such paths on to the system; but whatever asks
// for a file's kind or permissions goes through the runtime's stat, which
// refuses a path with a '?' in it, so those operations use the system's own
// functions. Removal needs them too: std::filesystem on Windows does not
// see links (its status follows them), so it would empty a linked folder's
// target, and it cannot clear the hidden and system attributes.

std::runtime_error systemError(const std::string& what) {
    return std::runtime_error(what + ": " + U(win32::systemMessage(GetLastError())));
}

DWORD attributesOf(const std::string& path) {
    return GetFileAttributesW(toPath(path).c_str());
}

// Removes a file or a folder with everything in it, whatever its attributes.
bool removeAll(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return DeleteFileW(path.c_str());
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        WIN32_FIND_DATAW entry;
        const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") removeAll(path + L"\\" + name);
            } while (FindNextFileW(search, &entry));
            FindClose(search);
        }
    }
    return RemoveDirectoryW(path.c_str());
}
#endif

}  // namespace

bool eventually(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (int i = 0; !done(); ++i) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(i < 20 ? 5 : 50));
    }
    return true;
}

std::optional<std::string> loadedMods(const TempDir& game) {
    // The stand-in writes its report under another name and renames it, so a
    // report that is there is whole.
    if (!eventually([&] { return game.exists("Vexmoor.loaded-mods.txt"); })) return std::nullopt;
    return game.read("Vexmoor.loaded-mods.txt");
}

TempDir::TempDir() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) throw std::runtime_error("no temporary directory: " + error.message());
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "vx-test-";
        for (int i = 0; i < 8; ++i) name += "0123456789abcdefghijklmnopqrstuvwxyz"[random() % 36];
        const fs::path candidate = base / name;
        if (fs::create_directory(candidate, error)) {
            path_ = U(candidate.native());
            return;
        }
        if (error) {
            throw std::runtime_error("cannot create " + U(candidate.native()) + ": " + error.message());
        }
    }
    throw std::runtime_error("no free name for a temporary directory");
}

TempDir::~TempDir() {
#ifdef _WIN32
    if (removeUnderWine(path_)) return;
    // A program a test started may still hold its file open for a moment.
    const std::wstring root = toPath(path_).native();
    for (int attempt = 0; attempt < 50 && !removeAll(root); ++attempt) {
        if (GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
#else
    const fs::path root = path_;
    std::error_code ignored;
    // Read-only leftovers of a test must not keep the directory alive.
    for (auto it = fs::recursive_directory_iterator(root, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        if (!it->is_symlink(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::remove_all(root, ignored);
#endif
}

std::string TempDir::operator/(std::string_view name) const {
    std::string path = path_;
    path += kSep;
    for (const char c : name) path += c == '/' ? kSep : c;
    return path;
}

bool TempDir::unixShell(const std::string& commands) const {
#ifdef _WIN32
    return runShellUnderWine(path_, commands);
#else
    (void)commands;
    return false;
#endif
}

void TempDir::makeFolders(const std::vector<std::string>& names) const {
#ifdef _WIN32
    if (makeFoldersUnderWine(path_, names)) return;
#endif
    for (const std::string& name : names) makeFolder(name);
}

void TempDir::makeFile(std::string_view name, std::string_view contents) const {
    std::ofstream out(toPath(*this / name), std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write the file " + std::string(name));
}

std::string TempDir::read(std::string_view name) const {
    std::ifstream in(toPath(*this / name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TempDir::makeFolder(std::string_view name) const {
    std::error_code error;
    if (!fs::create_directory(toPath(*this / name), error)) {
        throw std::runtime_error("cannot make the folder " + std::string(name) + ": " +
                                 (error ? error.message() : "it exists"));
    }
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(toPath(path_))) {
        names.push_back(U(entry.path().filename().native()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

#ifdef _WIN32

void TempDir::copyProgram(const std::string& source, std::string_view name) const {
    if (!CopyFileW(toPath(source).c_str(), toPath(*this / name).c_str(), FALSE)) {
        throw systemError("cannot copy " + source);
    }
}

void TempDir::makeReadOnly(std::string_view name) const {
    const DWORD attributes = attributesOf(*this / name);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !SetFileAttributesW(toPath(*this / name).c_str(), attributes | FILE_ATTRIBUTE_READONLY)) {
        throw systemError("cannot make " + std::string(name) + " read-only");
    }
}

void TempDir::setAttributes(std::string_view name, unsigned long attributes) const {
    if (!SetFileAttributesW(toPath(*this / name).c_str(), attributes)) {
        throw systemError("cannot set the attributes of " + std::string(name));
    }
}

void TempDir::remove(std::string_view name) const {
    const fs::path path = toPath(*this / name);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool removed = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                             ? RemoveDirectoryW(path.c_str())
                             : DeleteFileW(path.c_str());
    if (!removed) throw systemError("cannot remove " + std::string(name));
}

bool TempDir::exists(std::string_view name) const {
    return attributesOf(*this / name) != INVALID_FILE_ATTRIBUTES;
}

bool TempDir::isFolder(std::string_view name) const {
    const DWORD attributes = attributesOf(*this / name);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

#else

void TempDir::copyProgram(const std::string& source, std::string_view name) const {
    const fs::path target = *this / name;
    std::error_code error;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
    if (!error) {
        fs::permissions(target,
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec,
                        error);
    }
    if (error) throw std::runtime_error("cannot copy " + source + ": " + error.message());
}

void TempDir::makeReadOnly(std::string_view name) const {
    std::error_code error;
    fs::permissions(*this / name, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, error);
    if (error)
        throw std::runtime_error("cannot make " + std::string(name) + " read-only: " + error.message());
}

void TempDir::remove(std::string_view name) const {
    std::error_code error;
    if (!fs::remove(*this / name, error)) {
        throw std::runtime_error("cannot remove " + std::string(name) + ": " +
                                 (error ? error.message() : "it does not exist"));
    }
}

bool TempDir::exists(std::string_view name) const {
    std::error_code ignored;
    return fs::symlink_status(*this / name, ignored).type() != fs::file_type::not_found && !ignored;
}

bool TempDir::isFolder(std::string_view name) const {
    std::error_code ignored;
    return fs::is_directory(*this / name, ignored);
}

#endif

void makeGame(const TempDir& dir, const std::vector<std::string>& folders, bool withBase) {
#ifdef _WIN32
    // Plain text: Windows refuses to start it, and so does Wine, which would
    // run a script with a "#!" line (it marks files named *.exe executable).
    dir.makeFile("Vexmoor.exe", "This placeholder is no program.\r\n");
#else
    dir.makeFile("Vexmoor.exe", "#!/bin/sh\n");  // not executable
#endif
    if (withBase) dir.makeFolder("base.rte");
    dir.makeFolders(folders);
}

void installStandIn(const TempDir& game, const std::string& standIn) {
    game.copyProgram(standIn, "Vexmoor.exe");
    setEnvironment("VEXMOOR_STAND_IN_HEADLESS", "1");
#ifndef _WIN32
    if (!std::getenv("QT_QPA_PLATFORM")) setEnvironment("QT_QPA_PLATFORM", "offscreen");
#endif
}

}  // namespace vx::testing
