// The program's one window on Windows: the banner, the check-box list of mods
// and the Launch and About buttons, as plain Win32 controls. It draws and
// forwards events; the rules live in the core (mods/).
//
// The list is a list view with check boxes that holds no data of its own
// (LVS_OWNERDATA): it knows only the number of rows and asks the window for a
// row's name and box whenever it paints the row or another program asks for
// it, so the core's ModList stays the one copy of the mods' order and states,
// and a list of 100,000 mods costs no more to show than an empty one.
// Screen readers read and set rows with the list view's standard messages.
#pragma once

#include "mods/mod_folders.h"
#include "window/win32/banner.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <optional>

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

    // Gives every control `font` (the window owns it from now on) and lays
    // them out again, the buttons grown where their captions need more room.
    // The system's message font is the one used, at every DPI.
    void setFont(HFONT font);

private:
    frmModManager(Platform& platform, HINSTANCE instance);

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK list1Proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleList1(UINT message, WPARAM wParam, LPARAM lParam);

    bool createControls();
    // Font, banner, positions and sizes for the current DPI.
    void applyDpi();
    void fitRowHeight();
    void placeControls();
    void fitColumn();
    LRESULT handleNotify(const NMHDR& header);
    int currentRow() const;
    void select(int row);
    void toggle(int row);
    // Another program sets a row's state image: 2 is checked, 1 unchecked.
    void setStateImage(int row, UINT state);
    int findRow(const NMLVFINDITEMW& find) const;

    HINSTANCE instance_;
    mods::ModFolders mods_;
    Banner banner_;
    std::optional<Banner> sharpBanner_;  // drawn at twice the size; made when first needed
    HWND hwnd_ = nullptr;
    HWND list1_ = nullptr;
    HWND command1_ = nullptr;
    HWND command2_ = nullptr;
    HWND image1_ = nullptr;
    HWND focus_ = nullptr;  // the control that gets the focus back when the window is activated
    UINT dpi_ = 96;
    HFONT font_ = nullptr;
    HBITMAP bannerBitmap_ = nullptr;
    POINT pressedAt_{-1, -1};     // where the left button last went down in List1
    bool handlingPress_ = false;  // List1 handles a click or Space
};

}  // namespace vx::win32
