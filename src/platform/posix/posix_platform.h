// The platform on Linux and other POSIX systems.
//
// Names are the file system's bytes, untouched. Folder names are matched
// without regard to letter case, as the game's own conventions assume, even
// on file systems that tell letter cases apart.
//
// The game directory's entries are kept in an index by their lower-cased
// names, filled while the directory is listed and kept current by a watch on
// the directory (inotify), whose changes are read before each look-up. So a
// rename costs a few look-ups whatever the number of mods. Where the watch is
// unavailable, or the system dropped some of its changes, the directory is
// read again instead. On a file system that ignores letter case, the watch
// names an entry as the program that changed it typed it, not as it is on
// disk; those changes are matched to the index's names by letter case.
//
// A FUSE, network or cluster file system can be changed by other means than
// through this computer's mount (the server, the folder a FUSE mount shows,
// another machine), which the watch never hears of; there the index is read
// afresh for every rename, after claiming the new name (which also makes a
// file system that keeps listings for a while read them again).
//
// Message box and end are console services here (the text goes to standard
// error, the process exits with status 1); a window front end overrides them.
#pragma once

#include "platform/platform.h"
#include "platform/posix/name_text.h"

#include <unordered_map>

namespace vx::posix {

// The full path of the directory that holds the running program.
Result<std::string> ownDirectory();

// Returned by renameNoReplace when the file system would not rename a
// folder onto the empty folder claiming its new name, and offers no other
// way that cannot replace a folder.
inline constexpr int kClaimNotReplaceable = -1;

// Renames `from` to `to`, never replacing anything at `to`; returns 0, the
// errno, or kClaimNotReplaceable. Tries the file system's own no-replace
// rename first unless `oneStepFirst` is false (tests use that to exercise
// the fallback).
int renameNoReplace(const std::string& from, const std::string& to, bool oneStepFirst = true);

// Renames the folder `from` onto `to`, an empty folder made by the caller to
// claim the name, which is removed again if the rename fails; returns 0, the
// errno, or kClaimNotReplaceable.
int renameOntoClaim(const std::string& from, const std::string& to);

class PosixPlatform : public Platform {
public:
    PosixPlatform() = default;
    // For tests: a fixed locale for ordering.
    explicit PosixPlatform(const char* locale) : text_(locale) {}
    ~PosixPlatform() override;
    PosixPlatform(const PosixPlatform&) = delete;
    PosixPlatform& operator=(const PosixPlatform&) = delete;

    Result<NativeString> ownDirectory() override;
    Result<NameList> subfolders(const NativeString& directory) override;
    bool isPlainFile(const NativeString& path) override;
    MaybeFailure renameFolder(const NativeString& directory, NativeStringView from,
                              NativeStringView to) override;
    MaybeFailure startProgram(const NativeString& path) override;
    void messageBox(const NativeString& text, MessageKind kind, const NativeString& title) override;
    void end() override;
    void appendLower(NativeStringView name, NativeString& out) override;
    std::vector<uint32_t> sortedOrder(std::span<const NativeStringView> names) override;

    // How often a directory was read in full to bring the index up to date
    // (tests check that a rename does not need it).
    [[nodiscard]] int directoryReads() const { return directoryReads_; }
    // What the last read found the directory's file system to be.
    [[nodiscard]] bool readsAfresh() const { return readsAfresh_; }
    [[nodiscard]] bool ignoresCase() const { return ignoresCase_; }

private:
    // Reads `directory` whole into a fresh index, watching it from before the
    // read on; the listing of its subfolders, when asked for, is made in the
    // same pass.
    MaybeFailure indexDirectory(const std::string& directory, NameList* subfolders = nullptr);
    // Brings the index up to date for `directory`.
    MaybeFailure updateIndex(const std::string& directory);
    void stopWatching();
    // Replays one change the watch saw.
    void replay(uint32_t mask, std::string_view name);
    // The name of the entry in the indexed directory that `name` stands for:
    // `name` itself, or the one entry equal to it but for letter case.
    Result<std::string> entryFor(std::string_view name);
    // The first entry equal to `name` but for letter case, other than
    // `except` (names as indexed); empty when there is none.
    std::string otherEntryLike(std::string_view name, std::string_view except, std::string_view except2 = {});
    // What the index says is called `to` in any letter case, but for
    // `source` and `claim`, for a refusal to name.
    void describeTarget(const std::string& directory, std::string_view to, std::string_view source,
                        Failure& failure, std::string_view claim = {});

    NameText text_;
    // The indexed directory's entries: where each one's name begins in
    // names_, by the hash of its lower case, which is made again only for the
    // few entries of the hash looked up. Several entries may share a lower
    // case (a file system that tells letter case apart can hold "Foo" and
    // "FOO"). The names of entries gone stay in names_ until the next read.
    using Index = std::unordered_multimap<size_t, uint32_t>;
    // The entries equal to `name` but for letter case (lowered_ is its lower case).
    std::vector<Index::iterator> entriesLike(std::string_view name);
    std::string_view nameOf(Index::iterator entry) const { return names_.c_str() + entry->second; }
    // Adds the entry `name`, whose lower case is lowered_.
    void addEntry(std::string_view name);
    Index index_;
    std::string names_;    // each name followed by a NUL, which no name holds
    std::string indexed_;  // the directory the index is of, empty for none
    int watch_ = -1;       // inotify descriptor while the directory is watched
    int directoryReads_ = 0;
    bool readsAfresh_ = false;  // changes can bypass the watch: the index is read for every rename
    bool ignoresCase_ = false;  // the file system takes names equal but for letter case as one
    std::string lowered_;       // reused buffer
};

}  // namespace vx::posix
