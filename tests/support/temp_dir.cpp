#include "support/temp_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vx::testing {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vx-test-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Read-only leftovers of a test must not keep the directory alive.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::makeFolder(const std::string& name) const {
    if (mkdir((*this / name).c_str(), 0755) != 0) throw std::runtime_error("mkdir failed: " + name);
}

void TempDir::makeFile(const std::string& name, const std::string& contents) const {
    const int fd = open((*this / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("open failed: " + name);
    const bool written = write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
    close(fd);
    if (!written) throw std::runtime_error("write failed: " + name);
}

bool TempDir::exists(const std::string& name) const {
    struct stat info {};
    return lstat((*this / name).c_str(), &info) == 0;
}

bool TempDir::isFolder(const std::string& name) const {
    struct stat info {};
    return stat((*this / name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    DIR* dir = opendir(path_.c_str());
    if (!dir) throw std::runtime_error("opendir failed");
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

void makeGame(const TempDir& dir, const std::vector<std::string>& folders, bool withBase) {
    dir.makeFile("Vexmoor.exe", "#!/bin/sh\n");
    if (withBase) dir.makeFolder("base.rte");
    for (const std::string& folder : folders) dir.makeFolder(folder);
}

}  // namespace vx::testing
