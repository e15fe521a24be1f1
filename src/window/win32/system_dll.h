// DLLs that the program loads while it runs.
//
// The loader looks for a DLL named without a path in the program's own
// folder first. Here that is the game's folder, which holds whatever players
// unpack into it, so a DLL found there would run inside this program. The
// DLLs that every Windows takes from the system in any case (kernel32,
// user32, gdi32, msvcrt, ole32, oleaut32, advapi32, shell32, and comctl32
// through the manifest) may be imported by the program file; every other one
// is loaded here, from the system directory only, when first needed.
#pragma once

#include <windows.h>

namespace vx::win32 {

// The system DLL `name` ("uxtheme.dll"), loaded from the system directory
// only; null when it is not there. A DLL the manifest redirects (comctl32)
// still comes from the system's side-by-side store.
HMODULE loadSystemDll(const wchar_t* name);

// The function `name` of the system DLL `dll`, or null when either is missing
// (a function that older Windows lacks). A DLL the program already has, such
// as kernel32 or user32, is the one it gets.
template <class Function>
Function systemFunction(const wchar_t* dll, const char* name) {
    const HMODULE module = loadSystemDll(dll);
    if (!module) return nullptr;
    // Through void (*)(): the one function pointer type every other converts
    // to without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace vx::win32
