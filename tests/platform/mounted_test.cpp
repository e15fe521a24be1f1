// The program's toggles on the file systems players keep games on, each
// mounted by the test in a temporary folder: exFAT (an image on a loop
// device through exfat-fuse: letter case ignored, the watch trusted), NTFS
// (an image through ntfs-3g: read afresh), a bindfs view of a folder that is
// also changed behind the mount, and FAT32 through fusefat, which cannot
// rename onto a folder. sshfs is checked too when VX_TEST_SSHFS names an ssh
// server of this machine ("user@host:port"; VX_TEST_SSHFS_KEY may name the
// key file it takes): it serves a local folder.
//
// A case that needs what the machine does not have (FUSE, loop devices, a
// tool) is skipped, and says which and why.
#include "mods/mod_folders.h"

#include "support/test_platform.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace vx::mods {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::TestPlatform;

bool run(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

// The tools each file system needs, and the shell commands that mount it at
// $M, with an image at $I, a loop device in $L and the folder shown at $B.
struct Recipe {
    const char* tools;
    const char* commands;
};
const std::map<std::string, Recipe> kRecipes = {
    {"exfat",
     {"mkfs.exfat mount.exfat-fuse losetup",
      "truncate -s 64M $I && mkfs.exfat $I && L=$(losetup -f --show $I) && echo $L > $I.loop && "
      "mount.exfat-fuse $L $M"}},
    {"ntfs", {"mkntfs ntfs-3g", "truncate -s 64M $I && mkntfs -q -F -f $I && ntfs-3g $I $M"}},
    {"fat", {"mkfs.vfat fusefat", "truncate -s 64M $I && mkfs.vfat -F 32 $I && fusefat -o rw+ $I $M"}},
    {"bindfs", {"bindfs", "bindfs $B $M"}},
    {"sshfs",
     {"sshfs",
      "sshfs -o StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,IdentityFile=$K,port=$P $S:$B $M"}},
};

// A mounted file system, unmounted again at the end; `skipped` says why
// there is none.
struct Mount {
    TempDir dir;
    std::string skipped;
    std::string shell;  // the variables of the recipe, set

    std::string root() const { return dir / "mnt"; }
    std::string behind() const { return dir / "behind"; }

    explicit Mount(const std::string& kind) {
        fs::create_directory(root());
        fs::create_directory(behind());
        const char* server = std::getenv("VX_TEST_SSHFS");
        const char* key = std::getenv("VX_TEST_SSHFS_KEY");
        const std::string where = server ? server : "";
        shell = "M='" + root() + "' B='" + behind() + "' I='" + (dir / "image") + "' K='" + (key ? key : "") +
                "' S='" + where.substr(0, where.rfind(':')) + "' P='" + where.substr(where.rfind(':') + 1) +
                "'; ";
        const Recipe& recipe = kRecipes.at(kind);
        if (kind == "sshfs" && !server) skipped = "VX_TEST_SSHFS names no ssh server of this machine";
        if (access("/dev/fuse", R_OK | W_OK) != 0)
            skipped = "no usable /dev/fuse (FUSE is not available here)";
        if (skipped.empty() && !run("for t in " + std::string(recipe.tools) + "; do command -v $t; done"))
            skipped = std::string("a tool is not installed: one of ") + recipe.tools;
        if (skipped.empty() && !run(shell + recipe.commands))
            skipped = std::string("could not mount (loop device or FUSE refused): ") + recipe.commands;
        if (!skipped.empty()) return;
        const std::string game = root() + "/game";
        fs::create_directory(game);
        std::fclose(std::fopen((game + "/Vexmoor.exe").c_str(), "w"));
        for (const char* folder : {"base.rte", "Foo", "bar.RTE"}) fs::create_directory(game + "/" + folder);
        if (kind == "fat") return;  // fusefat makes no names that are not ASCII
        for (const char* folder : {"Ärger.Rte", "Ωμέγα", "日本.rte"})
            fs::create_directory(game + "/" + folder);
    }
    ~Mount() {
        if (skipped.empty())
            run(shell + "fusermount3 -u $M || umount $M; [ -f $I.loop ] && losetup -d $(cat $I.loop)");
    }
};

std::vector<std::string> entries(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Mounted : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!m.skipped.empty()) GTEST_SKIP() << GetParam() << " skipped: " << m.skipped;
        ASSERT_TRUE(mods.Form_Load());
    }
    int rowOf(const std::string& name) const {
        for (int row = 0; row < mods.List1().count(); ++row) {
            if (mods.List1().text(row) == name) return row;
        }
        ADD_FAILURE() << "no row " << name;
        return 0;
    }

    Mount m{GetParam()};
    std::string game = m.root() + "/game";
    TestPlatform platform{game};
    ModFolders mods{platform};
};

// Every box toggled twice, a suffix in capitals among them: each rename goes
// through, a suffix comes back in lower case, and the next start finds the
// same mods, without duplicates.
TEST_P(Mounted, EveryModCanBeToggledBackAndForth) {
    // exFAT ignores letter case, and has its device to itself; the others
    // can change behind the mount (ntfs-3g on an image file, not a device).
    EXPECT_EQ(platform.ignoresCase(), std::string(GetParam()) == "exfat");
    EXPECT_EQ(platform.readsAfresh(), std::string(GetParam()) != "exfat");
    for (int round = 0; round < 4; ++round) {
        for (int row = 0; row < mods.List1().count(); ++row)
            mods.setModEnabled(row, !mods.List1().checked(row));
    }
    for (const auto& shown : platform.messages) ADD_FAILURE() << shown.text;
    EXPECT_EQ(entries(game), (std::vector<std::string>{"Foo", "Vexmoor.exe", "bar.rte", "base.rte",
                                                       "Ärger.rte", "Ωμέγα", "日本.rte"}));
    TestPlatform again(game);
    ModFolders rescanned(again);
    EXPECT_TRUE(rescanned.Form_Load());
    EXPECT_EQ(rescanned.List1().count(), 5);
}

INSTANTIATE_TEST_SUITE_P(FileSystems, Mounted, ::testing::Values("exfat", "ntfs", "bindfs", "sshfs"));

// Changes made behind the mount, which its watch never hears of: a case
// variant of the new name is refused, naming it as it is; a folder renamed
// there is followed at the first toggle.
class ChangedBehind : public Mounted {};

TEST_P(ChangedBehind, AreSeenAtTheNextToggle) {
    fs::create_directory(m.behind() + "/game/Foo.RTE");
    fs::rename(m.behind() + "/game/Ωμέγα", m.behind() + "/game/Ωμέγα.rte");
    mods.setModEnabled(rowOf("Foo"), true);
    mods.setModEnabled(rowOf("Ωμέγα"), true);
    EXPECT_FALSE(mods.List1().checked(rowOf("Foo")));
    EXPECT_TRUE(mods.List1().checked(rowOf("Ωμέγα")));
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_NE(platform.messages[0].text.find("The name is taken by \"Foo.RTE\""), std::string::npos)
        << platform.messages[0].text;
    EXPECT_EQ(platform.messages[1].text,
              "The mod \"Ωμέγα\" was already enabled: another program renamed its folder.");
    EXPECT_EQ(entries(game), (std::vector<std::string>{"Foo", "Foo.RTE", "Vexmoor.exe", "bar.RTE", "base.rte",
                                                       "Ärger.Rte", "Ωμέγα.rte", "日本.rte"}));
}

INSTANTIATE_TEST_SUITE_P(FileSystems, ChangedBehind, ::testing::Values("bindfs", "sshfs"));

// Where letter case is ignored, another program may rename a folder typing
// its name in another case ("bar.rte" for "bar.RTE"), and the watch reports
// it so: the folder is followed, and can be enabled again at once.
class RenamedInAnotherCase : public Mounted {};

TEST_P(RenamedInAnotherCase, IsFollowedAndToggledOn) {
    fs::rename(game + "/bar.rte", game + "/bar");
    mods.setModEnabled(rowOf("bar"), false);
    mods.setModEnabled(rowOf("bar"), true);
    EXPECT_TRUE(mods.List1().checked(rowOf("bar")));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text,
              "The mod \"bar\" was already disabled: another program renamed its folder.");
    EXPECT_TRUE(fs::is_directory(game + "/bar.rte"));
    EXPECT_EQ(platform.directoryReads(), 1);
}

INSTANTIATE_TEST_SUITE_P(FileSystems, RenamedInAnotherCase, ::testing::Values("exfat"));

// fusefat renames no folder onto another, not even onto the empty one that
// claims the new name: the toggle is refused for that reason, and nothing
// is left behind.
class CannotRenameOntoAFolder : public Mounted {};

TEST_P(CannotRenameOntoAFolder, IsRefusedSayingSo) {
    const auto before = entries(game);
    mods.setModEnabled(rowOf("Foo"), true);
    EXPECT_FALSE(mods.List1().checked(rowOf("Foo")));
    EXPECT_EQ(entries(game), before);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].text.find("cannot rename this folder safely"), std::string::npos)
        << platform.messages[0].text;
}

INSTANTIATE_TEST_SUITE_P(FileSystems, CannotRenameOntoAFolder, ::testing::Values("fat"));

}  // namespace
}  // namespace vx::mods
