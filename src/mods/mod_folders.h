// The program's own logic, shared by every front end: the startup scan that
// fills the mod list, and the renaming that follows the list's check boxes.
//
// A front end owns one ModFolders, calls Form_Load before showing its window,
// shows List1, and forwards the user's check-box changes to setModEnabled,
// then draws the row again from List1. Its Launch and About buttons and the
// typing search in its list are forwarded too (launchGame, showAbout,
// findRow), so that both programs mean the same by them.
#pragma once

#include "mods/mod_list.h"
#include "platform/platform.h"

namespace vx::mods {

class ModFolders {
public:
    explicit ModFolders(Platform& platform);
    ModFolders(const ModFolders&) = delete;
    ModFolders& operator=(const ModFolders&) = delete;

    // The startup scan. Proves that the program sits in the game's main
    // directory and fills List1 from its subfolders, then sets listReady.
    // On a fatal finding it shows the message (title "Error") and ends the
    // process through the platform; it returns false if the platform's end
    // returns (a test platform), and true when the list is ready.
    bool Form_Load();

    // The user asks to enable or disable the mod in `row`: its folder is
    // renamed to end in ".rte", or to lose that suffix, and only when that
    // succeeded does the row's flag change. When the rename is refused and
    // the refusal says the folder already is in the state asked for (another
    // program renamed it), the flag follows the folder and the user is told
    // so; otherwise the flag stays and the user is told why the folder could
    // not be renamed, or that it is gone. A mod whose folder would still end
    // in ".rte" without its suffix ("X.rte.rte") cannot be disabled: the
    // user is told why, and nothing is renamed.
    // Does nothing before the list is ready, for a row that does not exist,
    // or when the flag already is `enabled`.
    void setModEnabled(int row, bool enabled);

    // Launch: starts the game's program file, gamePath + "Vexmoor.exe", and
    // returns without waiting for it. When it cannot be started, the user is
    // told why and the program goes on.
    void launchGame();
    // About: shows the About box (title "About...", information icon, one OK
    // button).
    void showAbout();

    // How typed text is held against a row: as the start of its text, or as
    // all of it.
    enum class Match { Start, Whole };

    // The row a user finds by typing `typed` in the list: the first at or
    // after `start`, going on from the first row after the last, whose text
    // as the row shows it (text::rowText) begins with `typed` (or, with
    // Match::Whole, is `typed`), letter case ignored as the platform lowers
    // names. A `start` outside the list starts at the first row. -1 when no
    // row matches.
    [[nodiscard]] int findRow(NativeStringView typed, int start, Match match = Match::Start) const;

    [[nodiscard]] const NativeString& gamePath() const { return gamePath_; }
    [[nodiscard]] bool listReady() const { return listReady_; }
    [[nodiscard]] const ModList& List1() const { return list_; }

private:
    // An Error box with `message`; fatal ends the process after it.
    void warn(NativeStringView message);
    bool fatal(NativeStringView message);
    void showRefusal(int row, bool enabled, const NativeString& from, const NativeString& to,
                     const Failure& refused);

    Platform& platform_;
    NativeString gamePath_;
    bool listReady_ = false;
    ModList list_;
};

}  // namespace vx::mods
