#include "platform/posix/icu_library.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string_view>

namespace vx::posix {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

#define VX_ICU_NAME(name) #name,
constexpr const char* kFunctionNames[] = {VX_ICU_FUNCTIONS(VX_ICU_NAME)};
#undef VX_ICU_NAME

struct Release {
    int version;
    const std::string* directory;
};

// The releases N of the files libicuuc.so.N in `directory` (not
// libicuuc.so.N.M, the file the link libicuuc.so.N usually points to).
void addReleases(const std::string& directory, std::vector<Release>& out) {
    const std::unique_ptr<DIR, DirCloser> dir(opendir(directory.c_str()));
    if (!dir) return;
    constexpr std::string_view prefix = "libicuuc.so.";
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix) || name.size() == prefix.size()) continue;
        const std::string_view digits = name.substr(prefix.size());
        int version = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), version);
        if (error == std::errc{} && end == digits.data() + digits.size() && version > 0)
            out.push_back({version, &directory});
    }
}

std::string loaderMessage() {
    const char* message = dlerror();
    return message ? message : "";
}

void unload(IcuLibrary& library) {
    if (library.i18n) dlclose(library.i18n);
    if (library.common) dlclose(library.common);
}

// Loads the release's two libraries and binds every function, or says why
// it could not.
Result<IcuLibrary> load(const Release& release) {
    IcuLibrary library;
    library.version = release.version;
    library.directory = *release.directory;
    const std::string suffix = ".so." + std::to_string(release.version);
    library.common = dlopen((library.directory + "/libicuuc" + suffix).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.common)
        library.i18n = dlopen((library.directory + "/libicui18n" + suffix).c_str(), RTLD_NOW | RTLD_LOCAL);
    std::string reason = library.i18n ? "" : loaderMessage();
    void* found[std::size(kFunctionNames)] = {};
    for (size_t i = 0; i < std::size(kFunctionNames) && reason.empty(); ++i) {
        found[i] = library.symbol(kFunctionNames[i]);
        if (!found[i]) reason = loaderMessage();
    }
    if (!reason.empty()) {
        unload(library);
        return Failure{reason};
    }
    size_t next = 0;
#define VX_ICU_TAKE(name) \
    library.functions.name = reinterpret_cast<decltype(library.functions.name)>(found[next++]);
    VX_ICU_FUNCTIONS(VX_ICU_TAKE)
#undef VX_ICU_TAKE
    return library;
}

void addDirectory(const std::string& path, std::vector<std::string>& out) {
    if (path.empty() || path[0] != '/') return;  // a relative entry would depend on the current folder
    char real[PATH_MAX];
    struct stat info {};
    if (!realpath(path.c_str(), real) || stat(real, &info) != 0 || !S_ISDIR(info.st_mode)) return;
    if (std::find(out.begin(), out.end(), real) == out.end()) out.emplace_back(real);
}

}  // namespace

void* IcuLibrary::symbol(const char* name) const {
    const std::string suffixed = std::string(name) + "_" + std::to_string(version);
    for (void* library : {i18n, common}) {
        if (!library) continue;
        dlerror();
        if (void* found = dlsym(library, suffixed.c_str())) return found;
    }
    return nullptr;
}

Result<IcuLibrary> loadIcu(std::span<const std::string> directories) {
    std::vector<Release> releases;
    for (const std::string& directory : directories) addReleases(directory, releases);
    // Highest first; of one release, the directory named first.
    std::sort(releases.begin(), releases.end(), [](const Release& a, const Release& b) {
        return a.version != b.version ? a.version > b.version : a.directory < b.directory;
    });
    std::string firstReason;
    for (const Release& release : releases) {
        Result<IcuLibrary> library = load(release);
        if (library.ok()) return library;
        if (firstReason.empty()) firstReason = library.failure().reason;
    }
    return Failure{firstReason};
}

std::vector<std::string> systemLibraryDirectories() {
    std::vector<std::string> directories;
    if (const char* path = std::getenv("LD_LIBRARY_PATH")) {
        const std::string_view entries = path;
        for (size_t begin = 0; begin <= entries.size();) {
            const size_t end = std::min(entries.find(':', begin), entries.size());
            addDirectory(std::string(entries.substr(begin, end - begin)), directories);
            begin = end + 1;
        }
    }
    // The C library's own directory is the system's (/lib/x86_64-linux-gnu
    // on Debian, /usr/lib64 on Fedora); where /lib is not merged into /usr,
    // the other libraries are in the same directory under /usr.
    std::string cLibrary;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* found) {
            const std::string_view name = info->dlpi_name ? info->dlpi_name : "";
            const size_t slash = name.rfind('/');
            if (slash == std::string_view::npos || !name.substr(slash + 1).starts_with("libc.so.")) return 0;
            *static_cast<std::string*>(found) = name.substr(0, slash);
            return 1;
        },
        &cLibrary);
    addDirectory(cLibrary, directories);
    if (cLibrary.starts_with("/lib")) addDirectory("/usr" + cLibrary, directories);
    for (const char* usual : {"/usr/local/lib", "/usr/lib64", "/lib64", "/usr/lib", "/lib"})
        addDirectory(usual, directories);
    return directories;
}

const Result<IcuLibrary>& systemIcu() {
    static const Result<IcuLibrary> library = loadIcu(systemLibraryDirectories());
    return library;
}

}  // namespace vx::posix
