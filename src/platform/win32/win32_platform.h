// The platform on Windows: Unicode (W) system calls throughout, names as
// UTF-16 from the file system to the screen and back. Full paths reach the
// file system name for name (through the "\\?\" prefix), so a folder whose
// name ends in a dot or a blank, or lies deeper than MAX_PATH, is handled
// like any other.
//
// Lower-casing is the system's simple mapping, the same in every locale;
// ordering follows the user's locale as Windows has it (sort keys made with
// NORM_IGNORECASE, agreeing with CompareStringEx), which is the order a
// sorted list box shows. Message box and end are the system's own; a window
// front end only supplies the owner window for the boxes.
#pragma once

#include "platform/platform.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace vx::win32 {

class Win32Platform : public Platform {
public:
    // `locale` is a locale name such as L"en-US"; empty, or a name Windows
    // does not know, means the user's own.
    explicit Win32Platform(std::wstring locale = {});

    Result<NativeString> ownDirectory() override;
    Result<NameList> subfolders(const NativeString& directory) override;
    bool isPlainFile(const NativeString& path) override;
    MaybeFailure renameFolder(const NativeString& directory, NativeStringView from,
                              NativeStringView to) override;
    MaybeFailure startProgram(const NativeString& path) override;
    void messageBox(const NativeString& text, MessageKind kind, const NativeString& title) override;
    void end() override;
    void appendLower(NativeStringView name, NativeString& out) override;
    std::vector<uint32_t> sortedOrder(std::span<const NativeStringView> names) override;

    // Appends the name's sort key, by which sortedOrder orders names as a
    // sorted list box does, letter case ignored: keys compare byte by byte.
    void appendSortKey(NativeStringView name, std::string& out);

    // Message boxes are owned by this window (none until it is set).
    void setOwner(HWND owner) { owner_ = owner; }

private:
    // The locale for the string functions: LOCALE_NAME_USER_DEFAULT when none
    // was given.
    const wchar_t* localeName() const;

    std::wstring locale_;  // empty: LOCALE_NAME_USER_DEFAULT
    HWND owner_ = nullptr;
};

// True when `path` (a full path) lies in the Program Files folder or its
// 32-bit twin, where only administrators may change anything.
bool underProgramFiles(std::wstring_view path);

// The system's description of an error code (FormatMessageW), without the
// trailing line break; the number itself when the system has no text.
std::wstring systemMessage(DWORD error);

// The same, with the placeholder "%1" that some descriptions hold ("%1 is not
// a valid Win32 application.") replaced by `subject`, a file name say.
std::wstring systemMessage(DWORD error, std::wstring_view subject);

}  // namespace vx::win32
