// A fresh directory under the system's temporary directory for each test,
// removed with everything in it afterwards.
#pragma once

#include <string>
#include <vector>

namespace vx::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory's path, without a trailing "/".
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    void makeFolder(const std::string& name) const;
    void makeFile(const std::string& name, const std::string& contents = "") const;
    bool exists(const std::string& name) const;
    bool isFolder(const std::string& name) const;
    // The names of the entries directly inside, sorted bytewise.
    std::vector<std::string> entries() const;

private:
    std::string path_;
};

// A game directory: the program file "Vexmoor.exe", the base data folder and
// the given subfolders.
void makeGame(const TempDir& dir, const std::vector<std::string>& folders, bool withBase = true);

}  // namespace vx::testing
