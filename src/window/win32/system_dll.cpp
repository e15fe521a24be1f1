#include "window/win32/system_dll.h"

#include <string>

namespace vx::win32 {

// LOAD_LIBRARY_SEARCH_SYSTEM32 came with Windows 8 and with the 2011 loader
// update of Windows 7 and Vista; without it the call fails with
// ERROR_INVALID_PARAMETER, and the full path into the system directory is
// given instead, which no search can lead elsewhere.
HMODULE loadSystemDll(const wchar_t* name) {
    if (const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t directory[MAX_PATH];
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(directory, length);
    path += L'\\';
    path += name;
    // Its own imports are looked for beside it, in the system directory.
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace vx::win32
