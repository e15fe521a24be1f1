// The native window in process, on real temporary game directories, driven
// by window messages the way the program's own message loop hands them on
// (through IsDialogMessageW). Message boxes and program starts are recorded
// by the test platform.
#include "window/win32/frm_mod_manager.h"

#include "window/win32/dpi.h"

#include "mods/texts.h"
#include "platform/win32/win32_platform.h"

#include "support/native.h"
#include "support/temp_dir.h"
#include "support/test_platform.h"

#include <resource_ids.h>

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace vx::win32 {
namespace {

using testing::installStandIn;
using testing::loadedMods;
using testing::makeGame;
using testing::N;
using testing::TempDir;
using testing::TestPlatform;
using testing::U;

// A 32-bit top-down bitmap to draw into and read back.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<const uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    // Pixels in `area` darker than mid-grey.
    int darkPixels(const RECT& area) const {
        GdiFlush();
        int dark = 0;
        for (LONG y = area.top; y < area.bottom; ++y) {
            for (LONG x = area.left; x < area.right; ++x) {
                const uint32_t pixel = pixels_[y * width_ + x];
                const int luminance =
                    ((pixel >> 16 & 0xFF) * 3 + (pixel >> 8 & 0xFF) * 6 + (pixel & 0xFF)) / 10;
                if (luminance < 128) ++dark;
            }
        }
        return dark;
    }

private:
    int width_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const uint32_t* pixels_ = nullptr;
};

// One game directory with a loaded window, shown when the scan succeeded.
struct Session {
    template <class Platform = TestPlatform>
    explicit Session(const std::vector<std::string>& folders, bool withBase = true,
                     std::type_identity<Platform> = {})
        : ownPlatform(std::make_unique<Platform>(game.path())), platform(*ownPlatform) {
        makeGame(game, folders, withBase);
        auto created = frmModManager::create(platform, GetModuleHandleW(nullptr));
        if (!created.ok()) throw std::runtime_error(U(created.failure().reason));
        window = std::move(created).value();
        loaded = window->Form_Load();
        if (loaded) {
            ShowWindow(window->hwnd(), SW_SHOW);
            pump();
        }
    }

    HWND hwnd() const { return window->hwnd(); }
    HWND list() const { return window->List1(); }

    // Handles what is queued, as the program's message loop does.
    void pump() const {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            if (!IsDialogMessageW(hwnd(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }

    // One message of the keyboard, sent to `target` through the dialog
    // manager and the message loop, then everything that follows from it.
    void input(HWND target, UINT message, WPARAM key, LPARAM flags) const {
        MSG msg{target, message, key, flags, GetTickCount(), {}};
        if (!IsDialogMessageW(hwnd(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    void pressKey(HWND target, WPARAM key) const {
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC))
                            << 16;
        input(target, WM_KEYDOWN, key, 1 | scan);
        pump();
        input(target, WM_KEYUP, key, 1 | scan | 0xC0000000);
        pump();
    }
    void pressAltWith(wchar_t letter) const {
        input(GetFocus() ? GetFocus() : list(), WM_SYSCHAR, letter, 1 | 1 << 29);  // bit 29: Alt is down
        pump();
    }

    int rowNamed(const std::string& name) const {
        const mods::ModList& rows = window->mods().List1();
        for (int row = 0; row < rows.count(); ++row) {
            if (U(rows.text(row)) == name) return row;
        }
        return -1;
    }
    bool isChecked(const std::string& name) const { return window->mods().List1().checked(rowNamed(name)); }

    // What another program reads from the list, with the list view's own
    // messages: a row's text, its state image (2 checked, 1 unchecked), the
    // selected row.
    std::string textAt(int row) const {
        wchar_t text[300] = {};
        LVITEMW item{};
        item.pszText = text;
        item.cchTextMax = 300;
        SendMessageW(list(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return U(text);
    }
    int stateImageAt(int row) const {
        return static_cast<int>(SendMessageW(list(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12);
    }
    int selectedRow() const {
        return static_cast<int>(
            SendMessageW(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    void setState(int row, UINT mask, UINT state) const {
        LVITEMW item{};
        item.stateMask = mask;
        item.state = state;
        SendMessageW(list(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    void selectRow(int row) const {
        setState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    void setStateImage(int row, int image) const {
        setState(row, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(image));
    }

    RECT rowRect(int row) const {
        RECT rect{};
        rect.left = LVIR_BOUNDS;
        SendMessageW(list(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
        return rect;
    }
    // A row's check box: where the list view's hit test finds it on the
    // row's middle line, as a square around that line.
    RECT boxRect(int row) const {
        const RECT r = rowRect(row);
        const LONG middle = (r.top + r.bottom) / 2;
        LONG first = -1, last = -1;
        for (LONG x = 0; x < 60; ++x) {
            LVHITTESTINFO hit{{x, middle}, 0, -1, 0, 0};
            SendMessageW(list(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.iItem == row && (hit.flags & LVHT_ONITEM) == LVHT_ONITEMSTATEICON) last = x;
            if (last == x && first < 0) first = x;
        }
        return {first, middle - (last - first) / 2, last + 1, middle + (last - first) / 2 + 1};
    }
    // A press and release of the left button at `point` in the list.
    void click(POINT point) const {
        const LPARAM at = MAKELPARAM(point.x, point.y);
        SendMessageW(list(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list(), WM_LBUTTONUP, 0, at);
        pump();
    }
    void clickBox(int row) const {
        SendMessageW(list(), LVM_ENSUREVISIBLE, row, FALSE);
        const RECT box = boxRect(row);
        click({(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    }
    void pressSpaceOn(int row) const {
        selectRow(row);
        SetFocus(list());
        pressKey(list(), VK_SPACE);
    }

    // The list as it paints itself now.
    std::unique_ptr<Canvas> paintList() const {
        RECT client;
        GetClientRect(list(), &client);
        auto canvas = std::make_unique<Canvas>(client.right, client.bottom);
        SendMessageW(list(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()),
                     PRF_CLIENT | PRF_ERASEBKGND);
        return canvas;
    }
    // The dark pixels inside a row's check box, away from its border: the tick.
    int tickPixels(const Canvas& canvas, int row) const {
        RECT inside = boxRect(row);
        InflateRect(&inside, -3, -3);
        return canvas.darkPixels(inside);
    }

    TempDir game;
    std::unique_ptr<TestPlatform> ownPlatform;
    TestPlatform& platform;
    std::unique_ptr<frmModManager> window;
    bool loaded = false;
};

// A control's rectangle in its parent's client coordinates.
RECT placeOf(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string classOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return U(name);
}

std::string textOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return U(text);
}

::testing::AssertionResult isRect(const RECT& actual, LONG left, LONG top, LONG width, LONG height) {
    if (actual.left == left && actual.top == top && actual.right - actual.left == width &&
        actual.bottom - actual.top == height) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << actual.left << ", " << actual.top << ", " << actual.right - actual.left << " x "
           << actual.bottom - actual.top << "), expected (" << left << ", " << top << ", " << width << " x "
           << height << ")";
}

TEST(FrmModManager, FixedFrameCentredWithItsControlsInPlaceAndInTabOrder) {
    Session s({"Mod"});
    ASSERT_TRUE(s.loaded);
    ASSERT_EQ(s.window->dpi(), 96u) << "the layout below is in 96-DPI pixels";
    const HWND w = s.hwnd();

    EXPECT_EQ(textOf(w), "deDidAzorovo");
    RECT client;
    GetClientRect(w, &client);
    EXPECT_TRUE(isRect(client, 0, 0, 442, 424));
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(w, GWL_EXSTYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX))
        << "fixed size, close button only";
    EXPECT_TRUE(exStyle & WS_EX_CONTROLPARENT);
    EXPECT_FALSE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr) << "a window of its own on the taskbar";
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_NE(GetClassLongPtrW(w, GCLP_HICONSM), 0);
    EXPECT_NE(GetClassLongPtrW(w, GCLP_HICON), 0);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(w, GCLP_HBRBACKGROUND)),
              GetStockObject(WHITE_BRUSH));

    // Centred on the work area of its monitor.
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT frame;
    GetWindowRect(w, &frame);
    EXPECT_LE(std::abs((frame.left - monitor.rcWork.left) - (monitor.rcWork.right - frame.right)), 1);
    EXPECT_LE(std::abs((frame.top - monitor.rcWork.top) - (monitor.rcWork.bottom - frame.bottom)), 1);

    // Children in creation order, which the dialog manager's Tab follows.
    const struct {
        HWND control;
        const char* className;
        const char* caption;
        RECT place;  // left, top, width, height
    } controls[] = {
        {s.window->List1(), "SysListView32", "", {8, 112, 425, 274}},
        {s.window->Command1(), "Button", "&Launch Vexmoor", {280, 392, 153, 25}},
        {s.window->Command2(), "Button", "&About...", {8, 392, 153, 25}},
        {s.window->Image1(), "Static", "", {21, 0, 400, 100}},
    };
    HWND child = GetWindow(w, GW_CHILD);
    for (const auto& c : controls) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(child, c.control);
        child = GetWindow(child, GW_HWNDNEXT);
        EXPECT_EQ(classOf(c.control), c.className);
        EXPECT_EQ(textOf(c.control), c.caption);
        EXPECT_TRUE(isRect(placeOf(c.control), c.place.left, c.place.top, c.place.right, c.place.bottom));
        EXPECT_TRUE(IsWindowVisible(c.control));
        // Enter and Esc arrive as IDOK and IDCANCEL; no control may answer to them.
        EXPECT_NE(GetDlgCtrlID(c.control), IDOK);
        EXPECT_NE(GetDlgCtrlID(c.control), IDCANCEL);
    }
    EXPECT_EQ(child, nullptr);

    for (HWND button : {s.window->Command1(), s.window->Command2()}) {
        EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON) << "no default button";
    }
    // A check list that keeps no rows of its own: report view, one column as
    // wide as the list, no header, one row selected at a time.
    const LONG listStyle = GetWindowLongW(s.list(), GWL_STYLE);
    EXPECT_EQ(listStyle & (LVS_TYPEMASK | LVS_OWNERDATA | LVS_NOCOLUMNHEADER | LVS_SINGLESEL),
              LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER | LVS_SINGLESEL);
    EXPECT_TRUE(SendMessageW(s.list(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES);
    RECT listClient;
    GetClientRect(s.list(), &listClient);
    EXPECT_EQ(SendMessageW(s.list(), LVM_GETCOLUMNWIDTH, 0, 0), listClient.right);
    EXPECT_FALSE(GetWindowLongW(s.window->Image1(), GWL_STYLE) & WS_TABSTOP);

    EXPECT_EQ(GetFocus(), s.list()) << "the list has the focus when the window opens";
    EXPECT_EQ(GetNextDlgTabItem(w, s.list(), FALSE), s.window->Command1());
    EXPECT_EQ(GetNextDlgTabItem(w, s.window->Command1(), FALSE), s.window->Command2());
    EXPECT_EQ(GetNextDlgTabItem(w, s.window->Command2(), FALSE), s.list());
    s.pressKey(s.list(), VK_TAB);
    EXPECT_EQ(GetFocus(), s.window->Command1());

    // The controls use the system's message font, not the old bitmap font.
    const auto font = reinterpret_cast<HFONT>(SendMessageW(s.window->Command1(), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    EXPECT_NE(font, GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(s.list(), WM_GETFONT, 0, 0)), font);
}

TEST(FrmModManager, BannerIsTheGifDrawnOnWhite) {
    Session s({});
    ASSERT_TRUE(s.loaded);
    const auto banner =
        reinterpret_cast<HBITMAP>(SendMessageW(s.window->Image1(), STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(banner, nullptr);
    BITMAP info{};
    ASSERT_TRUE(GetObjectW(banner, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 400);
    EXPECT_EQ(info.bmHeight, 100);

    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, banner);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 399, 99), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 200, 50), RGB(241, 152, 37)) << "the orange of the title's letters";
    int white = 0;
    for (int y = 0; y < 100; y += 2) {
        for (int x = 0; x < 400; x += 2) white += GetPixel(dc, x, y) == RGB(255, 255, 255);
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    EXPECT_GT(white, 5000) << "mostly white ground";
    EXPECT_LT(white, 9500) << "with the title on it";
}

// The pixels of a bitmap that Banner::render made.
std::string bitsOf(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    return std::string(static_cast<const char*>(info.bmBits), info.bmWidthBytes * info.bmHeight);
}

// Screen readers and other programs read the rows, their boxes and the
// selection with the list view's standard messages, and set a box by setting
// its state image; the core does the renaming.
TEST(FrmModManager, ListShowsTheCoresRowsInOrderWithTheirBoxesToOtherProgramsToo) {
    Session s({"Zeta.rte", "alpha", "Beta.RTE", ".rte"});
    ASSERT_TRUE(s.loaded);
    ASSERT_EQ(SendMessageW(s.list(), LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(s.selectedRow(), 0) << "the first row is current";
    const char* names[] = {"", "alpha", "Beta", "Zeta"};
    const int stateImages[] = {2, 1, 2, 2};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(s.textAt(row), names[row]);
        EXPECT_EQ(s.stateImageAt(row), stateImages[row]) << names[row];
    }

    s.setStateImage(1, 2);
    EXPECT_TRUE(s.game.isFolder("alpha.rte"));
    EXPECT_EQ(s.stateImageAt(1), 2);
    s.setStateImage(1, 2);   // already checked: nothing to do
    s.setStateImage(-1, 1);  // every row at once: not from a message
    s.setStateImage(2, 1);
    EXPECT_TRUE(s.game.isFolder("Beta"));
    EXPECT_EQ(s.stateImageAt(2), 1);
    EXPECT_EQ(s.platform.renames.size(), 2u);
    EXPECT_EQ(s.selectedRow(), 0) << "setting a box moves no selection";

    const std::unique_ptr<Canvas> painted = s.paintList();
    EXPECT_GT(s.tickPixels(*painted, 0), 0) << "the empty name's folder .rte is enabled";
    EXPECT_GT(s.tickPixels(*painted, 1), 0) << "alpha was enabled";
    EXPECT_EQ(s.tickPixels(*painted, 2), 0) << "Beta was disabled";
    EXPECT_GT(s.tickPixels(*painted, 3), 0);
    // The row's text is drawn after its box.
    const RECT alpha = s.rowRect(1);
    const RECT box = s.boxRect(1);
    EXPECT_GT(painted->darkPixels({box.right + 2, alpha.top, alpha.left + 60, alpha.bottom}), 5);

    // Typing finds a row by the start of its name, letter case ignored.
    s.input(s.list(), WM_CHAR, L'z', 1);
    EXPECT_EQ(s.selectedRow(), 3);
    s.input(s.list(), WM_CHAR, L'A', 1);
    EXPECT_EQ(s.selectedRow(), 3) << "no name starts with \"za\"";
    Sleep(1100);
    s.input(s.list(), WM_CHAR, L'B', 1);
    EXPECT_EQ(s.selectedRow(), 2) << "a pause starts a new search";
    EXPECT_EQ(s.platform.renames.size(), 2u);
}

// Typing lands where it does in the Linux program: on the next mod whose
// shown name starts with the keys typed, letter case ignored.
TEST(FrmModManager, TypingFindsModsByTheCoresRule) {
    Session s({"Alpha", "\u03C2a", "\u03C3b", "\u200Bzed", "\u00C9clair"});
    ASSERT_TRUE(s.loaded);
    const auto type = [&](const wchar_t* keys) {
        Sleep(1100);  // a new search
        for (const wchar_t* key = keys; *key; ++key) s.input(s.list(), WM_CHAR, *key, 1);
        return s.textAt(s.selectedRow());
    };
    EXPECT_EQ(type(L"\u03C3"), "\u03C3b");
    EXPECT_EQ(type(L"<U"), "<U+200B>zed");
    EXPECT_EQ(type(L"\u00E9c"), "\u00C9clair");
}

TEST(FrmModManager, SpaceAndClickOnTheBoxRenameTheFolderAndRedrawTheRow) {
    Session s({"Foo", "Bar.rte", "Qux"});
    ASSERT_TRUE(s.loaded);

    s.pressSpaceOn(s.rowNamed("Foo"));
    EXPECT_TRUE(s.game.isFolder("Foo.rte"));
    EXPECT_TRUE(s.isChecked("Foo"));
    EXPECT_GT(s.tickPixels(*s.paintList(), s.rowNamed("Foo")), 0);
    s.pressSpaceOn(s.rowNamed("Foo"));
    EXPECT_TRUE(s.game.isFolder("Foo"));
    EXPECT_FALSE(s.isChecked("Foo"));
    EXPECT_EQ(s.tickPixels(*s.paintList(), s.rowNamed("Foo")), 0);

    // A key held down repeats; only the first press counts.
    s.selectRow(s.rowNamed("Qux"));
    s.input(s.list(), WM_KEYDOWN, VK_SPACE, 1);
    s.input(s.list(), WM_KEYDOWN, VK_SPACE, 1 | 1 << 30);
    s.input(s.list(), WM_KEYDOWN, VK_SPACE, 1 | 1 << 30);
    s.pump();
    EXPECT_TRUE(s.game.isFolder("Qux.rte"));

    // The toggled row is painted again from the core's state.
    const int bar = s.rowNamed("Bar");
    s.selectRow(bar);
    s.pump();
    ValidateRect(s.list(), nullptr);
    const RECT barBox = s.boxRect(bar);
    const LPARAM at = MAKELPARAM(barBox.left + 6, barBox.top + 6);
    SendMessageW(s.list(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(s.list(), WM_LBUTTONUP, 0, at);
    RECT dirty{}, both{};
    const RECT barRow = s.rowRect(bar);
    ASSERT_TRUE(GetUpdateRect(s.list(), &dirty, FALSE));
    EXPECT_TRUE(IntersectRect(&both, &dirty, &barRow));
    s.pump();
    EXPECT_TRUE(s.game.isFolder("Bar"));
    EXPECT_FALSE(s.isChecked("Bar"));
    s.clickBox(s.rowNamed("Qux"));
    EXPECT_EQ(s.selectedRow(), s.rowNamed("Qux")) << "the click selects the row too";
    EXPECT_TRUE(s.game.isFolder("Qux"));
    s.clickBox(bar);
    EXPECT_TRUE(s.game.isFolder("Bar.rte"));

    // A click on the name selects the row and changes nothing.
    const RECT foo = s.rowRect(s.rowNamed("Foo"));
    s.click({foo.right - 20, (foo.top + foo.bottom) / 2});
    EXPECT_EQ(s.selectedRow(), s.rowNamed("Foo"));
    EXPECT_TRUE(s.game.isFolder("Foo"));

    // A press on a name that ends on a box changes nothing.
    const RECT from = s.rowRect(s.rowNamed("Foo"));
    const RECT to = s.boxRect(s.rowNamed("Qux"));
    SendMessageW(s.list(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.right - 20, from.top + 5));
    SendMessageW(s.list(), WM_LBUTTONUP, 0, MAKELPARAM(to.left + 5, to.top + 5));
    s.pump();
    EXPECT_TRUE(s.game.isFolder("Qux"));

    // Both clicks of a double click on a box count.
    const RECT qux = s.boxRect(s.rowNamed("Qux"));
    const LPARAM onQux = MAKELPARAM((qux.left + qux.right) / 2, (qux.top + qux.bottom) / 2);
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
        SendMessageW(s.list(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, onQux);
    }
    s.pump();

    EXPECT_EQ(s.game.entries(),
              (std::vector<std::string>{"Bar.rte", "Foo", "Qux", "Vexmoor.exe", "base.rte"}));
    EXPECT_EQ(s.platform.renames.size(), 8u);
    EXPECT_TRUE(s.platform.messages.empty());
}

// What a list view that applies its own toggle of a box by message does, at
// the point it tells the window of the click or the key: it sets the row's
// state image to the other box, as another program would.
LRESULT CALLBACK echoToggle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR list) {
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    const UINT code = message == WM_NOTIFY ? reinterpret_cast<const NMHDR*>(lParam)->code : 0;
    if (code == NM_CLICK || code == NM_DBLCLK || code == LVN_KEYDOWN) {
        const auto listView = reinterpret_cast<HWND>(list);
        const auto row = static_cast<WPARAM>(SendMessageW(listView, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
        LVITEMW item{};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state =
            SendMessageW(listView, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) ^ INDEXTOSTATEIMAGEMASK(3);
        SendMessageW(listView, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    return result;
}

TEST(FrmModManager, AListViewsOwnToggleOfTheBoxItIsClickedOrPressedOnIsNotCountedAgain) {
    Session s({"Foo", "Bar"});
    ASSERT_TRUE(s.loaded);
    SetWindowSubclass(s.hwnd(), echoToggle, 1, reinterpret_cast<DWORD_PTR>(s.list()));
    s.clickBox(s.rowNamed("Foo"));
    s.pressSpaceOn(s.rowNamed("Bar"));
    RemoveWindowSubclass(s.hwnd(), echoToggle, 1);
    EXPECT_TRUE(s.game.isFolder("Foo.rte"));
    EXPECT_TRUE(s.game.isFolder("Bar.rte"));
    EXPECT_EQ(s.platform.renames.size(), 2u);
}

TEST(FrmModManager, RefusedRenameSaysWhyAndPutsTheBoxBack) {
    Session s({"Foo"});
    ASSERT_TRUE(s.loaded);
    s.game.makeFolder("Foo.rte");  // made by someone else after the scan
    s.game.makeFile("Foo.rte/keep.ini", "x");

    s.clickBox(s.rowNamed("Foo"));
    EXPECT_FALSE(s.isChecked("Foo"));
    EXPECT_EQ(s.tickPixels(*s.paintList(), s.rowNamed("Foo")), 0);
    EXPECT_TRUE(s.game.isFolder("Foo"));
    EXPECT_EQ(s.game.read("Foo.rte/keep.ini"), "x");
    ASSERT_EQ(s.platform.messages.size(), 1u);
    EXPECT_EQ(s.platform.messages[0].title, "Error");
    EXPECT_EQ(s.platform.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(s.platform.messages[0].text.rfind("Could not enable the mod \"Foo\".\n\nThe folder \"Foo\" "
                                                "could not be renamed to \"Foo.rte\":\n",
                                                0),
              0u)
        << s.platform.messages[0].text;
    EXPECT_TRUE(IsWindowVisible(s.hwnd())) << "the program goes on";
    EXPECT_EQ(s.platform.ends, 0);
}

TEST(FrmModManager, EnterAndEscPressNoButtonUnlessAButtonHasTheFocus) {
    Session s({"Foo"});
    ASSERT_TRUE(s.loaded);
    SetFocus(s.list());
    s.pressKey(s.list(), VK_RETURN);
    s.pressKey(s.list(), VK_ESCAPE);
    EXPECT_TRUE(s.platform.messages.empty());
    EXPECT_TRUE(s.platform.started.empty());
    EXPECT_TRUE(s.platform.renames.empty());
    EXPECT_TRUE(IsWindow(s.hwnd())) << "Esc does not close the window";

    SetFocus(s.window->Command2());
    s.pressKey(s.window->Command2(), VK_ESCAPE);
    EXPECT_TRUE(s.platform.messages.empty());
    s.pressKey(s.window->Command2(), VK_RETURN);
    ASSERT_EQ(s.platform.messages.size(), 1u);
    EXPECT_EQ(s.platform.messages[0].title, "About...");
}

TEST(FrmModManager, AltAShowsTheAboutBoxAndAltLStartsTheGameWithTheModsSet) {
    Session s({"Alpha", "Beta.rte", "Gamma.RTE", "Delta"});
    ASSERT_TRUE(s.loaded);
    s.game.remove("Vexmoor.exe");  // the placeholder gives way to a program that reports what it loads
    installStandIn(s.game, VX_STAND_IN_GAME);

    s.pressAltWith(L'a');
    ASSERT_EQ(s.platform.messages.size(), 1u);
    EXPECT_EQ(s.platform.messages[0].title, "About...");
    EXPECT_EQ(s.platform.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(s.platform.messages[0].text,
              "Vexmoor ModManager v1.1\n"
              "coded by the deDidAzorovo authors for the Vexmoor modding community\n"
              "\n"
              "This program is donation-supported: if you like it, please consider paying for it.\n"
              "You can find its authors among the Vexmoor modding community.\n"
              "\n"
              "Creditz:\n"
              "The Vexmoor developers: for coding the game\n"
              "The Vexmoor modding community: for the mods worth managing\n"
              "Our testers: for renaming more folders than anyone should\n"
              "\n"
              "Enjoy!");

    s.clickBox(s.rowNamed("Alpha"));      // on
    s.pressSpaceOn(s.rowNamed("Gamma"));  // off
    s.clickBox(s.rowNamed("Delta"));      // on
    s.clickBox(s.rowNamed("Delta"));      // and off again
    SetFocus(s.list());
    s.pressAltWith(L'l');
    EXPECT_EQ(s.platform.started, std::vector<std::string>{s.game / "Vexmoor.exe"});
    EXPECT_EQ(s.platform.messages.size(), 1u) << "started without complaint";
    EXPECT_EQ(loadedMods(s.game), "Alpha.rte\nBeta.rte\n");
    EXPECT_TRUE(IsWindowVisible(s.hwnd())) << "the program stays open while the game runs";
}

TEST(FrmModManager, FatalStartupFindingsAreShownAndTheWindowNeverAppears) {
    const struct {
        const char* what;
        bool programFile;
        std::vector<std::string> folders;
        std::string message;
    } cases[] = {
        {"no program file", false, {"base.rte", "Foo"}, "Vexmoor.exe not found!"},
        {"no base folder",
         true,
         {"Foo", "Bar.rte"},
         "This application needs to reside in Vexmoor's main directory."},
        {"duplicate", true, {"base.rte", "Foo.rte", "foo"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir game;
        if (c.programFile) game.makeFile("Vexmoor.exe");
        for (const std::string& folder : c.folders) game.makeFolder(folder);
        TestPlatform platform(game.path());
        auto created = frmModManager::create(platform, GetModuleHandleW(nullptr));
        ASSERT_TRUE(created.ok());
        const std::unique_ptr<frmModManager> window = std::move(created).value();

        EXPECT_FALSE(window->Form_Load());
        EXPECT_FALSE(IsWindowVisible(window->hwnd()));
        EXPECT_EQ(platform.ends, 1);
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].title, "Error");
        EXPECT_EQ(platform.messages[0].kind, MessageKind::Warning);
        if (c.message.empty()) {
            const std::string duplicate =
                "You have one (or more) duplicate mod(s). Please check your VX folder. Duplicate: ";
            EXPECT_TRUE(platform.messages[0].text == duplicate + "Foo" ||
                        platform.messages[0].text == duplicate + "foo")
                << platform.messages[0].text;
        } else {
            EXPECT_EQ(platform.messages[0].text, c.message);
        }
        EXPECT_EQ(SendMessageW(window->List1(), LVM_GETITEMCOUNT, 0, 0), 0) << "nothing to show";
        EXPECT_TRUE(platform.renames.empty());
    }
}

TEST(FrmModManager, DpiAndFontChangesRescaleControlsRowsAndBannerAndButtonsFitTheirCaptions) {
    Session s({"Foo"});
    ASSERT_TRUE(s.loaded);
    ASSERT_EQ(s.window->dpi(), 96u);
    const auto fontHeight = [&] {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(s.list(), WM_GETFONT, 0, 0)), sizeof font, &font);
        return std::abs(font.lfHeight);
    };
    const auto bannerSize = [&] {
        BITMAP info{};
        GetObjectW(reinterpret_cast<HBITMAP>(SendMessageW(s.window->Image1(), STM_GETIMAGE, IMAGE_BITMAP, 0)),
                   sizeof info, &info);
        return SIZE{info.bmWidth, info.bmHeight};
    };
    const int font96 = fontHeight();
    const auto rowHeight = [&] { return s.rowRect(0).bottom - s.rowRect(0).top; };
    const LONG row96 = rowHeight();

    RECT frame;
    GetWindowRect(s.hwnd(), &frame);
    RECT suggested{frame.left, frame.top, frame.left + 700, frame.top + 700};
    SendMessageW(s.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(s.window->dpi(), 144u);
    EXPECT_TRUE(isRect(placeOf(s.list()), 12, 168, 638, 411));
    EXPECT_TRUE(isRect(placeOf(s.window->Command1()), 420, 588, 230, 38));
    EXPECT_TRUE(isRect(placeOf(s.window->Command2()), 12, 588, 230, 38));
    EXPECT_TRUE(isRect(placeOf(s.window->Image1()), 32, 0, 600, 150));
    EXPECT_EQ(bannerSize().cx, 600);
    EXPECT_EQ(bannerSize().cy, 150);
    const HBITMAP sharp = Banner(GetModuleHandleW(nullptr), IDR_BANNER_2X).render(600, 150);
    EXPECT_TRUE(bitsOf(reinterpret_cast<HBITMAP>(
                    SendMessageW(s.window->Image1(), STM_GETIMAGE, IMAGE_BITMAP, 0))) == bitsOf(sharp))
        << "from the picture drawn at twice the size";
    DeleteObject(sharp);
    EXPECT_NEAR(fontHeight(), font96 * 1.5, 1.0);
    EXPECT_GT(rowHeight(), row96);
    GetWindowRect(s.hwnd(), &frame);
    EXPECT_TRUE(isRect(frame, suggested.left, suggested.top, 700, 700)) << "moved where Windows suggests";

    // The box still answers to clicks at its new size.
    s.clickBox(s.rowNamed("Foo"));
    EXPECT_TRUE(s.game.isFolder("Foo.rte"));

    SendMessageW(s.hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(isRect(placeOf(s.list()), 8, 112, 425, 274));
    EXPECT_EQ(fontHeight(), font96);
    EXPECT_EQ(rowHeight(), row96);
    EXPECT_EQ(bannerSize().cx, 400);

    // A larger message font: each button grows to fit its caption, away from
    // its anchored edges, and the list ends above the buttons as before.
    s.window->setFont(
        CreateFontW(-30, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    const RECT launch = placeOf(s.window->Command1());
    const RECT about = placeOf(s.window->Command2());
    EXPECT_EQ(launch.right, 433);
    EXPECT_EQ(launch.bottom, 417);
    EXPECT_EQ(about.left, 8);
    EXPECT_EQ(about.bottom, 417);
    EXPECT_GT(launch.right - launch.left, 153);
    EXPECT_LE(placeOf(s.list()).bottom + 6, std::min(launch.top, about.top));
    EXPECT_LE(about.right + 6, launch.left) << "side by side";
    for (const HWND button : {s.window->Command1(), s.window->Command2()}) {
        // The caption as the button draws it, in lines when it may break it.
        const std::wstring caption = N(textOf(button));
        RECT inside;
        GetClientRect(button, &inside);
        RECT text{0, 0, inside.right - 8, 0};
        const bool lines = GetWindowLongW(button, GWL_STYLE) & BS_MULTILINE;
        const HDC dc = GetDC(button);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
        DrawTextW(dc, caption.c_str(), -1, &text, DT_CALCRECT | (lines ? DT_WORDBREAK : DT_SINGLELINE));
        ReleaseDC(button, dc);
        EXPECT_LE(text.right + 8, inside.right) << textOf(button);
        EXPECT_LE(text.bottom + 4, inside.bottom) << textOf(button);
    }
    s.window->setFont(createMessageFont(96));
    EXPECT_TRUE(isRect(placeOf(s.window->Command1()), 280, 392, 153, 25));
    EXPECT_TRUE(isRect(placeOf(s.list()), 8, 112, 425, 274));
}

// A game of 100,000 mods, more rows than 16-bit list positions reach. The
// platform makes up the listing: making that many real folders under Wine
// takes minutes (each new name is checked against the whole directory), and
// listing real folders is the backend's own tests' business. Only the
// folders the test renames exist.
class ManyModsPlatform : public TestPlatform {
public:
    static constexpr int kMods = 100000;
    using TestPlatform::TestPlatform;

    Result<NameList> subfolders(const NativeString&) override {
        NameList folders;
        folders.add(L"base.rte", L"base.rte");
        for (int i = kMods - 1; i >= 0; --i) {  // backwards, so the rows need sorting
            const std::wstring digits = std::to_wstring(i);
            const std::wstring name =
                L"mod" + std::wstring(6 - digits.size(), L'0') + digits + (i % 3 ? L"" : L".rte");
            folders.add(name, name);  // already lower case
        }
        return folders;
    }
};

TEST(FrmModManager, AHundredThousandModsLoadAndMouseKeysAndScrollBarReachEveryRow) {
    constexpr int kMods = ManyModsPlatform::kMods;
    const auto start = std::chrono::steady_clock::now();
    Session s({"mod070000", "mod099999.rte"}, true, std::type_identity<ManyModsPlatform>{});
    ASSERT_TRUE(s.loaded);
    const auto took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    std::printf("%d mods loaded and shown in %.0f ms\n", kMods, took.count());
    ASSERT_EQ(SendMessageW(s.list(), LVM_GETITEMCOUNT, 0, 0), kMods);
    EXPECT_EQ(s.textAt(kMods - 1), "mod099999");

    s.clickBox(70000);
    EXPECT_EQ(s.selectedRow(), 70000);
    EXPECT_TRUE(s.game.isFolder("mod070000.rte"));
    EXPECT_EQ(s.stateImageAt(70000), 2);

    // End goes to the last row and scrolls it into view; its box works.
    SetFocus(s.list());
    s.pressKey(s.list(), VK_END);
    EXPECT_EQ(s.selectedRow(), kMods - 1);
    const RECT last = s.rowRect(kMods - 1);
    RECT client{};
    GetClientRect(s.list(), &client);
    EXPECT_GE(last.top, 0);
    EXPECT_LE(last.bottom, client.bottom);
    const auto atBottom = [&] {
        SCROLLINFO scroll{sizeof scroll, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(s.list(), SB_VERT, &scroll);
        return scroll.nPos + static_cast<int>(scroll.nPage) == kMods &&
               SendMessageW(s.list(), LVM_GETTOPINDEX, 0, 0) == scroll.nPos;
    };
    EXPECT_TRUE(atBottom());
    s.clickBox(kMods - 1);
    EXPECT_TRUE(s.game.isFolder("mod099999"));
    EXPECT_EQ(s.stateImageAt(kMods - 1), 1);

    // The scroll thumb dragged from the top to the bottom of its bar and
    // released there stays there. The scroll bar's own loop takes the queued
    // moves, as it takes the mouse's.
    s.pressKey(s.list(), VK_HOME);
    ASSERT_EQ(SendMessageW(s.list(), LVM_GETTOPINDEX, 0, 0), 0);
    SCROLLBARINFO bar{sizeof bar, {}, 0, 0, 0, 0, {}};
    ASSERT_TRUE(GetScrollBarInfo(s.list(), OBJID_VSCROLL, &bar));
    const POINT thumb{(bar.rcScrollBar.left + bar.rcScrollBar.right) / 2,
                      bar.rcScrollBar.top + (bar.xyThumbTop + bar.xyThumbBottom) / 2};
    POINT end{thumb.x, bar.rcScrollBar.bottom - 2};
    ScreenToClient(s.list(), &end);
    PostMessageW(s.list(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(end.x, end.y));
    PostMessageW(s.list(), WM_LBUTTONUP, 0, MAKELPARAM(end.x, end.y));
    SendMessageW(s.list(), WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(thumb.x, thumb.y));
    s.pump();
    EXPECT_TRUE(atBottom());
}

}  // namespace
}  // namespace vx::win32

namespace vx::win32 {
namespace {

// A refusal naming a mod of 252 characters is shown in a box the user can
// still answer: the name is shortened in the middle, and the box fits the
// screen.
TEST(MessageBoxes, ARefusalNamingAVeryLongModFitsTheScreen) {
    const std::wstring name(252, L'n');
    const std::wstring text = mods::text::renameRefused(name, true, name, name + L".rte",
                                                        Failure{L"Access is denied.", FailureKind::InUse});
    const std::wstring title = L"vx long box " + std::to_wstring(GetCurrentProcessId());
    std::atomic<bool> returned{false};
    RECT box{};
    std::thread user([&] {
        testing::eventually([&] {
            const HWND found = FindWindowW(L"#32770", title.c_str());
            if (!found) return bool(returned);
            GetWindowRect(found, &box);
            PostMessageW(found, WM_COMMAND, IDOK, 0);
            return true;
        });
    });
    Win32Platform platform;
    platform.messageBox(text, MessageKind::Warning, title);
    returned = true;
    user.join();
    ASSERT_GT(box.right, box.left) << "the box was not found";
    EXPECT_LE(box.right - box.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GE(box.left, 0);
}

}  // namespace
}  // namespace vx::win32
