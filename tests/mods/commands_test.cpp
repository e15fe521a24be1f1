#include "mods/mod_folders.h"
#include "mods/texts.h"

#include "support/native.h"
#include "support/temp_dir.h"
#include "support/test_platform.h"

#include <gtest/gtest.h>

namespace vx::mods {
namespace {

using testing::kSep;
using testing::makeGame;
using testing::N;
using testing::TempDir;
using testing::TestPlatform;

class CommandsTest : public ::testing::Test {
protected:
    TempDir game;
    TestPlatform platform{game.path()};
    ModFolders mods{platform};

    // The game's folders made and scanned.
    void load(const std::vector<std::string>& folders) {
        makeGame(game, folders);
        ASSERT_TRUE(mods.Form_Load());
    }
};

TEST_F(CommandsTest, AboutIsOneInformationBoxOfTwelveLines) {
    mods.showAbout();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, "About...");
    EXPECT_EQ(platform.messages[0].kind, MessageKind::Information);
    std::vector<std::string> lines;
    const std::string& text = platform.messages[0].text;
    for (size_t begin = 0;;) {
        const size_t end = text.find("\n", begin);
        lines.push_back(text.substr(begin, end - begin));
        if (end == std::string::npos) break;
        begin = end + 1;
    }
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines.front(), "Vexmoor ModManager v1.1");
    EXPECT_EQ(lines.back(), "Enjoy!");
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("\n"), std::string::npos) << line;  // no other line break
    }
    EXPECT_EQ(platform.ends, 0);
}

TEST_F(CommandsTest, LaunchStartsTheGamesProgramFile) {
    load({"Alpha.rte", "Beta", "Gamma.RTE"});
    testing::installStandIn(game, VX_STAND_IN_GAME);
    mods.launchGame();
    EXPECT_EQ(platform.started, std::vector<std::string>{game / "Vexmoor.exe"});
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(testing::loadedMods(game), "Alpha.rte\nGamma.RTE\n");
}

#ifdef _WIN32
const std::string kNotAProgram = testing::U(win32::systemMessage(ERROR_BAD_EXE_FORMAT, L"Vexmoor.exe"));
const std::string kNotFound = testing::U(win32::systemMessage(ERROR_FILE_NOT_FOUND));
#else
// The placeholder has no execute bit.
const std::string kNotAProgram = "Vexmoor.exe is not marked as executable (chmod +x).";
const std::string kNotFound = "No such file or directory";
#endif

TEST_F(CommandsTest, LaunchFailureIsShownWithTheReasonOrRemedy) {
    load({});
    mods.launchGame();
    game.remove("Vexmoor.exe");
    mods.launchGame();

    const std::string program = game / "Vexmoor.exe";
    EXPECT_EQ(platform.started, (std::vector<std::string>{program, program}));
    ASSERT_EQ(platform.messages.size(), 2u);
    for (const testing::ShownMessage& shown : platform.messages) {
        EXPECT_EQ(shown.title, "Error");
        EXPECT_EQ(shown.kind, MessageKind::Warning);
    }
    EXPECT_EQ(platform.messages[0].text, "Could not start the game \"" + program + "\":\n" + kNotAProgram);
    EXPECT_EQ(platform.messages[1].text, "Could not start the game \"" + program + "\":\n" + kNotFound);
    EXPECT_EQ(platform.ends, 0);
}

// A failure with a remedy shows the remedy in place of the system's reason
// (the system's reason, and the placeholder's remedy on POSIX, are above).
TEST(LaunchFailedMessage, NamesTheRemedyForAMissingWine) {
    const Failure noWine{N("No such file or directory"), FailureKind::NeedsWine};
    EXPECT_EQ(
        testing::U(text::launchFailed(N("/games/Vexmoor.exe"), noWine)),
        "Could not start the game \"/games/Vexmoor.exe\":\nVexmoor.exe is a Windows program. To start it "
        "from here, install Wine (for example: sudo apt install wine).");
}

}  // namespace
}  // namespace vx::mods
