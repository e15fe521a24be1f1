// The program's toggles on the file systems players keep games on, each
// mounted by the test in a temporary folder: exFAT (an image on a loop
// device through exfat-fuse: letter case ignored, the watch trusted), NTFS
// (an image through ntfs-3g: read afresh), a bindfs view of a folder that is
// also changed behind the mount, and FAT32 through fusefat, which cannot
// rename onto a folder. sshfs is checked too when VX_TEST_SSHFS names a
// server of this machine ("user@host:port"; VX_TEST_SSHFS_KEY may name the
// key file it takes): it serves a local folder.
//
// A case that needs what the machine does not have (FUSE, loop devices, a
// tool) is skipped, and says which and why.
#include "mods/mod_folders.h"

#include "support/test_platform.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace vx::mods {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::TestPlatform;

bool run(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

std::string shellQuoted(const std::string& path) {
    return "'" + path + "'";
}

// A mounted file system: `root` shows it, `behind` (when not empty) is the
// folder it shows, to change it without the mount knowing. Unmounted again
// at the end.
struct Mount {
    std::string root;
    std::string behind;
    std::string skipped;  // why it could not be made
    std::string loop;
    ~Mount() {
        if (!skipped.empty()) return;
        run("fusermount3 -u " + shellQuoted(root) + " || fusermount -u " + shellQuoted(root) + " || umount " +
            shellQuoted(root));
        if (!loop.empty()) run("losetup -d " + loop);
    }
};

std::string missingTool(std::initializer_list<const char*> tools) {
    if (access("/dev/fuse", R_OK | W_OK) != 0) return "no usable /dev/fuse (FUSE is not available here)";
    for (const char* tool : tools) {
        if (!run(std::string("command -v ") + tool))
            return std::string("the tool ") + tool + " is not installed";
    }
    return {};
}

void mount(Mount& m, const TempDir& dir, const std::string& kind) {
    m.root = dir / "mnt";
    fs::create_directory(m.root);
    const std::string image = shellQuoted(dir / "image");
    if (kind == "exfat") {
        m.skipped = missingTool({"mkfs.exfat", "mount.exfat-fuse", "losetup"});
        if (!m.skipped.empty()) return;
        if (!run("truncate -s 64M " + image + " && mkfs.exfat " + image)) {
            m.skipped = "mkfs.exfat failed";
            return;
        }
        FILE* out = popen(("losetup -f --show " + image + " 2>/dev/null").c_str(), "r");
        char device[64] = {};
        if (out && fgets(device, sizeof device, out)) m.loop = std::string(device, strcspn(device, "\n"));
        if (out) pclose(out);
        if (m.loop.empty()) {
            m.skipped = "losetup could not attach a loop device (none free, or not allowed here)";
            return;
        }
        if (!run("mount.exfat-fuse " + m.loop + " " + shellQuoted(m.root)))
            m.skipped = "mount.exfat-fuse failed";
    } else if (kind == "ntfs") {
        m.skipped = missingTool({"mkntfs", "ntfs-3g"});
        if (m.skipped.empty() && !run("truncate -s 64M " + image + " && mkntfs -q -F -f " + image +
                                      " && ntfs-3g " + image + " " + shellQuoted(m.root)))
            m.skipped = "mkntfs or ntfs-3g failed";
    } else if (kind == "fat") {
        m.skipped = missingTool({"mkfs.vfat", "fusefat"});
        if (m.skipped.empty() && !run("truncate -s 64M " + image + " && mkfs.vfat -F 32 " + image +
                                      " && fusefat -o rw+ " + image + " " + shellQuoted(m.root)))
            m.skipped = "mkfs.vfat or fusefat failed";
    } else if (kind == "bindfs") {
        m.behind = dir / "behind";
        fs::create_directory(m.behind);
        m.skipped = missingTool({"bindfs"});
        if (m.skipped.empty() && !run("bindfs " + shellQuoted(m.behind) + " " + shellQuoted(m.root)))
            m.skipped = "bindfs failed";
    } else if (kind == "sshfs") {
        const char* server = std::getenv("VX_TEST_SSHFS");
        if (!server) {
            m.skipped = "VX_TEST_SSHFS names no ssh server of this machine";
            return;
        }
        m.skipped = missingTool({"sshfs"});
        const char* key = std::getenv("VX_TEST_SSHFS_KEY");
        const std::string identity = key ? ",IdentityFile=" + std::string(key) : std::string();
        const std::string where(server);
        const size_t colon = where.rfind(':');
        m.behind = dir / "behind";
        fs::create_directory(m.behind);
        if (m.skipped.empty() &&
            !run("sshfs -o StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null" + identity +
                 ",port=" + where.substr(colon + 1) + " " + where.substr(0, colon) + ":" +
                 shellQuoted(m.behind) + " " + shellQuoted(m.root)))
            m.skipped = "sshfs could not mount " + where;
    }
    if (!m.skipped.empty()) return;
    const std::string game = m.root + "/game";
    fs::create_directory(game);
    std::fclose(std::fopen((game + "/Vexmoor.exe").c_str(), "w"));
    fs::create_directory(game + "/base.rte");
    fs::create_directory(game + "/Foo");
    fs::create_directory(game + "/bar.RTE");
    if (kind == "fat") return;  // fusefat makes no names that are not ASCII
    for (const char* folder : {"Ärger.Rte", "Ωμέγα", "日本.rte"}) fs::create_directory(game + "/" + folder);
}

std::vector<std::string> entries(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int rowOf(const ModFolders& mods, const std::string& name) {
    for (int row = 0; row < mods.List1().count(); ++row) {
        if (mods.List1().text(row) == name) return row;
    }
    ADD_FAILURE() << "no row " << name;
    return 0;
}

class Mounted : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        mount(m, dir, GetParam());
        if (!m.skipped.empty()) GTEST_SKIP() << GetParam() << " skipped: " << m.skipped;
    }
    std::string game() const { return m.root + "/game"; }

    TempDir dir;
    Mount m;
};

// Every box toggled twice, a suffix in capitals among them: each rename goes
// through, a suffix comes back in lower case, and the next start finds the
// same mods, without duplicates.
TEST_P(Mounted, EveryModCanBeToggledBackAndForth) {
    TestPlatform platform(game());
    ModFolders mods(platform);
    ASSERT_TRUE(mods.Form_Load());
    // exFAT ignores letter case, and has its device to itself; the others
    // can change behind the mount (ntfs-3g on an image file, not a device).
    EXPECT_EQ(platform.ignoresCase(), std::string(GetParam()) == "exfat");
    EXPECT_EQ(platform.readsAfresh(), std::string(GetParam()) != "exfat");
    for (int round = 0; round < 2; ++round) {
        for (int row = 0; row < mods.List1().count(); ++row) {
            const bool enabled = mods.List1().checked(row);
            mods.setModEnabled(row, !enabled);
            mods.setModEnabled(row, enabled);
            EXPECT_EQ(mods.List1().checked(row), enabled) << mods.List1().text(row);
        }
    }
    for (const auto& shown : platform.messages) ADD_FAILURE() << shown.text;
    EXPECT_EQ(entries(game()), (std::vector<std::string>{"Foo", "Vexmoor.exe", "bar.rte", "base.rte",
                                                         "Ärger.rte", "Ωμέγα", "日本.rte"}));
    TestPlatform again(game());
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
    TestPlatform platform(game());
    ModFolders mods(platform);
    ASSERT_TRUE(mods.Form_Load());
    fs::create_directory(m.behind + "/game/Foo.RTE");
    fs::rename(m.behind + "/game/Ωμέγα", m.behind + "/game/Ωμέγα.rte");

    mods.setModEnabled(rowOf(mods, "Foo"), true);
    EXPECT_FALSE(mods.List1().checked(rowOf(mods, "Foo")));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].text.find("The name is taken by \"Foo.RTE\""), std::string::npos)
        << platform.messages[0].text;

    mods.setModEnabled(rowOf(mods, "Ωμέγα"), true);
    EXPECT_TRUE(mods.List1().checked(rowOf(mods, "Ωμέγα")));
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[1].text,
              "The mod \"Ωμέγα\" was already enabled: another program renamed its folder.");
    EXPECT_EQ(entries(game()), (std::vector<std::string>{"Foo", "Foo.RTE", "Vexmoor.exe", "bar.RTE",
                                                         "base.rte", "Ärger.Rte", "Ωμέγα.rte", "日本.rte"}));
}

INSTANTIATE_TEST_SUITE_P(FileSystems, ChangedBehind, ::testing::Values("bindfs", "sshfs"));

// Where letter case is ignored, another program may rename a folder typing
// its name in another case ("bar.rte" for "bar.RTE"), and the watch reports
// it so: the folder is followed, and can be enabled again at once.
class RenamedInAnotherCase : public Mounted {};

TEST_P(RenamedInAnotherCase, IsFollowedAndToggledOn) {
    TestPlatform platform(game());
    ModFolders mods(platform);
    ASSERT_TRUE(mods.Form_Load());
    fs::rename(game() + "/bar.rte", game() + "/bar");
    mods.setModEnabled(rowOf(mods, "bar"), false);
    mods.setModEnabled(rowOf(mods, "bar"), true);
    EXPECT_TRUE(mods.List1().checked(rowOf(mods, "bar")));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text,
              "The mod \"bar\" was already disabled: another program renamed its folder.");
    EXPECT_TRUE(fs::is_directory(game() + "/bar.rte"));
    EXPECT_EQ(platform.directoryReads(), 1);
}

INSTANTIATE_TEST_SUITE_P(FileSystems, RenamedInAnotherCase, ::testing::Values("exfat"));

// fusefat renames no folder onto another, not even onto the empty one that
// claims the new name: the toggle is refused for that reason, and nothing
// is left behind.
class CannotRenameOntoAFolder : public Mounted {};

TEST_P(CannotRenameOntoAFolder, IsRefusedSayingSo) {
    TestPlatform platform(game());
    ModFolders mods(platform);
    ASSERT_TRUE(mods.Form_Load());
    const auto before = entries(game());
    mods.setModEnabled(rowOf(mods, "Foo"), true);
    EXPECT_FALSE(mods.List1().checked(rowOf(mods, "Foo")));
    EXPECT_EQ(entries(game()), before);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].text.find("cannot rename this folder safely"), std::string::npos)
        << platform.messages[0].text;
}

INSTANTIATE_TEST_SUITE_P(FileSystems, CannotRenameOntoAFolder, ::testing::Values("fat"));

}  // namespace
}  // namespace vx::mods
