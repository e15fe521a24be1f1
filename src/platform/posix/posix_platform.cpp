#include "platform/posix/posix_platform.h"

#include "platform/name_order.h"
#include "platform/visible_text.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

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
    if (rename(from.c_str(), to.c_str()) == 0) return 0;
    const int error = errno;
    rmdir(to.c_str());  // our claim, unless someone filled it: then it stays, and so do their files
    return error;
}

namespace {

std::string quoted(std::string_view name) {
    return "\"" + std::string(name) + "\"";
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

constexpr uint32_t kWatchedChanges =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

PosixPlatform::~PosixPlatform() {
    stopWatching();
}

void PosixPlatform::stopWatching() {
    if (watch_ >= 0) close(watch_);
    watch_ = -1;
}

Result<NativeString> PosixPlatform::ownDirectory() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) return systemFailure(errno);
        if (static_cast<size_t>(length) < path.size()) {
            path.resize(static_cast<size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return Failure{"The program's own path is not absolute: " + path};
    path.resize(slash == 0 ? 1 : slash);
    return path;
}

Result<NameList> PosixPlatform::subfolders(const NativeString& directory) {
    NameList names;
    if (Status failed = readDirectory(directory, &names)) return *failed;
    return names;
}

// The watch is set up before the directory is read, so a change made during
// the read is both in the listing or not and in the queue: replaying it
// changes nothing or brings the index up to date.
Status PosixPlatform::readDirectory(const std::string& directory, NameList* subfolders) {
    ++directoryReads_;
    stopWatching();
    indexed_.clear();
    index_.clear();
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && inotify_add_watch(watch_, directory.c_str(), kWatchedChanges) < 0) stopWatching();

    const Dir dir(opendir(directory.c_str()));
    if (!dir) return systemFailure(errno);
    const int dirFd = dirfd(dir.get());
    // The directory's size on disk tells roughly how many entries it holds
    // and how long their names are, so the index and the listing are made
    // large enough once rather than grown step by step.
    struct stat info {};
    if (fstat(dirFd, &info) == 0) {
        const size_t bytes = std::min<size_t>(static_cast<size_t>(info.st_size), size_t{1} << 27);
        index_.reserve(bytes / 32, bytes * 2);
        if (subfolders) subfolders->reserve(bytes / 32, bytes);
    }
    NameIndex::Batch batch(index_);
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (!entry) break;
        if (isDotOrDotDot(entry->d_name)) continue;
        const std::string_view name = entry->d_name;
        lowered_.clear();
        text_.appendLower(name, lowered_);
        batch.insert(lowered_, name);
        if (subfolders && isSubfolder(dirFd, *entry)) subfolders->add(name, lowered_);
    }
    if (errno != 0) return systemFailure(errno);
    indexed_ = directory;
    return std::nullopt;
}

// Replays the changes the watch saw since the last look. When the system
// dropped some (its queue overflowed), or the directory itself was moved or
// deleted, the directory is read again; without a watch, always.
Status PosixPlatform::updateIndex(const std::string& directory) {
    if (directory != indexed_ || watch_ < 0) return readDirectory(directory, nullptr);
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
            if (event->len == 0) continue;
            const std::string_view name(event->name);  // padded with NULs
            lowered_.clear();
            text_.appendLower(name, lowered_);
            if (event->mask & (IN_CREATE | IN_MOVED_TO)) index_.insert(lowered_, name);
            if (event->mask & (IN_DELETE | IN_MOVED_FROM)) index_.erase(lowered_, name);
        }
    }
    if (!complete) return readDirectory(directory, nullptr);
    return std::nullopt;
}

Result<std::string> PosixPlatform::entryFor(std::string_view name) {
    struct stat info {};
    std::string exact = indexed_ + std::string(name);
    if (lstat(exact.c_str(), &info) == 0) return std::string(name);
    if (errno != ENOENT) return systemFailure(errno);

    lowered_.clear();
    text_.appendLower(name, lowered_);
    std::vector<std::string> matches;
    index_.forEach(lowered_, [&](std::string_view match) { matches.emplace_back(match); });
    if (matches.empty()) return systemFailure(ENOENT);
    if (matches.size() > 1) {
        return Failure{"More than one folder is named " + quoted(name) +
                       " when letter case is ignored, so it is unclear which one is meant."};
    }
    return matches.front();
}

bool PosixPlatform::isPlainFile(const NativeString& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PosixPlatform::hasFolder(const NativeString& directory, NativeStringView name) {
    if (name.empty() || updateIndex(directory)) return false;
    const Result<std::string> entry = entryFor(name);
    return entry.ok() && isFolder(directory + entry.value());
}

// The game's folders are named without regard to letter case: a source that
// is not found under its exact name is found under the one name that equals
// it but for letter case, and the rename is refused when the new name exists
// in any letter case. The index answers both without reading the directory.
Status PosixPlatform::renameFolder(const NativeString& directory, NativeStringView from,
                                   NativeStringView to) {
    if (from.empty() || to.empty()) return systemFailure(EINVAL);
    if (Status failed = updateIndex(directory)) return failed;

    const Result<std::string> source = entryFor(from);
    if (!source.ok()) return source.failure();
    lowered_.clear();
    text_.appendLower(to, lowered_);
    std::optional<std::string> existing;
    index_.forEach(lowered_, [&](std::string_view name) {
        if (name != source.value() && !existing) existing = std::string(name);  // not a change of case only
    });
    if (existing)
        return Failure{systemFailure(EEXIST).reason + ": " + quoted(*existing), FailureKind::TargetExists};

    const std::string sourcePath = directory + source.value();
    struct stat info {};
    if (stat(sourcePath.c_str(), &info) != 0) return systemFailure(errno);
    if (!S_ISDIR(info.st_mode)) return Failure{systemFailure(ENOTDIR).reason};

    if (const int error = renameNoReplace(sourcePath, directory + std::string(to)))
        return systemFailure(error);
    return std::nullopt;
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
Status PosixPlatform::startProgram(const NativeString& path) {
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
    if (got != static_cast<ssize_t>(sizeof error)) return Failure{"The program could not be started."};
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
void PosixPlatform::messageBox(const NativeString& text, int /*style*/, const NativeString& title) {
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

// The keys of all the names are made at once, so that they can be short.
std::vector<uint32_t> PosixPlatform::sortedOrder(std::span<const NativeStringView> names) {
    SortKeys keys;
    text_.appendSortKeys(names, keys);
    return orderByKeys(names, keys,
                       [this](NativeStringView a, NativeStringView b) { return text_.compare(a, b); });
}

}  // namespace vx::posix
