// deDidAzorovo for Windows: copy the program into Vexmoor's main directory
// and start it there.
#include "mods/texts.h"
#include "platform/win32/win32_platform.h"
#include "window/win32/frm_mod_manager.h"
#include "window/win32/system_dll.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // DLLs that are loaded while the program runs come from the system
    // directory only, never from the program's own directory: that is the
    // game's folder, which holds whatever players unpack into it. (Under Wine
    // every lookup there also costs a scan of all the mod folders.) Windows 7
    // without its 2011 loader update lacks the call and keeps the classic
    // search order.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto set =
        vx::win32::systemFunction<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);

    vx::win32::Win32Platform platform;
    auto created = vx::win32::frmModManager::create(platform, instance);
    if (!created.ok()) {
        platform.messageBox(created.failure().reason, vx::MessageKind::Warning,
                            std::wstring(vx::mods::text::kErrorTitle));
        return 1;
    }
    const std::unique_ptr<vx::win32::frmModManager> window = std::move(created).value();

    // The scan runs before the window is first shown; a fatal finding ends
    // the process inside it.
    if (!window->Form_Load()) return 1;
    const HWND hwnd = window->hwnd();
    platform.setOwner(hwnd);
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    // IsDialogMessageW gives the window Tab, Shift+Tab and the buttons'
    // access keys, as in a dialog box.
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (!IsDialogMessageW(hwnd, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}
