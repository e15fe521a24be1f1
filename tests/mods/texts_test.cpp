#include "mods/texts.h"

#include "support/native.h"

#include <gtest/gtest.h>

namespace vx::mods::text {
namespace {

using testing::N;
using testing::U;

// Names that would hide, break or turn the text around them are shown with
// visible stand-ins; ordinary names of any script are shown as they are.
TEST(ShownNames, InvisibleAndLineBreakingCharactersBecomeVisible) {
    EXPECT_EQ(U(rowText(N("Ärger Ωμέγα 漢字 😀"))), "Ärger Ωμέγα 漢字 😀");
    EXPECT_EQ(U(rowText(N("evil\u202Eexe.rte"))), "evil<U+202E>exe.rte");
    EXPECT_EQ(U(rowText(N("new\nline\ttab"))), "new\u240Aline\u2409tab");
    EXPECT_EQ(U(rowText(N("\uFEFFbom zero\u200Bwidth"))), "<U+FEFF>bom zero<U+200B>width");
    // A decomposed accent stays apart from the same letter composed.
    EXPECT_EQ(U(rowText(N("e\u0301"))), "e\u25CC\u0301");
    EXPECT_EQ(U(rowText(N("\u00E9"))), "\u00E9");
#ifndef _WIN32
    EXPECT_EQ(rowText("caf\xe9"), "caf\xe9");  // not UTF-8: left for the window to show as U+FFFD
#endif
}

TEST(ShownNames, QuotedNamesStayOnOneLineKeepTheirDirectionAndFitTheScreen) {
    EXPECT_EQ(U(quotedName(N("Foo"))), "Foo");
    EXPECT_EQ(U(quotedName(N("a\r\nb"))), "a\u240D\u240Ab");
    EXPECT_EQ(U(quotedName(N("\u05D0\u05D1 mod"))), "\u2068\u05D0\u05D1 mod\u2069");
    const std::string shortened = U(quotedName(N(std::string(100, 'a') + std::string(152, 'z'))));
    EXPECT_EQ(shortened, std::string(30, 'a') + "\u2026" + std::string(30, 'z'));
    EXPECT_EQ(U(quotedName(N(std::string(64, 'x')))), std::string(64, 'x'));
}

// The program's own refusals come without the system's words and are worded
// here, naming the folder they concern.
TEST(Refusals, TheProgramsOwnAreWordedHereAndTheSystemsPassThrough) {
    const auto refusal = [](FailureKind kind, std::string reason = {}) {
        return U(renameRefused(N("Foo"), true, N("Foo\n"), N("Foo.rte"), Failure{N(reason), kind}));
    };
    EXPECT_NE(refusal(FailureKind::AmbiguousSource).find("More than one folder is named \"Foo\u240A\" when"),
              std::string::npos);
    for (const FailureKind kind :
         {FailureKind::LinkUnderWine, FailureKind::NameWineCannotKeep, FailureKind::NameWindowsCannotHold}) {
        EXPECT_NE(refusal(kind).find("Rename "), std::string::npos) << refusal(kind);
        EXPECT_EQ(refusal(kind).find("This usually means"), std::string::npos);
    }
    EXPECT_NE(refusal(FailureKind::InUse, "Device busy").find(":\nDevice busy\n"), std::string::npos);
    EXPECT_NE(U(ownDirectoryUnknown(Failure{N("vexmoor"), FailureKind::OwnPathWithoutFolder}))
                  .find("no folder: vexmoor"),
              std::string::npos);
    EXPECT_NE(U(launchFailed(N("/g/Vexmoor.exe"), Failure{})).find(":\nThe program could not be started."),
              std::string::npos);
}

}  // namespace
}  // namespace vx::mods::text
