// The program's one window on Windows: the banner, the check-box list of mods
// and the Launch and About buttons, as plain Win32 controls. It draws and
// forwards events; the rules live in the core (mods/).
//
// The list is an owner-drawn list box that holds no data of its own: it knows
// only the number of rows and asks for each visible row as it paints, so the
// core's ModList stays the one copy of the mods' order and states, and a list
// of 32,767 mods costs no more to show than an empty one.
#pragma once

#include "mods/mod_folders.h"
#include "window/win32/banner.h"

#include <windows.h>

#include <memory>

namespace vx::win32 {

class frmModManager {
public:
    // Client area, in pixels at 96 DPI.
    static constexpr int kClientWidth = 442;
    static constexpr int kClientHeight = 424;

    // Control IDs. Enter and Esc make the dialog manager send IDOK (1) and
    // IDCANCEL (2), so no control may have either.
    enum ControlId : int { kList1 = 101, kCommand1 = 102, kCommand2 = 103, kImage1 = 104 };

    // Creates the window hidden, with its controls and an empty list, centred
    // on its monitor's work area. Icon and banner come from `instance`'s
    // resources. Fails with the system's reason.
    static Result<std::unique_ptr<frmModManager>> create(Platform& platform, HINSTANCE instance);

    ~frmModManager();
    frmModManager(const frmModManager&) = delete;
    frmModManager& operator=(const frmModManager&) = delete;

    // The startup scan. When it returns true the list is filled, its first
    // row is current and the window may be shown; false means a fatal
    // message was shown and the platform ended the process (only a test
    // platform lets this return).
    bool Form_Load();

    // The user set row `row`'s box to `checked`: the core renames the folder
    // (or, when that is refused, says why and puts the flag back), and the
    // row is drawn again from the core's state.
    void List1_ItemCheck(int row, bool checked);
    void Command1_Click();
    void Command2_Click();

    [[nodiscard]] HWND hwnd() const { return hwnd_; }
    [[nodiscard]] HWND List1() const { return list1_; }
    [[nodiscard]] HWND Command1() const { return command1_; }
    [[nodiscard]] HWND Command2() const { return command2_; }
    [[nodiscard]] HWND Image1() const { return image1_; }
    [[nodiscard]] mods::ModFolders& mods() { return mods_; }
    [[nodiscard]] UINT dpi() const { return dpi_; }

    // Where a row's check box is drawn, in List1's client coordinates, for
    // the row's rectangle there (LB_GETITEMRECT). A click inside toggles it.
    [[nodiscard]] RECT checkBoxRect(const RECT& row) const;

private:
    frmModManager(Platform& platform, HINSTANCE instance);

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK list1Proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleList1(UINT message, WPARAM wParam, LPARAM lParam);

    bool createControls();
    // Fonts, row height, banner, positions and sizes for the current DPI.
    void applyDpi();
    void drawRow(const DRAWITEMSTRUCT& item);
    int rowHeight() const;
    // The row whose check box is at `point` (List1's client coordinates), or -1.
    int checkBoxAt(POINT point) const;
    void toggle(int row);
    void typeAhead(wchar_t typed);

    Platform& platform_;
    HINSTANCE instance_;
    mods::ModFolders mods_;
    Banner banner_;
    HWND hwnd_ = nullptr;
    HWND list1_ = nullptr;
    HWND command1_ = nullptr;
    HWND command2_ = nullptr;
    HWND image1_ = nullptr;
    HWND focus_ = nullptr;  // the control that gets the focus back when the window is activated
    UINT dpi_ = 96;
    HFONT font_ = nullptr;
    HBITMAP bannerBitmap_ = nullptr;
    HANDLE buttonTheme_ = nullptr;  // for drawing check boxes; null without visual styles
    int pressedBox_ = -1;           // the row whose check box the left button went down on
    NativeString typed_;            // what was typed to find a row
    DWORD lastTyped_ = 0;           // when, in GetTickCount milliseconds
};

}  // namespace vx::win32
