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

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vx {

// The units of names and paths, how a literal is written in them, and the
// separator between the parts of a path.
#ifdef _WIN32
using NativeChar = wchar_t;
#define VX_NATIVE(text) L##text
inline constexpr NativeChar kPathSeparator = L'\\';
#else
using NativeChar = char;
#define VX_NATIVE(text) text
inline constexpr NativeChar kPathSeparator = '/';
#endif
using NativeString = std::basic_string<NativeChar>;
using NativeStringView = std::basic_string_view<NativeChar>;

// `c`, lowered if it is an ASCII capital letter.
constexpr NativeChar asciiLower(NativeChar c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<NativeChar>(c - 'A' + 'a') : c;
}

// What kind of failure a refused rename or program start was, so the caller
// can name its likely cause. The last five are the program's own refusals,
// which the caller words.
enum class FailureKind {
    Other,
    TargetExists,   // a folder or file of the new name is there (in any letter case)
    NoPermission,   // access denied, or a read-only file system
    InUse,          // the folder is held open by a running program
    SourceGone,     // the folder is not there (any more)
    NeedsWine,      // a Windows program, and no Wine to start it with
    NotExecutable,  // a program file without permission to execute it
    NoSafeRename,   // the file system cannot rename the folder without the risk of replacing another
    // Access denied in the Program Files folder, which only administrators may change:
    UnderProgramFiles,
    // Refused by the program itself:
    OwnPathWithoutFolder,   // the program's own path, given as the reason, names no folder
    AmbiguousSource,        // more than one folder has the name to rename, ignoring letter case
    LinkUnderWine,          // Wine would move the folder a link points to instead of renaming the link
    NameWineCannotKeep,     // Wine shows the name's bytes that are not UTF-8 as U+FFFD, and would keep that
    NameWindowsCannotHold,  // the name holds \ / : * ? " < > | or a control character: Wine misreads it
};

// Why an operation failed, in the system's words (empty when it gave none,
// and for the program's own refusals but OwnPathWithoutFolder), and of
// which kind. A refused rename also tells what it found under the new name,
// so that the caller need not look again.
struct Failure {
    NativeString reason;
    FailureKind kind = FailureKind::Other;
    // The entry called the new name in some letter case, as it is named on
    // disk; empty when there is none (or the operation was no rename).
    NativeString existing = {};
    bool existingIsFolder = false;
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

// What an operation that yields nothing returns: its failure, if it failed;
// empty on success, so `if (MaybeFailure failed = ...)` reads as it runs.
using MaybeFailure = std::optional<Failure>;

// The names of a directory's subfolders, by index, each with its lower case
// (appendLower), all kept in two buffers: a listing of tens of thousands of
// folders costs a few allocations that grow, not one per folder. The
// backends lower-case the names while they list them (the POSIX one needs
// them for its index anyway), so every name is lowered once.
class NameList {
public:
    [[nodiscard]] size_t count() const { return ends_.size(); }
    [[nodiscard]] NativeStringView operator[](size_t index) const { return at(names_, ends_, index); }
    [[nodiscard]] NativeStringView lowerCase(size_t index) const { return at(lowered_, loweredEnds_, index); }

    void add(NativeStringView name, NativeStringView lowerCase) {
        names_.append(name);
        ends_.push_back(names_.size());
        lowered_.append(lowerCase);
        loweredEnds_.push_back(lowered_.size());
    }

private:
    static NativeStringView at(const NativeString& text, const std::vector<size_t>& ends, size_t index) {
        const size_t begin = index == 0 ? 0 : ends[index - 1];
        return NativeStringView(text).substr(begin, ends[index] - begin);
    }

    NativeString names_;
    std::vector<size_t> ends_;
    NativeString lowered_;
    std::vector<size_t> loweredEnds_;
};

// What a message box tells, which its icon shows: a warning, or only
// information. Either kind has one OK button.
enum class MessageKind { Warning, Information };

class Platform {
public:
    virtual ~Platform() = default;

    // Full path of the directory that holds the running program. No trailing
    // separator, except for a root ("/" on POSIX, "C:\" on Windows).
    virtual Result<NativeString> ownDirectory() = 0;

    // The names of the immediate subfolders of `directory` (a full path that
    // ends in a separator), without "." and ".."; in whatever order the file
    // system yields them.
    virtual Result<NameList> subfolders(const NativeString& directory) = 0;

    // True when an ordinary file exists at `path`: not a directory (and on
    // Windows not hidden or system). A read-only file counts.
    virtual bool isPlainFile(const NativeString& path) = 0;

    // Renames the folder `from` in `directory` to `to`. The source is matched
    // without regard to letter case; the rename is refused, changing nothing,
    // when anything called `to` in any letter case is already there. Never
    // replaces anything. A refusal carries its kind (SourceGone when there is
    // no folder `from` in any letter case) and names what it found called
    // `to` in any letter case, whatever the reason it was refused for.
    virtual MaybeFailure renameFolder(const NativeString& directory, NativeStringView from,
                                      NativeStringView to) = 0;

    // Starts the program file at `path` with no arguments and returns without
    // waiting for it. On POSIX the program starts in its own directory, and a
    // Windows program is started through Wine.
    virtual MaybeFailure startProgram(const NativeString& path) = 0;

    // Shows a modal message box whose lines break at "\n" and returns when
    // it is dismissed.
    virtual void messageBox(const NativeString& text, MessageKind kind, const NativeString& title) = 0;

    // Ends the process at once with status 1. Real backends never return; a
    // test backend may, and callers stop their work when it does.
    virtual void end() = 0;

    // Appends `name` with every character lower-cased by the simple mapping
    // of Unicode, the same in every locale, so that lower-casing a name and
    // then cutting it equals cutting it and then lower-casing. Two names are
    // the same but for letter case exactly when their lower cases are equal;
    // this is the program's one rule for that. (Windows has its own table of
    // this mapping, which leaves ten rare letters such as the Kelvin sign
    // alone, as its comparison of file names does; that backend follows it.)
    virtual void appendLower(NativeStringView name, NativeString& out) = 0;

    // The order in which the platform's sorted lists show `names`, with
    // letter case ignored: element k is the index of the name at place k.
    // Names the platform holds equal are ordered by their code units, and
    // identical names by their index, so the order never depends on the
    // order of the input.
    virtual std::vector<uint32_t> sortedOrder(std::span<const NativeStringView> names) = 0;

    NativeString lower(NativeStringView name) {
        NativeString out;
        appendLower(name, out);
        return out;
    }
};

}  // namespace vx
