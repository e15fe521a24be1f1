// Every text the program shows in its own words, in one place: titles, the
// fatal messages of the startup scan, the messages about refused renames and
// launches, and the About box. Also how a folder name is written into a text
// or a row of the list, so that every name can be read and told apart.
#pragma once

#include "platform/platform.h"

namespace vx::mods::text {

// The window's caption, also the title of a box that only informs, and the
// captions of its two buttons ("&" marks the access key).
inline constexpr NativeStringView kProgramTitle = VX_NATIVE("deDidAzorovo");
inline constexpr NativeStringView kLaunchCaption = VX_NATIVE("&Launch Vexmoor");
inline constexpr NativeStringView kAboutCaption = VX_NATIVE("&About...");

// What a screen reader says for the parts of the window that show no text
// of their own: the banner, and the list of mods with how to use it.
inline constexpr NativeStringView kBannerName = VX_NATIVE("Vexmoor");
inline constexpr NativeStringView kModListName = VX_NATIVE("Mods");
inline constexpr NativeStringView kModListDescription =
    VX_NATIVE("Checked mods are enabled; Space turns the current mod on or off");

inline constexpr NativeStringView kErrorTitle = VX_NATIVE("Error");
inline constexpr NativeStringView kAboutTitle = VX_NATIVE("About...");

inline constexpr NativeStringView kProgramFileMissing = VX_NATIVE("Vexmoor.exe not found!");
inline constexpr NativeStringView kDuplicate =
    VX_NATIVE("You have one (or more) duplicate mod(s). Please check your VX folder. Duplicate: ");
inline constexpr NativeStringView kNotInMainDirectory =
    VX_NATIVE("This application needs to reside in Vexmoor's main directory.");

// A caption as a screen reader names it: without the "&" that marks the
// access key ("&&" stands for one "&").
NativeString withoutAccessKey(NativeStringView caption);

// Where a row stands among all rows, as a screen reader says it: "3 of 5".
NativeString rowPosition(size_t position, size_t count);

// The twelve lines of the About box, one "\n" between each two.
NativeString about();

// The scan could not begin or could not read the game folder.
NativeString ownDirectoryUnknown(const Failure& failure);
NativeString cannotList(NativeStringView gamePath, NativeStringView reason);

// The duplicate message, naming the mod found second.
NativeString duplicate(NativeStringView modName);

// A rename of the mod's folder from `from` to `to` was refused: the mod, the
// direction, both folder names, the reason (the system's, or ours for the
// program's own refusals), what holds the new name (as named on disk) when
// something does, and the likely cause for the kind of failure.
NativeString renameRefused(NativeStringView modName, bool enabling, NativeStringView from,
                           NativeStringView to, const Failure& refused);

// The mod's folder `folder` ends in ".rte" twice: without its suffix it
// would be `disabled`, still enabled, so clearing its box cannot disable it.
NativeString cannotDisableNested(NativeStringView modName, NativeStringView folder,
                                 NativeStringView disabled);

// After a refused rename the mod's folder turned out to be in the state the
// user asked for already (another program renamed it).
NativeString alreadyInState(NativeStringView modName, bool enabled);

// After a refused rename neither of the mod's folder names was found.
NativeString folderGone(NativeStringView modName, NativeStringView disabled, NativeStringView enabled);

// The game's program file `program` could not be started: its path, and
// what to do about it where the kind of failure has a remedy, or else the
// system's reason.
NativeString launchFailed(NativeStringView program, const Failure& failure);

// The Windows program could not make its window: `what` is one of these two
// steps, `reason` the system's reason, or empty when it gave none.
inline constexpr NativeStringView kCannotRegisterWindow =
    VX_NATIVE("Cannot register the main window's class");
inline constexpr NativeStringView kCannotCreateWindow = VX_NATIVE("Cannot create the main window");
NativeString windowFailed(NativeStringView what, NativeStringView reason);

// The Linux program finds no Qt plugin for the display it is to open its
// window on: which package brings the plugin, on each family of distributions.
inline constexpr NativeStringView kNoWaylandPlugin = VX_NATIVE(
    "Qt's Wayland plugin is not installed, and the window cannot open without it: install "
    "qt6-wayland (Debian, Ubuntu, Arch) or qt6-qtwayland (Fedora).");
inline constexpr NativeStringView kNoX11Plugin = VX_NATIVE(
    "Qt's X11 plugin (xcb) is not installed, and the window cannot open without it: install "
    "qt6-qpa-plugins (Debian, Ubuntu), qt6-qtbase-gui (Fedora) or qt6-base (Arch).");

// A name as a row of the list shows it: characters that would be invisible,
// would break the line or would turn the text around (control and format
// characters, the byte-order mark, direction overrides) are shown as visible
// symbols, and a combining accent written as a separate character is shown
// on a dotted circle, so that it stays apart from the same letter written as
// one character.
NativeString rowText(NativeStringView name);

// A name as the messages quote it: as in the list, on one line, with its
// writing direction kept to itself, and shortened in the middle when it is
// very long, so that no message grows wider than the screen.
NativeString quotedName(NativeStringView name);

}  // namespace vx::mods::text
