// Times the startup scan on real game directories of 1,000 to 300,000 mods
// against a bare pass over the same directory (readdir, copying each name
// into a string: the I/O and allocation any scan needs), in the same run,
// and prints the ratio. The last line is the 32,767-mod figure.
#include "bench_game.h"
#include "mods/mod_folders.h"

#include <dirent.h>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

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
    GameHere platform(dir + "/");
    const auto start = Clock::now();
    vx::mods::ModFolders mods(platform);
    const bool ready = mods.Form_Load();
    const auto stop = Clock::now();
    if (!ready || mods.List1().count() != expectedRows) std::abort();
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

}  // namespace

int main() {
    for (const int mods : {1000, 10000, 100000, 300000, 32767}) {
        const std::string dir = makeGame(mods);
        std::vector<double> scan;
        std::vector<double> bare;
        coreScan(dir, mods);  // warm the caches once
        const int runs = mods > 50000 ? 7 : 15;
        for (int run = 0; run < runs; ++run) {
            bare.push_back(bareReaddir(dir));
            scan.push_back(coreScan(dir, mods));
        }
        const double s = median(scan);
        const double b = median(bare);
        std::printf("scan %d: %.2f ms, readdir: %.2f ms, ratio %.2f\n", mods, s, b, s / b);
        std::fflush(stdout);
        std::filesystem::remove_all(dir);
    }
    return 0;
}
