#include "platform/posix/posix_platform.h"

#include "platform/visible_text.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

extern char** environ;

namespace vx::posix {
namespace {

FailureKind kindOf(int error) {
    switch (error) {
        case EEXIST:
        case ENOTEMPTY:
            return FailureKind::TargetExists;
        case EACCES:
        case EPERM:
        case EROFS:
            return FailureKind::NoPermission;
        case EBUSY:
        case ETXTBSY:
            return FailureKind::InUse;
        case ENOENT:
            return FailureKind::SourceGone;
        default:
            return FailureKind::Other;
    }
}

Failure systemFailure(int error) {
    return Failure{std::generic_category().message(error), kindOf(error)};
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

// A directory entry is a subfolder when it is a directory or a symbolic link
// to one: the game follows links when it loads its mods, so a linked mod is
// as real as any other. Where the file system does not report the entry's
// type in the listing, the entry is looked up.
bool isSubfolder(int dirFd, const dirent& entry) {
    if (entry.d_type == DT_DIR) return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
    struct stat info {};
    return fstatat(dirFd, entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

bool isNoReplaceUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

}  // namespace

// Where the file system cannot refuse to replace in the rename itself, a
// folder's new name is first claimed with an empty folder of our own: mkdir
// fails if anything of that name exists, and rename then replaces only that
// empty folder. Should another program put something into it in the
// meantime, the rename fails (the folder is not empty) and their files stay.
// Anything else (a symbolic link to a folder, say) cannot replace a folder,
// so it gets its new name as a second hard link, which the system refuses to
// make over an existing name, and then loses the old one.
int renameNoReplace(const std::string& from, const std::string& to, bool oneStepFirst) {
    if (oneStepFirst) {
        if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
        if (!isNoReplaceUnsupported(errno)) return errno;
    }
    struct stat source {};
    if (lstat(from.c_str(), &source) != 0) return errno;
    if (!S_ISDIR(source.st_mode)) {
        if (link(from.c_str(), to.c_str()) != 0) return errno;
        if (unlink(from.c_str()) == 0) return 0;
        const int error = errno;
        unlink(to.c_str());  // the second name goes again; the entry keeps its old one
        return error;
    }
    if (mkdir(to.c_str(), 0700) != 0) return errno;
    return renameOntoClaim(from, to);
}

namespace {

bool hasStickyParent(const std::string& path) {
    struct stat info {};
    const size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : path.substr(0, std::max<size_t>(slash, 1));
    return stat(parent.c_str(), &info) == 0 && (info.st_mode & S_ISVTX);
}

}  // namespace

// A file system that will not rename a folder onto an empty folder (FAT
// through fusefat says EPERM) cannot be renamed on safely by this program:
// the plain rename left would replace a folder made in the meantime. That
// EPERM is told apart from a real lack of permission by the claim itself,
// which could be made and removed again, unless the folder is sticky (there
// only a folder's owner may rename it).
int renameOntoClaim(const std::string& from, const std::string& to) {
    if (rename(from.c_str(), to.c_str()) == 0) return 0;
    const int error = errno;
    // Our claim goes, unless someone filled it: then it stays, and so do their files.
    if (rmdir(to.c_str()) != 0) return error;
    if (error == EPERM && !hasStickyParent(to)) return kClaimNotReplaceable;
    return error;
}

namespace {

// 0 when `path` is a folder or a link to one, else why it is not.
int folderError(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

constexpr uint32_t kWatchedChanges =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// File systems whose folders can be changed by other means than through
// this mount, unseen by the watch: network and cluster file systems, and
// FUSE file systems that show a folder, server or layers found elsewhere
// (bindfs, sshfs, fuse-overlayfs). A FUSE file system on a block device
// (ntfs-3g, exfat-fuse) has the device to itself, and its folders carry
// that device's number, never an anonymous one (major 0).
bool changesCanBypassTheWatch(const struct statfs& fs, dev_t device) {
    switch (static_cast<uint32_t>(fs.f_type)) {
        case 0x65735546:  // FUSE
            return major(device) == 0;
        case 0x00006969:  // NFS
        case 0x0000517B:  // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
        case 0x0000564C:  // NCP
        case 0x00C36400:  // Ceph
        case 0x01021997:  // 9P
        case 0x5346414F:  // AFS
        case 0x6B414653:  // kAFS
        case 0x73757245:  // Coda
        case 0x01161970:  // GFS2
        case 0x7461636F:  // OCFS2
        case 0x0BD00BD0:  // Lustre
        case 0x47504653:  // GPFS
        case 0x19830326:  // OrangeFS
        case 0x786F4256:  // VirtualBox shared folders
            return true;
        default:
            return false;
    }
}

bool hasAsciiLetter(std::string_view name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; });
}

std::string swappedAsciiCase(std::string_view name) {
    std::string swapped(name);
    for (char& c : swapped) {
        if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') c = static_cast<char>(c ^ 0x20);
    }
    return swapped;
}

}  // namespace

PosixPlatform::~PosixPlatform() {
    stopWatching();
}

void PosixPlatform::stopWatching() {
    if (watch_ >= 0) close(watch_);
    watch_ = -1;
}

Result<std::string> ownDirectory() {
    std::error_code failed;
    std::string path = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (failed) return systemFailure(failed.value());
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return Failure{path, FailureKind::OwnPathWithoutFolder};
    path.resize(slash == 0 ? 1 : slash);
    return path;
}

Result<NativeString> PosixPlatform::ownDirectory() {
    return posix::ownDirectory();
}

// The subfolders are picked out of the entries while the index is made.
Result<NameList> PosixPlatform::subfolders(const NativeString& directory) {
    NameList names;
    if (MaybeFailure failed = indexDirectory(directory, &names)) return *failed;
    return names;
}

// The watch is set up before the directory is read, so a change made during
// the read is both in the listing or not and in the queue: replaying it
// changes nothing or brings the index up to date. Whether the file system
// ignores letter case is seen from one entry: its name with the letter case
// of its ASCII letters turned around is found, yet is no entry of its own.
MaybeFailure PosixPlatform::indexDirectory(const std::string& directory, NameList* subfolders) {
    ++directoryReads_;
    stopWatching();
    indexed_.clear();
    index_.clear();
    names_.clear();

    const Dir dir(opendir(directory.c_str()));
    if (!dir) return systemFailure(errno);
    const int dirFd = dirfd(dir.get());
    struct stat info {};
    const bool known = fstat(dirFd, &info) == 0;
    struct statfs fs {};
    readsAfresh_ = known && fstatfs(dirFd, &fs) == 0 && changesCanBypassTheWatch(fs, info.st_dev);
    if (!readsAfresh_) {
        watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watch_ >= 0 && inotify_add_watch(watch_, directory.c_str(), kWatchedChanges) < 0) stopWatching();
    }
    // The directory's size on disk tells roughly how many entries it holds,
    // so the index is made large enough once rather than grown step by step.
    if (known) index_.reserve(std::min<size_t>(static_cast<size_t>(info.st_size) / 32, size_t{1} << 22));
    std::string probe;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (!entry) break;
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        lowered_.clear();
        text_.appendLower(name, lowered_);
        addEntry(name);
        if (subfolders && isSubfolder(dirFd, *entry)) subfolders->add(name, lowered_);
        if (probe.empty() && hasAsciiLetter(name)) probe = name;
    }
    if (errno != 0) return systemFailure(errno);
    ignoresCase_ = false;
    if (!probe.empty()) {
        const std::string swapped = swappedAsciiCase(probe);
        struct stat found {};
        ignoresCase_ = otherEntryLike(swapped, probe).empty() &&
                       fstatat(dirFd, swapped.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0;
    }
    indexed_ = directory;
    return std::nullopt;
}

// Replays the changes the watch saw since the last look. When the system
// dropped some (its queue overflowed), or the directory itself was moved or
// deleted, the directory is read again; without a watch, always.
MaybeFailure PosixPlatform::updateIndex(const std::string& directory) {
    if (directory != indexed_ || watch_ < 0) return indexDirectory(directory);
    alignas(inotify_event) char buffer[64 * 1024];
    bool complete = true;
    for (;;) {
        const ssize_t got = read(watch_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // EAGAIN: nothing more for now
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
                complete = false;
                continue;
            }
            if (event->len > 0) replay(event->mask, event->name);  // padded with NULs
        }
    }
    if (!complete) return indexDirectory(directory);
    return std::nullopt;
}

// Where letter case is ignored, the watch names an entry as it was typed
// ("x.rte" for the folder "X.RTE"), and the file system holds one entry of
// a name in any letter case: whatever the index holds under that name in any
// letter case goes with it, and a new entry takes the place of all of them.
// Replaying a change the index already shows changes nothing. (Asking the
// system whether the old name is still there would not do: a FUSE file
// system keeps answering yes for a second.)
void PosixPlatform::replay(uint32_t mask, std::string_view name) {
    for (const Index::iterator entry : entriesLike(name)) {
        if (ignoresCase_ || nameOf(entry) == name) index_.erase(entry);
    }
    if (mask & (IN_CREATE | IN_MOVED_TO)) addEntry(name);
}

void PosixPlatform::addEntry(std::string_view name) {
    index_.emplace(std::hash<std::string_view>{}(lowered_), static_cast<uint32_t>(names_.size()));
    names_.append(name).push_back('\0');
}

std::vector<PosixPlatform::Index::iterator> PosixPlatform::entriesLike(std::string_view name) {
    lowered_.clear();
    text_.appendLower(name, lowered_);
    std::vector<Index::iterator> found;
    std::string entryLowered;
    const auto [first, last] = index_.equal_range(std::hash<std::string_view>{}(lowered_));
    for (auto entry = first; entry != last; ++entry) {
        entryLowered.clear();
        text_.appendLower(nameOf(entry), entryLowered);
        if (entryLowered == lowered_) found.push_back(entry);
    }
    return found;
}

Result<std::string> PosixPlatform::entryFor(std::string_view name) {
    const std::vector<Index::iterator> found = entriesLike(name);
    if (found.empty()) return systemFailure(ENOENT);
    if (std::any_of(found.begin(), found.end(), [&](Index::iterator entry) { return nameOf(entry) == name; }))
        return std::string(name);
    if (found.size() > 1) return Failure{{}, FailureKind::AmbiguousSource};
    return std::string(nameOf(found.front()));
}

std::string PosixPlatform::otherEntryLike(std::string_view name, std::string_view except,
                                          std::string_view except2) {
    for (const Index::iterator entry : entriesLike(name)) {
        if (nameOf(entry) != except && nameOf(entry) != except2) return std::string(nameOf(entry));
    }
    return {};
}

void PosixPlatform::describeTarget(const std::string& directory, std::string_view to, std::string_view source,
                                   Failure& failure, std::string_view claim) {
    // The source itself is there under the new name for a change of letter
    // case only, and the claim is our own.
    failure.existing = otherEntryLike(to, source, claim);
    failure.existingIsFolder = !failure.existing.empty() && folderError(directory + failure.existing) == 0;
}

bool PosixPlatform::isPlainFile(const NativeString& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

namespace {

Failure refusal(int error) {
    if (error == kClaimNotReplaceable) return Failure{systemFailure(EPERM).reason, FailureKind::NoSafeRename};
    return systemFailure(error);
}

}  // namespace

// The game's folders are named without regard to letter case: a source that
// is not found under its exact name is found under the one name that equals
// it but for letter case, and the rename is refused when the new name exists
// in any letter case. The index answers both without reading the directory.
//
// Where changes can bypass the watch, the new name is claimed with an empty
// folder before the directory is read afresh: the claim fails when anything
// of that very name is there, and it makes a file system that keeps listings
// for a while (sshfs) read this one anew. A real folder is then renamed onto
// the claim. Looking the source up by its path would not do: such a file
// system may still answer from what it knew before.
MaybeFailure PosixPlatform::renameFolder(const NativeString& directory, NativeStringView from,
                                         NativeStringView to) {
    if (from.empty() || to.empty()) return systemFailure(EINVAL);
    const std::string target = directory + std::string(to);
    bool claimed = false;
    if (directory == indexed_ && readsAfresh_) {
        claimed = mkdir(target.c_str(), 0700) == 0;
        if (!claimed && errno != EEXIST) return systemFailure(errno);
    }
    const auto unclaim = [&] {
        if (claimed) rmdir(target.c_str());
        claimed = false;
    };
    if (MaybeFailure failed = updateIndex(directory)) {  // without a watch, a read afresh
        unclaim();
        return failed;
    }

    const Result<std::string> source = entryFor(from);
    Failure found{systemFailure(EEXIST).reason, FailureKind::TargetExists};
    describeTarget(directory, to, source.ok() ? source.value() : std::string(), found, claimed ? to : "");
    if (!source.ok() || !found.existing.empty()) {
        unclaim();
        if (source.ok()) return found;
        Failure failure = source.failure();
        failure.existing = found.existing;
        failure.existingIsFolder = found.existingIsFolder;
        return failure;
    }

    const std::string sourcePath = directory + source.value();
    struct stat info {};
    int error = 0;
    if (claimed && lstat(sourcePath.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = renameOntoClaim(sourcePath, target);
    } else {
        // A link to a folder, or a name already there in the listing only
        // as the source itself (a change of letter case where case is
        // ignored), is renamed as anywhere else.
        unclaim();
        if (const int notFolder = folderError(sourcePath)) return systemFailure(notFolder);
        error = renameNoReplace(sourcePath, target);
    }
    if (error == 0) return std::nullopt;
    Failure failure = refusal(error);
    if (!updateIndex(directory)) describeTarget(directory, to, source.value(), failure);
    return failure;
}

namespace {

// A Windows program file starts with the "MZ" of its DOS header. A file that
// cannot be read is left to the native start, which then gives the reason.
bool isWindowsProgram(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    char head[2] = {};
    ssize_t got = 0;
    do {
        got = read(fd, head, sizeof head);
    } while (got < 0 && errno == EINTR);
    close(fd);
    return got == 2 && head[0] == 'M' && head[1] == 'Z';
}

// The first executable file called `name` in the absolute directories of
// PATH; empty when there is none. Empty, "." and other relative entries,
// which would mean some folder under whatever the working directory is, are
// skipped: the game is started from its own folder, where anything may have
// been unpacked, and a "wine" there must not be taken for the system's.
std::string findOnPath(std::string_view name) {
    const char* variable = std::getenv("PATH");
    std::string_view directories = variable ? variable : "/bin:/usr/bin";
    while (!directories.empty()) {
        const size_t colon = directories.find(':');
        const std::string_view directory = directories.substr(0, colon);
        directories.remove_prefix(colon == std::string_view::npos ? directories.size() : colon + 1);
        if (!directory.starts_with('/')) continue;
        std::string candidate = std::string(directory) + "/" + std::string(name);
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// True for a file that no one may execute: it was unpacked or copied without
// its execute bits.
bool lacksExecuteBits(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) == 0;
}

}  // namespace

// The game is started through a short-lived intermediate process, so that it
// is not this program's child: nothing has to wait for it, and no zombie is
// left behind when it ends. The intermediate process moves to the game's
// directory, where the game looks for its data, and reports the result of the
// spawn through a pipe. The game gets a session of its own, so it keeps
// running when this program ends.
//
// A Windows program is handed to the "wine" found on the PATH, with its full
// path as the one argument; anything else is executed itself.
MaybeFailure PosixPlatform::startProgram(const NativeString& path) {
    std::string program = path;
    if (!program.starts_with('/')) {  // the game does not share this program's working directory
        const std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
        if (!cwd) return systemFailure(errno);
        program.insert(0, std::string(cwd.get()) + "/");
    }
    const std::string directory = program.substr(0, std::max<size_t>(program.rfind('/'), 1));

    const bool windows = isWindowsProgram(program);
    const std::string executable = windows ? findOnPath("wine") : program;
    if (executable.empty()) return Failure{systemFailure(ENOENT).reason, FailureKind::NeedsWine};
    char wine[] = "wine";
    char* programArgument = const_cast<char*>(program.c_str());
    char* nativeArgv[] = {programArgument, nullptr};
    char* wineArgv[] = {wine, programArgument, nullptr};
    char** argv = windows ? wineArgv : nativeArgv;

    // Everything the intermediate process needs is prepared here: after
    // fork it only changes directory, spawns, writes and exits (glibc's
    // posix_spawn allocates nothing, so it is safe in the copy of a threaded
    // process).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        const int error = errno;
        posix_spawnattr_destroy(&attributes);
        return systemFailure(error);
    }

    const pid_t intermediate = fork();
    if (intermediate == 0) {
        pid_t game = 0;
        int error = chdir(directory.c_str()) == 0 ? 0 : errno;
        if (error == 0) error = posix_spawn(&game, executable.c_str(), nullptr, &attributes, argv, environ);
        [[maybe_unused]] const ssize_t written = write(pipeFds[1], &error, sizeof error);
        _exit(0);
    }
    const int forkError = intermediate < 0 ? errno : 0;
    posix_spawnattr_destroy(&attributes);
    close(pipeFds[1]);
    if (forkError != 0) {
        close(pipeFds[0]);
        return systemFailure(forkError);
    }

    int error = 0;
    ssize_t got = 0;
    do {
        got = read(pipeFds[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(pipeFds[0]);
    while (waitpid(intermediate, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (got != static_cast<ssize_t>(sizeof error)) return Failure{};  // it ended without a word
    if (error == EACCES && !windows && lacksExecuteBits(program)) {
        return Failure{systemFailure(error).reason, FailureKind::NotExecutable};
    }
    if (error != 0) return systemFailure(error);
    return std::nullopt;
}

// The text is written as a terminal is to show it: the system's reasons and
// the paths in a message can hold any byte a name can, and an escape
// sequence among them would be obeyed by the terminal (retitle it, recolour
// it, move the cursor), a byte that is not UTF-8 too (0x9B starts one).
void PosixPlatform::messageBox(const NativeString& text, MessageKind /*kind*/, const NativeString& title) {
    const std::string shown = terminalText(title) + ": " + terminalText(text) + "\n";
    std::fwrite(shown.data(), 1, shown.size(), stderr);
}

void PosixPlatform::end() {
    std::fflush(nullptr);
    std::_Exit(1);
}

void PosixPlatform::appendLower(NativeStringView name, NativeString& out) {
    text_.appendLower(name, out);
}

std::vector<uint32_t> PosixPlatform::sortedOrder(std::span<const NativeStringView> names) {
    return text_.sortedOrder(names);
}

}  // namespace vx::posix
