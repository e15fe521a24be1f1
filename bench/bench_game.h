// Game directories for the benchmarks, made in the system's temporary
// directory, and a platform that takes them for its own directory.
#pragma once

#include "mod_names.h"
#include "platform/posix/posix_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

class GameHere : public vx::posix::PosixPlatform {
public:
    explicit GameHere(std::string directory) : directory_(std::move(directory)) {}
    vx::Result<std::string> ownDirectory() override { return directory_; }

private:
    std::string directory_;
};

// A game with `mods` mod folders named like players' mods.
inline std::string makeGame(int mods) {
    std::string dir = (std::filesystem::temp_directory_path() / "vx-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    close(open((dir + "/Vexmoor.exe").c_str(), O_CREAT | O_WRONLY, 0755));
    mkdir((dir + "/base.rte").c_str(), 0755);
    for (int i = 0; i < mods; ++i) mkdir((dir + "/" + modFolderName(i)).c_str(), 0755);
    return dir;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
