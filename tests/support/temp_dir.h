// A fresh directory under the system's temporary directory for each test,
// removed with everything in it afterwards.
//
// Paths and names are UTF-8 (bytes on POSIX, where any byte string other
// than '/' and NUL is a name). Paths use the platform's separator; names
// given to the helpers may use '/' between folders on every platform.
#pragma once

#include "support/native.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory's path, without a trailing separator.
    const std::string& path() const { return path_; }
    // The path of `name` inside, with '/' in `name` turned into kSep.
    std::string operator/(std::string_view name) const;
    // The same, in native form, for handing to a platform.
    NativeString native(std::string_view name) const { return N(*this / name); }

    void makeFolder(std::string_view name) const;
    // Makes many folders; much faster than one by one under Wine.
    void makeFolders(const std::vector<std::string>& names) const;
    void makeFile(std::string_view name, std::string_view contents = {}) const;
    // Under Wine, runs the Unix shell's `commands` inside the directory (to
    // make what Windows cannot: links, names that are not UTF-8) and waits
    // for them; false elsewhere. Throws when they fail.
    bool unixShell(const std::string& commands) const;
    // Copies the file at `source` (a UTF-8 path) to `name`, executable.
    void copyProgram(const std::string& source, std::string_view name) const;
    // Makes a file read-only: no write permission on POSIX, the read-only
    // attribute on Windows.
    void makeReadOnly(std::string_view name) const;
    // Removes a file or an empty folder.
    void remove(std::string_view name) const;
#ifdef _WIN32
    // Sets the file attributes (FILE_ATTRIBUTE_HIDDEN, ...), replacing all
    // the others.
    void setAttributes(std::string_view name, unsigned long attributes) const;
#endif

    // True when anything, even a dangling link, is there.
    bool exists(std::string_view name) const;
    // True when a folder, or a link to one, is there.
    bool isFolder(std::string_view name) const;
    // The contents of a file; empty when it cannot be read.
    std::string read(std::string_view name) const;
    // The names of the entries directly inside, sorted bytewise.
    std::vector<std::string> entries() const;

private:
    std::string path_;
};

// A game directory: the program file "Vexmoor.exe" (a placeholder that is no
// program), the base data folder and the given subfolders.
void makeGame(const TempDir& dir, const std::vector<std::string>& folders, bool withBase = true);

// Asks `done` again and again until it is true or `limit` has passed;
// whether it became true. For what other programs do in their own time.
bool eventually(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(20));

// What the stand-in game started in `game` reported it loaded, one mod a
// line; none when it did not report within 20 seconds.
std::optional<std::string> loadedMods(const TempDir& game);

// Puts the stand-in game at `standIn` into the game directory as its program
// file, and makes every stand-in this process starts run without a window.
void installStandIn(const TempDir& game, const std::string& standIn);

}  // namespace vx::testing
