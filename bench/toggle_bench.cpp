// Times one toggle of a mod through the core (its folder renamed to end in
// ".rte" and back, as two clicks do) in games of 32,767 and 300,000 mods,
// against a bare pair of no-replace renames of the same folder, in the same
// run, and prints the ratio. The last line is the 300,000-mod figure.
//
// Other numbers of mods can be given as arguments, and the games are made
// in $TMPDIR, so one mount can be measured:
// `TMPDIR=/mnt/usb vx_toggle_bench 32767`. Where the file system has no
// no-replace rename, the bare pair is two plain renames.
#include "bench_game.h"
#include "mods/mod_folders.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
    if (counts.empty()) counts = {32767, 300000};
    const auto bareRename = [](const std::string& from, const std::string& to) {
        if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
        if (errno != EINVAL || rename(from.c_str(), to.c_str()) != 0) std::abort();
    };
    for (const int mods : counts) {
        const std::string dir = makeGame(mods);
        GameHere platform(dir);
        vx::mods::ModFolders core(platform);
        if (!core.Form_Load()) std::abort();

        std::vector<double> toggles;
        std::vector<double> renames;
        const int rounds = argc > 1 ? 21 : 201;
        for (int i = 0; i < rounds; ++i) {
            const int row = static_cast<int>((static_cast<long long>(i) * 7919) % mods);
            const bool enabled = core.List1().checked(row);
            const auto start = Clock::now();
            core.setModEnabled(row, !enabled);
            core.setModEnabled(row, enabled);
            const auto stop = Clock::now();
            if (core.List1().checked(row) != enabled) std::abort();
            toggles.push_back(std::chrono::duration<double, std::micro>(stop - start).count());

            const std::string name(core.List1().text(row));
            const std::string a = dir + "/" + name + (enabled ? ".rte" : "");
            const std::string b = dir + "/" + name + (enabled ? "" : ".rte");
            const auto bareStart = Clock::now();
            bareRename(a, b);
            bareRename(b, a);
            const auto bareStop = Clock::now();
            renames.push_back(std::chrono::duration<double, std::micro>(bareStop - bareStart).count());
        }
        const double t = median(toggles);
        const double r = median(renames);
        std::printf("toggle %d: %.1f us, rename: %.1f us, ratio %.2f\n", mods, t, r, t / r);
        std::fflush(stdout);
        std::filesystem::remove_all(dir);
    }
    return 0;
}
