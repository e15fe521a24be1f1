#include "window/win32/frm_mod_manager.h"

#include "mods/texts.h"
#include "platform/win32/win32_platform.h"
#include "window/win32/dpi.h"

#include <resource_ids.h>

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace vx::win32 {
namespace {

constexpr wchar_t kClassName[] = L"deDidAzorovo.frmModManager";

// A fixed single-line frame with a title bar, the system menu and the close
// button; no sizing border, no minimize or maximize button. Children are
// reached with Tab through IsDialogMessageW.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

constexpr RECT kClient{0, 0, frmModManager::kClientWidth, frmModManager::kClientHeight};

constexpr UINT_PTR kList1Subclass = 1;

// A list view's state images for its check boxes.
constexpr UINT kUnchecked = 1;
constexpr UINT kChecked = 2;

// Room a push button needs around its caption, in 96-DPI pixels on each side:
// its frame, the focus rectangle and a little air. It comes on top of the
// button's ideal size (BCM_GETIDEALSIZE), which under Wine is the caption's
// alone.
constexpr int kButtonMarginX = 8;
constexpr int kButtonMarginY = 4;

// Room above and below a row's check box or name, whichever is taller, in
// 96-DPI pixels.
constexpr int kRowAir = 4;

// Which edges of a control stay put when its caption needs more room: all of
// them, or the bottom edge and the left or the right one.
enum Anchor { kFixed, kLeft, kRight };

// The controls in creation order, which is also the Tab order; positions in
// 96-DPI pixels as left, top, right, bottom.
struct ControlLayout {
    int id;
    const wchar_t* className;
    const wchar_t* caption;
    DWORD style;
    DWORD exStyle;
    RECT place;
    Anchor anchor = kFixed;
};

// A report view with one column and no header keeps no rows of its own
// (LVS_OWNERDATA): it has a count, and asks the window for each row's name
// and check box.
constexpr DWORD kList1Style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_OWNERDATA |
                              LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
constexpr DWORD kList1ExtendedStyle = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
// Plain push buttons: neither is ever the default button. Each starts a
// group of its own for the arrow keys, and so does the picture.
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;
constexpr DWORD kImage1Style = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_BITMAP;

// About stays flush with the list's left edge and Launch with its right
// edge; both keep their bottom edge.
constexpr ControlLayout kControls[] = {
    {frmModManager::kList1, WC_LISTVIEWW, L"", kList1Style, WS_EX_CLIENTEDGE, {8, 112, 433, 386}},
    {frmModManager::kCommand1,
     WC_BUTTONW,
     mods::text::kLaunchCaption.data(),
     kButtonStyle,
     0,
     {280, 392, 433, 417},
     kRight},
    {frmModManager::kCommand2,
     WC_BUTTONW,
     mods::text::kAboutCaption.data(),
     kButtonStyle,
     0,
     {8, 392, 161, 417},
     kLeft},
    {frmModManager::kImage1, WC_STATICW, L"", kImage1Style, 0, {21, 0, 421, 100}},
};

Failure failure(NativeStringView what) {
    const DWORD error = GetLastError();
    return Failure{mods::text::windowFailed(what, error ? systemMessage(error) : NativeString())};
}

}  // namespace

frmModManager::frmModManager(Platform& platform, HINSTANCE instance)
    : instance_(instance), mods_(platform), banner_(instance, IDR_BANNER) {}

Result<std::unique_ptr<frmModManager>> frmModManager::create(Platform& platform, HINSTANCE instance) {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kClassName;
    // The icon file has 16 x 16 images only; Windows stretches them where a
    // larger icon is wanted.
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    // A second window in the same process (the tests make many) reuses the class.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return failure(mods::text::kCannotRegisterWindow);
    }

    std::unique_ptr<frmModManager> window(new frmModManager(platform, instance));
    // Created at the system's default place, which picks the monitor; sized
    // and centred on that monitor once its DPI is known.
    if (!CreateWindowExW(kExStyle, kClassName, mods::text::kProgramTitle.data(), kStyle, CW_USEDEFAULT, 0,
                         kClientWidth, kClientHeight, nullptr, nullptr, instance, window.get())) {
        return failure(mods::text::kCannotCreateWindow);
    }

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window->hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const RECT frame = windowRectFor(scale(kClient, window->dpi_), kStyle, kExStyle, window->dpi_);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window->hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return Result<std::unique_ptr<frmModManager>>(std::move(window));
}

frmModManager::~frmModManager() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (font_) DeleteObject(font_);
    if (bannerBitmap_) DeleteObject(bannerBitmap_);
}

bool frmModManager::Form_Load() {
    if (!mods_.Form_Load()) return false;
    const int count = mods_.List1().count();
    SendMessageW(list1_, LVM_SETITEMCOUNT, count, 0);
    if (count > 0) select(0);
    fitColumn();
    focus_ = list1_;
    return true;
}

void frmModManager::List1_ItemCheck(int row, bool checked) {
    if (row < 0 || row >= mods_.List1().count()) return;
    mods_.setModEnabled(row, checked);
    SendMessageW(list1_, LVM_REDRAWITEMS, row, row);
    // The list view keeps no states of its own, so it cannot tell screen
    // readers that the box changed; the window does.
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, list1_, OBJID_CLIENT, row + 1);
}

void frmModManager::Command1_Click() {
    mods_.launchGame();
}

void frmModManager::Command2_Click() {
    mods_.showAbout();
}

LRESULT CALLBACK frmModManager::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<frmModManager*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<frmModManager*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    // A few messages (WM_GETMINMAXINFO) come before WM_NCCREATE.
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd_ = self->list1_ = self->command1_ = self->command2_ = self->image1_ = self->focus_ =
            nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT frmModManager::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            dpi_ = dpiOf(hwnd_);
            return createControls() ? 0 : -1;

        case WM_NOTIFY:
            return handleNotify(*reinterpret_cast<const NMHDR*>(lParam));

        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kCommand1:
                    if (HIWORD(wParam) == BN_CLICKED) Command1_Click();
                    return 0;
                case kCommand2:
                    if (HIWORD(wParam) == BN_CLICKED) Command2_Click();
                    return 0;
                case IDOK: {
                    // Enter. There is no default button, so it presses a
                    // button only when that button has the focus.
                    const HWND focus = GetFocus();
                    if (focus && (focus == command1_ || focus == command2_)) {
                        SendMessageW(focus, BM_CLICK, 0, 0);
                    }
                    return 0;
                }
                case IDCANCEL:  // Esc: there is no cancel button either
                    return 0;
            }
            break;

        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            // The controls stand on the window's white.
            SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));

        case WM_ACTIVATE:
            // The focus leaves with the window and comes back to the same
            // control; the first time that is the list.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) focus_ = focus;
            } else if (!HIWORD(wParam)) {
                SetFocus(focus_ ? focus_ : list1_);
            }
            return 0;

        case WM_SETFOCUS:
            SetFocus(focus_ ? focus_ : list1_);
            return 0;

        case WM_GETDPISCALEDSIZE: {
            // The client area keeps its size in 96-DPI pixels exactly.
            const UINT dpi = static_cast<UINT>(wParam);
            const RECT frame = windowRectFor(scale(kClient, dpi), kStyle, kExStyle, dpi);
            auto& size = *reinterpret_cast<SIZE*>(lParam);
            size = {frame.right - frame.left, frame.bottom - frame.top};
            return TRUE;
        }

        case WM_DPICHANGED: {
            // Moved to a monitor of another DPI, or its DPI changed.
            dpi_ = LOWORD(wParam);
            applyDpi();
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                         suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }

        case WM_SETTINGCHANGE:
            if (wParam == SPI_SETNONCLIENTMETRICS) applyDpi();  // the message font may have changed
            break;

        case WM_DESTROY:
            // Closing the window ends the program.
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

// The controls are made without a size; applyDpi gives them their font,
// place and size, then and whenever the DPI changes.
bool frmModManager::createControls() {
    HWND* const handles[] = {&list1_, &command1_, &command2_, &image1_};  // in kControls' order
    for (size_t i = 0; i < std::size(kControls); ++i) {
        const ControlLayout& layout = kControls[i];
        *handles[i] =
            CreateWindowExW(layout.exStyle, layout.className, layout.caption, layout.style, 0, 0, 0, 0, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance_, nullptr);
        if (!*handles[i]) return false;
    }
    SendMessageW(list1_, LVM_SETEXTENDEDLISTVIEWSTYLE, kList1ExtendedStyle, kList1ExtendedStyle);
    // The boxes' states come from the window too, like the names.
    SendMessageW(list1_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    if (SendMessageW(list1_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)) != 0) return false;
    if (!SetWindowSubclass(list1_, list1Proc, kList1Subclass, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    focus_ = list1_;
    applyDpi();
    return true;
}

void frmModManager::applyDpi() {
    setFont(createMessageFont(dpi_));

    // The banner is drawn once per DPI, at the size of its control; above 96
    // DPI from the picture drawn at twice the size, which is sharp at 192 DPI
    // and scaled down smoothly in between.
    RECT area;
    GetClientRect(image1_, &area);
    if (dpi_ > kBaseDpi && !sharpBanner_) sharpBanner_.emplace(instance_, IDR_BANNER_2X);
    const HBITMAP bitmap = (dpi_ > kBaseDpi ? *sharpBanner_ : banner_).render(area.right, area.bottom);
    SendMessageW(image1_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    if (bannerBitmap_) DeleteObject(bannerBitmap_);
    bannerBitmap_ = bitmap;
}

void frmModManager::setFont(HFONT font) {
    const HFONT previous = font_;
    font_ = font;
    for (const ControlLayout& layout : kControls) {
        SendMessageW(GetDlgItem(hwnd_, layout.id), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    if (previous) DeleteObject(previous);
    fitRowHeight();
    placeControls();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// A list view makes its rows as tall as the font or the small icons, but not
// its check boxes; an image list of icons one pixel wide and as tall as a
// row should be gives the rows their height, with some air around the box
// and the name.
void frmModManager::fitRowHeight() {
    int boxWidth = 0;
    int boxHeight = 0;
    ImageList_GetIconSize(
        reinterpret_cast<HIMAGELIST>(SendMessageW(list1_, LVM_GETIMAGELIST, LVSIL_STATE, 0)), &boxWidth,
        &boxHeight);
    const HDC dc = GetDC(list1_);
    const HGDIOBJ previousFont = SelectObject(dc, font_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previousFont);
    ReleaseDC(list1_, dc);
    const int height = std::max<int>(metrics.tmHeight, boxHeight) + scale(kRowAir, dpi_);
    const HIMAGELIST spacer = ImageList_Create(1, height, ILC_COLOR, 0, 1);
    const auto previous = reinterpret_cast<HIMAGELIST>(
        SendMessageW(list1_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(spacer)));
    if (previous) ImageList_Destroy(previous);
}

// Every control at its place for the DPI. A button whose caption does not
// fit in the font grows away from its anchored edges: up, and sideways
// towards the other button as far as that one leaves room; a caption still
// too wide for that breaks into lines. The list then ends above the taller
// button, at the usual distance.
void frmModManager::placeControls() {
    RECT places[std::size(kControls)];
    for (size_t i = 0; i < std::size(kControls); ++i) places[i] = scale(kControls[i].place, dpi_);
    RECT& list = places[0];
    const int gap = places[1].top - list.bottom;
    const int room = list.right - list.left - gap;  // for both buttons side by side
    const int marginX = scale(kButtonMarginX, dpi_);
    const int marginY = scale(kButtonMarginY, dpi_);

    // The caption's size as the button measures it in its font: on one line,
    // or broken into lines `width` wide (the button is left so).
    const auto captionSize = [](HWND button, int width) {
        const LONG style = GetWindowLongW(button, GWL_STYLE);
        SetWindowLongW(button, GWL_STYLE, width ? style | BS_MULTILINE : style & ~BS_MULTILINE);
        SIZE size{width, 0};
        SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&size));
        return size;
    };
    int wanted[std::size(kControls)] = {};  // each button's width with its caption on one line
    int wantedByButtons = 0;
    for (size_t i = 0; i < std::size(kControls); ++i) {
        if (kControls[i].anchor == kFixed) continue;
        wanted[i] = std::max<int>(places[i].right - places[i].left,
                                  captionSize(GetDlgItem(hwnd_, kControls[i].id), 0).cx + 2 * marginX);
        wantedByButtons += wanted[i];
    }
    for (size_t i = 0; i < std::size(kControls); ++i) {
        const Anchor anchor = kControls[i].anchor;
        if (anchor == kFixed) continue;
        RECT& place = places[i];
        // The other button keeps what it wants, up to half the room.
        const int others = std::min(wantedByButtons - wanted[i], room - room / 2);
        const int width = std::max<int>(place.right - place.left, std::min(wanted[i], room - others));
        const SIZE caption =
            captionSize(GetDlgItem(hwnd_, kControls[i].id), width < wanted[i] ? width - 2 * marginX : 0);
        const int height = std::max<int>(place.bottom - place.top, caption.cy + 2 * marginY);
        if (anchor == kLeft) {
            place.right = place.left + width;
        } else {
            place.left = place.right - width;
        }
        place.top = place.bottom - height;
        list.bottom = std::min<LONG>(list.bottom, place.top - gap);
    }

    for (size_t i = 0; i < std::size(kControls); ++i) {
        const RECT& place = places[i];
        SetWindowPos(GetDlgItem(hwnd_, kControls[i].id), nullptr, place.left, place.top,
                     place.right - place.left, place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    fitColumn();
}

// The one column spans the list's client area, whether or not the scroll
// bar is shown, so there is never a horizontal one.
void frmModManager::fitColumn() {
    RECT client;
    GetClientRect(list1_, &client);
    SendMessageW(list1_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(client.right, 0));
}

LRESULT frmModManager::handleNotify(const NMHDR& header) {
    if (header.hwndFrom != list1_) return 0;
    const mods::ModList& list = mods_.List1();
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            // The list view asks for a row it paints, or for another program.
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
            if (item.iItem < 0 || item.iItem >= list.count()) return 0;
            if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
                const NativeString name = mods::text::rowText(list.text(item.iItem));
                const size_t length = std::min<size_t>(name.size(), static_cast<size_t>(item.cchTextMax) - 1);
                std::copy_n(name.data(), length, item.pszText);
                item.pszText[length] = L'\0';
            }
            if (item.mask & LVIF_IMAGE) item.iImage = I_IMAGENONE;  // the small images only set the height
            if (item.mask & LVIF_STATE) {
                item.state = (item.state & ~LVIS_STATEIMAGEMASK) |
                             INDEXTOSTATEIMAGEMASK(list.checked(item.iItem) ? kChecked : kUnchecked);
                item.stateMask |= LVIS_STATEIMAGEMASK;
            }
            return 0;
        }

        case LVN_ODFINDITEMW:
            return findRow(*reinterpret_cast<const NMLVFINDITEMW*>(&header));

        // The list view keeps no boxes of its own, so a click or Space
        // changes one only through the core. A click counts on the box the
        // button went down on (Wine reports a press on a name that ends on a
        // box as a click there), and also makes its row current; each click
        // of a double click counts.
        case NM_CLICK:
        case NM_DBLCLK: {
            LVHITTESTINFO hit{};
            hit.pt = pressedAt_;
            SendMessageW(list1_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.iItem < 0 || (hit.flags & LVHT_ONITEM) != LVHT_ONITEMSTATEICON) return 0;
            SetFocus(list1_);
            select(hit.iItem);
            toggle(hit.iItem);
            return 0;
        }

        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_SPACE) toggle(currentRow());
            return 0;
    }
    return 0;
}

// Finds a row for the list view's typing search (LVFI_PARTIAL, from the row
// after the current one, wrapping) and for LVM_FINDITEM (the whole text
// without LVFI_PARTIAL; past the last row only with LVFI_WRAP), by the
// core's rule.
int frmModManager::findRow(const NMLVFINDITEMW& find) const {
    const UINT flags = find.lvfi.flags;
    if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
    const int count = mods_.List1().count();
    const int start = find.iStart >= 0 && find.iStart < count ? find.iStart : 0;
    const int row = mods_.findRow(
        find.lvfi.psz, start,
        (flags & LVFI_PARTIAL) ? mods::ModFolders::Match::Start : mods::ModFolders::Match::Whole);
    return (flags & LVFI_WRAP) || row >= start ? row : -1;
}

int frmModManager::currentRow() const {
    return static_cast<int>(SendMessageW(list1_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void frmModManager::select(int row) {
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list1_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageW(list1_, LVM_SETSELECTIONMARK, 0, row);
    SendMessageW(list1_, LVM_ENSUREVISIBLE, row, FALSE);
}

void frmModManager::toggle(int row) {
    if (row < 0 || row >= mods_.List1().count()) return;
    List1_ItemCheck(row, !mods_.List1().checked(row));
}

void frmModManager::setStateImage(int row, UINT state) {
    const UINT image = (state & LVIS_STATEIMAGEMASK) >> 12;
    // Row -1 would mean every row: no program renames all mods at once.
    if (row >= 0 && (image == kChecked || image == kUnchecked)) List1_ItemCheck(row, image == kChecked);
}

LRESULT CALLBACK frmModManager::list1Proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, list1Proc, kList1Subclass);
        return DefSubclassProc(list, message, wParam, lParam);
    }
    return reinterpret_cast<frmModManager*>(self)->handleList1(message, wParam, lParam);
}

// What the list view does not do itself for rows it does not keep: Space
// held down changes a box once, not back and forth, and finds no row; and
// another program setting a row's state image (as screen readers do) sets
// the box through the core. A list view may also apply its own toggle of a
// box it is clicked on or pressed Space on by setting the state image with
// its own message: while it handles a press, that copy of the change the
// window makes (NM_CLICK, LVN_KEYDOWN) is not counted again. Where the left
// button went down is kept for the click.
LRESULT frmModManager::handleList1(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto pressed = [&] {
        const bool outer = std::exchange(handlingPress_, true);
        const LRESULT result = DefSubclassProc(list1_, message, wParam, lParam);
        handlingPress_ = outer;
        return result;
    };
    switch (message) {
        case WM_KEYDOWN:
            if (wParam != VK_SPACE) break;
            if (lParam & (1 << 30)) return 0;  // a repeat
            return pressed();

        case WM_CHAR:
            if (wParam == L' ') return 0;
            break;

        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            pressedAt_ = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            return pressed();

        case LVM_SETITEMSTATE:
        case LVM_SETITEMW: {
            auto* item = reinterpret_cast<LVITEMW*>(lParam);
            if (!item || !(item->stateMask & LVIS_STATEIMAGEMASK) ||
                (message == LVM_SETITEMW && !(item->mask & LVIF_STATE))) {
                break;
            }
            if (!handlingPress_) {
                setStateImage(message == LVM_SETITEMSTATE ? static_cast<int>(wParam) : item->iItem,
                              item->state);
            }
            // The rest of the change (selection, focus) is the list view's.
            LVITEMW rest = *item;
            rest.stateMask &= ~LVIS_STATEIMAGEMASK;
            if (!rest.stateMask && message == LVM_SETITEMSTATE) return TRUE;
            return DefSubclassProc(list1_, message, wParam, reinterpret_cast<LPARAM>(&rest));
        }

        case WM_SIZE: {
            // The scroll bar came or went.
            const LRESULT result = DefSubclassProc(list1_, message, wParam, lParam);
            fitColumn();
            return result;
        }
    }
    return DefSubclassProc(list1_, message, wParam, lParam);
}

}  // namespace vx::win32
