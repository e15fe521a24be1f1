// The one seam between the program and the operating system.
//
// Everything the mod-folder logic needs from the system goes through the
// abstract class `Platform`, which is handed to the logic by reference. Real
// backends live in posix/ and win32/; tests wrap a real backend in a fake that
// records message boxes and can make the next operation fail.
//
// Names and paths are kept in the file system's native form: bytes on POSIX,
// UTF-16 on Windows. They are converted only when shown to the user, so any
// name the file system allows survives list -> rename -> list unchanged.
//
// Failures are values: an operation that can fail returns the system's reason
// as text the caller can show.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vx {

#ifdef _WIN32
using NativeChar = wchar_t;
#define VX_NATIVE(text) L##text
#else
using NativeChar = char;
#define VX_NATIVE(text) text
#endif
using NativeString = std::basic_string<NativeChar>;
using NativeStringView = std::basic_string_view<NativeChar>;

// What kind of failure a refused rename or program start was, so the caller
// can name its likely cause.
enum class FailureKind {
    Other,
    TargetExists,   // a folder or file of the new name is there (in any letter case)
    NoPermission,   // access denied, or a read-only file system
    InUse,          // the folder is held open by a running program
    SourceGone,     // the folder is not there (any more)
    NeedsWine,      // a Windows program, and no Wine to start it with
    NotExecutable,  // a program file without permission to execute it
};

// Why an operation failed, in words the user can read (the system's message,
// sometimes with a sentence of ours in front), and of which kind.
struct Failure {
    NativeString reason;
    FailureKind kind = FailureKind::Other;
};

// Either a value or the reason it could not be produced.
template <class T>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure failure) : failure_(std::move(failure)) {}

    [[nodiscard]] bool ok() const { return value_.has_value(); }
    [[nodiscard]] const T& value() const& { return *value_; }
    [[nodiscard]] T& value() & { return *value_; }
    [[nodiscard]] T value() && { return std::move(*value_); }
    [[nodiscard]] const Failure& failure() const { return failure_; }

private:
    std::optional<T> value_;
    Failure failure_;
};

// Outcome of an operation that yields nothing: empty on success.
using Status = std::optional<Failure>;

// The full paths of a directory's subfolders, by index, all kept in one
// buffer: a listing of tens of thousands of folders costs two allocations
// that grow, not one per folder.
class FolderList {
public:
    [[nodiscard]] size_t count() const { return ends_.size(); }
    [[nodiscard]] NativeStringView operator[](size_t index) const {
        const size_t begin = index == 0 ? 0 : ends_[index - 1];
        return NativeStringView(paths_).substr(begin, ends_[index] - begin);
    }
    void add(NativeStringView directory, NativeStringView name) {
        paths_.append(directory).append(name);
        ends_.push_back(paths_.size());
    }

private:
    NativeString paths_;
    std::vector<size_t> ends_;
};

// Message box styles: an exclamation or information icon with one OK button.
inline constexpr int kStyleExclamation = 48;
inline constexpr int kStyleInformation = 64;

class Platform {
public:
    virtual ~Platform() = default;

    // Full path of the directory that holds the running program. No trailing
    // separator, except for a root ("/" on POSIX, "C:\" on Windows).
    virtual Result<NativeString> ownDirectory() = 0;

    // Full paths (directory + own name) of the immediate subfolders of
    // `directory`, which ends in a separator. "." and ".." are left out; the
    // order is whatever the file system yields.
    virtual Result<FolderList> subfolders(const NativeString& directory) = 0;

    // True when an ordinary file exists at `path`: not a directory (and on
    // Windows not hidden or system). A read-only file counts.
    virtual bool isPlainFile(const NativeString& path) = 0;

    // Renames the folder `from` to `to` (same parent). Letter case is ignored
    // when matching names; the rename is refused, changing nothing, when `to`
    // already exists in any letter case. Never replaces anything.
    virtual Status renameFolder(const NativeString& from, const NativeString& to) = 0;

    // Starts the program file at `path` with no arguments and returns without
    // waiting for it. On POSIX the program starts in its own directory, and a
    // Windows program is started through Wine.
    virtual Status startProgram(const NativeString& path) = 0;

    // Shows a modal message box (style kStyleExclamation or
    // kStyleInformation; lines break at CR LF) and returns when dismissed.
    virtual void messageBox(const NativeString& text, int style, const NativeString& title) = 0;

    // Ends the process at once with status 1. Real backends never return; a
    // test backend may, and callers stop their work when it does.
    virtual void end() = 0;

    // Appends `name` converted to lower case for the user's locale.
    virtual void appendLower(NativeStringView name, NativeString& out) = 0;

    // Orders two names as the platform's sorted lists do, with letter case
    // ignored: negative, zero (the same but for letter case, say) or positive.
    virtual int compareNames(NativeStringView a, NativeStringView b) = 0;

    // Appends the sort key of `name` and returns the key's family. Two keys
    // of the same family, compared byte by byte, order their names as
    // compareNames does; keys of different families say nothing about each
    // other. (A backend may have a cheap kind of key for common names.)
    virtual int appendSortKey(NativeStringView name, std::string& out) = 0;

    NativeString lower(NativeStringView name) {
        NativeString out;
        appendLower(name, out);
        return out;
    }
};

}  // namespace vx
