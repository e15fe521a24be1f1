// Times the startup scan on real game directories of 1,000, 10,000 and
// 32,767 mods against a bare pass over the same directory (readdir, copying
// each name into a string: the I/O and allocation any scan needs), in the
// same run, and prints the ratio. The last line is the 32,767-mod figure.
#include "mods/mod_folders.h"
#include "platform/posix/posix_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class GameHere : public vx::posix::PosixPlatform {
public:
    explicit GameHere(std::string directory) : directory_(std::move(directory)) {}
    vx::Result<std::string> ownDirectory() override { return directory_; }

private:
    std::string directory_;
};

// Names like players' mods: mixed letter case, words, numbers, some enabled
// with ".rte" or ".RTE", a few non-ASCII.
std::string modFolderName(int i) {
    static const char* const words[] = {"Weapons", "armour", "Vehicles",  "maps",  "Sound", "UI",
                                        "Bunker",  "tools",  "Creatures", "Ärger", "Ωmega", "factions"};
    std::string name = words[i % 12];
    name += (i % 5 == 0) ? " Pack " : "_";
    name += std::to_string(i * 7919 % 100003);
    if (i % 3 == 0) name += ".rte";
    if (i % 7 == 0) name += ".RTE";
    return name;
}

std::string makeGame(int mods) {
    std::string dir = (std::filesystem::temp_directory_path() / "vx-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    close(open((dir + "/Vexmoor.exe").c_str(), O_CREAT | O_WRONLY, 0755));
    mkdir((dir + "/base.rte").c_str(), 0755);
    for (int i = 0; i < mods; ++i) mkdir((dir + "/" + modFolderName(i)).c_str(), 0755);
    return dir;
}

double bareReaddir(const std::string& dir) {
    const auto start = Clock::now();
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    while (const dirent* entry = readdir(d)) names.emplace_back(entry->d_name);
    closedir(d);
    const auto stop = Clock::now();
    if (names.size() < 2) std::abort();
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

double coreScan(const std::string& dir, int expectedRows) {
    GameHere platform(dir);
    const auto start = Clock::now();
    vx::mods::ModFolders mods(platform);
    const bool ready = mods.Form_Load();
    const auto stop = Clock::now();
    if (!ready || mods.List1().count() != expectedRows) std::abort();
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    for (const int mods : {1000, 10000, 32767}) {
        const std::string dir = makeGame(mods);
        std::vector<double> scan;
        std::vector<double> bare;
        coreScan(dir, mods);  // warm the caches once
        for (int run = 0; run < 15; ++run) {
            bare.push_back(bareReaddir(dir));
            scan.push_back(coreScan(dir, mods));
        }
        const double s = median(scan);
        const double b = median(bare);
        std::printf("scan %d: %.2f ms, readdir: %.2f ms, ratio %.2f\n", mods, s, b, s / b);
        std::filesystem::remove_all(dir);
    }
    return 0;
}
