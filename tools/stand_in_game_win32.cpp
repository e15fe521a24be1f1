// Stand-in for the game's program file on Windows, built as "Vexmoor.exe". It does what the real game does at
// startup as far as mods are concerned: it loads every subfolder of its own directory whose name ends in
// ".rte" (any letter case), except the game's own data folder "base.rte". It writes the names it loaded to
// "Vexmoor.loaded-mods.txt" beside itself, in UTF-8, one per line, sorted bytewise, so a demo or an
// end-to-end test can check what the mod manager left behind; the exit status is 2 when base.rte is missing.
// Then it shows them in a small window with a Quit button, unless VEXMOOR_STAND_IN_HEADLESS is set to
// anything non-empty: tests set it, and the games they start inherit it and leave as soon as the report is
// written.
//
// It deliberately shares no code with the mod manager, so it is an independent check of the folder names.

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const wchar_t* kReportName = L"Vexmoor.loaded-mods.txt";
constexpr const wchar_t* kTitle = L"Vexmoor (stand-in)";

bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    auto lower = [](wchar_t c) {
        return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](wchar_t x, wchar_t y) { return lower(x) == lower(y); });
}

bool isBaseData(std::wstring_view name) {
    return equalsIgnoringAsciiCase(name, L"base.rte");
}

bool isLoadedMod(std::wstring_view name) {
    return name.size() >= 4 && equalsIgnoringAsciiCase(name.substr(name.size() - 4), L".rte") &&
           !isBaseData(name);
}

// `directory` + "\" + `name`, without doubling the backslash of a drive root.
std::wstring join(const std::wstring& directory, std::wstring_view name) {
    std::wstring path = directory;
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path.append(name);
}

// The directory the program file lives in, independent of the working directory; a drive root keeps its
// backslash.
std::wstring ownDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t backslash = path.rfind(L'\\');
    if (backslash == std::wstring::npos) return {};
    path.resize(backslash > 0 && path[backslash - 1] == L':' ? backslash + 1 : backslash);
    return path;
}

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

struct Scan {
    std::vector<std::string> mods;  // UTF-8
    std::vector<std::wstring> shown;
    bool baseFound = false;
};

Scan scanGameDirectory(const std::wstring& directory) {
    Scan scan;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(join(directory, L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return scan;  // nothing loaded, and base.rte counts as missing
    do {
        const std::wstring_view name = entry.cFileName;
        if (name == L"." || name == L".." || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            continue;
        if (isBaseData(name)) scan.baseFound = true;
        if (isLoadedMod(name)) scan.mods.push_back(toUtf8(name));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    std::sort(scan.mods.begin(), scan.mods.end());  // std::string compares bytes as unsigned char
    for (const std::string& mod : scan.mods) {
        const int size =
            MultiByteToWideChar(CP_UTF8, 0, mod.data(), static_cast<int>(mod.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(size), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, mod.data(), static_cast<int>(mod.size()), wide.data(), size);
        scan.shown.push_back(std::move(wide));
    }
    return scan;
}

// Writes the report to a temporary file and moves it over the old one, so a reader never sees half of it.
bool writeReport(const std::wstring& directory, const std::vector<std::string>& mods) {
    const std::wstring final = join(directory, kReportName);
    const std::wstring temp = final + L".tmp." + std::to_wstring(GetCurrentProcessId());
    HANDLE file =
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string text;
    for (const std::string& mod : mods) text.append(mod).append("\n");
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    if (!CloseHandle(file) || !ok ||
        !MoveFileExW(temp.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

bool headless() {
    wchar_t value[2];
    return GetEnvironmentVariableW(L"VEXMOOR_STAND_IN_HEADLESS", value, 2) > 0;
}

// --- the window ------------------------------------------------------------------------------------------

constexpr int kListId = 100;
constexpr int kMargin = 8;
constexpr int kLineHeight = 20;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;

struct Window {
    HWND summary = nullptr;
    HWND list = nullptr;
    HWND quit = nullptr;
};

Window window;

void layOut(HWND frame) {
    RECT client;
    GetClientRect(frame, &client);
    const int width = client.right - kMargin * 2;
    const int listTop = kMargin + kLineHeight;
    const int buttonTop = client.bottom - kMargin - kButtonHeight;
    MoveWindow(window.summary, kMargin, kMargin, width, kLineHeight, TRUE);
    MoveWindow(window.list, kMargin, listTop, width, std::max(0, buttonTop - kMargin - listTop), TRUE);
    MoveWindow(window.quit, client.right - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight,
               TRUE);
}

LRESULT CALLBACK windowProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            layOut(frame);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) DestroyWindow(frame);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(frame, message, wParam, lParam);
    }
}

int showWindow(HINSTANCE instance, int show, const std::vector<std::wstring>& mods) {
    WNDCLASSEXW frameClass{};
    frameClass.cbSize = sizeof frameClass;
    frameClass.lpfnWndProc = windowProc;
    frameClass.hInstance = instance;
    frameClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    frameClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = L"VexmoorStandIn";
    if (!RegisterClassExW(&frameClass)) return 0;

    HWND frame = CreateWindowExW(0, frameClass.lpszClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 360, 280, nullptr, nullptr, instance, nullptr);
    if (!frame) return 0;  // nobody could see it
    const std::wstring summary =
        std::to_wstring(mods.size()) + (mods.size() == 1 ? L" mod loaded" : L" mods loaded");
    window.summary = CreateWindowExW(0, L"STATIC", summary.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame,
                                     nullptr, instance, nullptr);
    window.list =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0,
                        frame, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance, nullptr);
    window.quit =
        CreateWindowExW(0, L"BUTTON", L"Quit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0,
                        0, frame, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    for (HWND control : {window.summary, window.list, window.quit})
        SendMessageW(control, WM_SETFONT, font, FALSE);
    for (const std::wstring& mod : mods) {
        SendMessageW(window.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mod.c_str()));
    }
    layOut(frame);
    ShowWindow(frame, show);
    SetFocus(window.quit);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(frame, &message)) continue;  // Tab, Enter and Escape
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const std::wstring directory = ownDirectory();
    if (directory.empty()) return 1;
    const Scan scan = scanGameDirectory(directory);
    if (!writeReport(directory, scan.mods)) return 1;
    if (!scan.baseFound) return 2;
    if (headless()) return 0;
    return showWindow(instance, show, scan.shown);
}
