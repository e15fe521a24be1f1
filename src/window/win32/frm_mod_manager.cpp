#include "window/win32/frm_mod_manager.h"

#include "mods/commands.h"
#include "platform/win32/win32_platform.h"
#include "window/win32/dpi.h"

#include <resource_ids.h>

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>

namespace vx::win32 {
namespace {

constexpr wchar_t kClassName[] = L"deDidAzorovo.frmModManager";
constexpr wchar_t kCaption[] = L"deDidAzorovo";

// A fixed single-line frame with a title bar, the system menu and the close
// button; no sizing border, no minimize or maximize button. Children are
// reached with Tab through IsDialogMessageW.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

constexpr RECT kClient{0, 0, frmModManager::kClientWidth, frmModManager::kClientHeight};

// The check box drawn at the start of each row, in 96-DPI pixels.
constexpr int kBoxSize = 13;
constexpr int kBoxIndent = 3;
constexpr int kTextGap = 4;

constexpr UINT_PTR kList1Subclass = 1;

// The controls in creation order, which is also the Tab order; positions in
// 96-DPI pixels as left, top, right, bottom.
struct ControlLayout {
    int id;
    const wchar_t* className;
    const wchar_t* caption;
    DWORD style;
    DWORD exStyle;
    RECT place;
};

// The list keeps no rows of its own (LBS_NODATA): it has a count, and the
// window draws each visible row from the core's list.
constexpr DWORD kList1Style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NODATA |
                              LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
// Plain push buttons: neither is ever the default button. Each starts a
// group of its own for the arrow keys, and so does the picture.
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;
constexpr DWORD kImage1Style = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_BITMAP;

constexpr ControlLayout kControls[] = {
    {frmModManager::kList1, WC_LISTBOXW, L"", kList1Style, WS_EX_CLIENTEDGE, {8, 112, 433, 386}},
    {frmModManager::kCommand1, WC_BUTTONW, L"&Launch Vexmoor", kButtonStyle, 0, {280, 392, 433, 417}},
    {frmModManager::kCommand2, WC_BUTTONW, L"&About...", kButtonStyle, 0, {8, 392, 161, 417}},
    {frmModManager::kImage1, WC_STATICW, L"", kImage1Style, 0, {21, 0, 421, 100}},
};

Failure failure(const wchar_t* what) {
    const DWORD error = GetLastError();
    return Failure{error ? NativeString(what) + L":\r\n" + systemMessage(error) : NativeString(what) + L"."};
}

}  // namespace

frmModManager::frmModManager(Platform& platform, HINSTANCE instance)
    : platform_(platform), instance_(instance), mods_(platform), banner_(instance, IDR_BANNER) {}

Result<std::unique_ptr<frmModManager>> frmModManager::create(Platform& platform, HINSTANCE instance) {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
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
        return failure(L"Cannot register the main window's class");
    }

    std::unique_ptr<frmModManager> window(new frmModManager(platform, instance));
    // Created at the system's default place, which picks the monitor; sized
    // and centred on that monitor once its DPI is known.
    if (!CreateWindowExW(kExStyle, kClassName, kCaption, kStyle, CW_USEDEFAULT, 0, kClientWidth,
                         kClientHeight, nullptr, nullptr, instance, window.get())) {
        return failure(L"Cannot create the main window");
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
    closeTheme(buttonTheme_);
}

bool frmModManager::Form_Load() {
    if (!mods_.Form_Load()) return false;
    const int count = mods_.List1().count();
    SendMessageW(list1_, LB_SETCOUNT, count, 0);
    if (count > 0) SendMessageW(list1_, LB_SETCURSEL, 0, 0);
    focus_ = list1_;
    return true;
}

void frmModManager::List1_ItemCheck(int row, bool checked) {
    if (row < 0 || row >= mods_.List1().count()) return;
    mods_.setModEnabled(row, checked);
    RECT place;
    if (SendMessageW(list1_, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&place)) != LB_ERR) {
        InvalidateRect(list1_, &place, FALSE);
    }
}

void frmModManager::Command1_Click() {
    mods::launchGame(platform_, mods_.gamePath());
}

void frmModManager::Command2_Click() {
    mods::showAbout(platform_);
}

RECT frmModManager::checkBoxRect(const RECT& row) const {
    const int size = scale(kBoxSize, dpi_);
    const int left = row.left + scale(kBoxIndent, dpi_);
    const int top = row.top + (row.bottom - row.top - size) / 2;
    return {left, top, left + size, top + size};
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

        case WM_MEASUREITEM: {
            auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (item.CtlID != kList1) break;
            item.itemHeight = static_cast<UINT>(rowHeight());
            return TRUE;
        }

        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlID != kList1) break;
            drawRow(item);
            return TRUE;
        }

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

        case WM_THEMECHANGED:
            closeTheme(buttonTheme_);
            buttonTheme_ = openTheme(list1_, L"BUTTON", dpi_);
            InvalidateRect(list1_, nullptr, TRUE);
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
    if (!SetWindowSubclass(list1_, list1Proc, kList1Subclass, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    focus_ = list1_;
    applyDpi();
    return true;
}

void frmModManager::applyDpi() {
    const HFONT previousFont = font_;
    font_ = createMessageFont(dpi_);
    for (const ControlLayout& layout : kControls) {
        const HWND control = GetDlgItem(hwnd_, layout.id);
        const RECT place = scale(layout.place, dpi_);
        SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    }
    if (previousFont) DeleteObject(previousFont);

    SendMessageW(list1_, LB_SETITEMHEIGHT, 0, rowHeight());
    closeTheme(buttonTheme_);
    buttonTheme_ = openTheme(list1_, L"BUTTON", dpi_);

    // The banner is drawn once per DPI, at the size of its control.
    RECT area;
    GetClientRect(image1_, &area);
    const HBITMAP bitmap = banner_.render(area.right, area.bottom);
    SendMessageW(image1_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    if (bannerBitmap_) DeleteObject(bannerBitmap_);
    bannerBitmap_ = bitmap;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

int frmModManager::rowHeight() const {
    const HDC dc = GetDC(hwnd_);
    const HGDIOBJ previous = SelectObject(dc, font_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(hwnd_, dc);
    return std::max<int>(metrics.tmHeight, scale(kBoxSize, dpi_)) + scale(4, dpi_);
}

void frmModManager::drawRow(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    const RECT& rect = item.rcItem;
    const mods::ModList& list = mods_.List1();
    // itemID is -1 when an empty list gets the focus.
    if (item.itemID >= static_cast<UINT>(list.count())) {
        FillRect(dc, &rect, GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    const int row = static_cast<int>(item.itemID);
    const bool selected = item.itemState & ODS_SELECTED;
    const bool checked = list.checked(row);

    FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    RECT box = checkBoxRect(rect);
    if (!drawThemeBackground(buttonTheme_, dc, BP_CHECKBOX, checked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL,
                             box)) {
        DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0));
    }

    RECT text = rect;
    text.left = box.right + scale(kTextGap, dpi_);
    text.right -= scale(kTextGap, dpi_);
    const HGDIOBJ previousFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const NativeString& name = list.text(row);
    DrawTextW(dc, name.data(), static_cast<int>(name.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, previousFont);

    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &rect);
}

int frmModManager::checkBoxAt(POINT point) const {
    const LRESULT hit = SendMessageW(list1_, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    if (HIWORD(hit) != 0) return -1;  // below the last row, or outside the list
    const int row = LOWORD(hit);
    RECT place;
    if (row >= mods_.List1().count() ||
        SendMessageW(list1_, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&place)) == LB_ERR) {
        return -1;
    }
    // A little room around the box, so a click on its edge counts.
    RECT box = checkBoxRect(place);
    InflateRect(&box, scale(2, dpi_), scale(2, dpi_));
    return PtInRect(&box, point) ? row : -1;
}

void frmModManager::toggle(int row) {
    if (row < 0 || row >= mods_.List1().count()) return;
    List1_ItemCheck(row, !mods_.List1().checked(row));
}

// A list box that holds its strings finds rows by their first letters as
// they are typed; this one holds none, so the window does it: typing moves
// to the next row whose name starts with what was typed within the last
// second, ignoring case.
void frmModManager::typeAhead(wchar_t typed) {
    const DWORD now = GetTickCount();
    if (now - lastTyped_ > 1000) typed_.clear();
    lastTyped_ = now;
    typed_ += typed;

    const mods::ModList& list = mods_.List1();
    const int count = list.count();
    if (count == 0) return;
    const NativeString prefix = platform_.lower(typed_);
    const int current = std::max(0, static_cast<int>(SendMessageW(list1_, LB_GETCARETINDEX, 0, 0)));
    // A new search starts after the current row; a longer one may stay on it.
    const int first = typed_.size() == 1 ? current + 1 : current;
    NativeString lowered;
    for (int i = 0; i < count; ++i) {
        const int row = (first + i) % count;
        lowered.clear();
        platform_.appendLower(NativeStringView(list.text(row)).substr(0, typed_.size()), lowered);
        if (lowered == prefix) {
            SendMessageW(list1_, LB_SETCURSEL, row, 0);
            return;
        }
    }
}

LRESULT CALLBACK frmModManager::list1Proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, list1Proc, kList1Subclass);
        return DefSubclassProc(list, message, wParam, lParam);
    }
    return reinterpret_cast<frmModManager*>(self)->handleList1(message, wParam, lParam);
}

// The list box selects rows by itself; on top of that, Space on the current
// row and a click on a row's check box toggle that row.
LRESULT frmModManager::handleList1(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam != VK_SPACE) break;
            // Once per press: holding the key down does not flip the mod back and forth.
            if (!(lParam & (1 << 30))) toggle(static_cast<int>(SendMessageW(list1_, LB_GETCARETINDEX, 0, 0)));
            return 0;

        case WM_CHAR:
            if (wParam == L' ') return 0;  // handled as a key above
            if (wParam > L' ') {
                typeAhead(static_cast<wchar_t>(wParam));
                return 0;
            }
            break;

        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            // Selects the row and takes the focus, as usual; a press on the box
            // is remembered, and toggles when released over the same box.
            const LRESULT result = DefSubclassProc(list1_, message, wParam, lParam);
            pressedBox_ = checkBoxAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return result;
        }

        case WM_LBUTTONUP: {
            const LRESULT result = DefSubclassProc(list1_, message, wParam, lParam);
            const int pressed = pressedBox_;
            pressedBox_ = -1;
            if (pressed >= 0 && checkBoxAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) == pressed) {
                toggle(pressed);
            }
            return result;
        }
    }
    return DefSubclassProc(list1_, message, wParam, lParam);
}

}  // namespace vx::win32
