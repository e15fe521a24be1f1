// Sizes for the DPI of the monitor a window is on.
//
// The program declares itself per-monitor DPI aware, so Windows does not
// stretch its bitmap; it lays itself out from 96-DPI pixels instead. The
// calls that report a window's own DPI came with Windows 10 and are looked up
// at run time; older systems get the system DPI, which is the only one they
// have for the program.
#pragma once

#include <windows.h>

namespace vx::win32 {

inline constexpr UINT kBaseDpi = 96;

// The DPI `window` is shown at.
UINT dpiOf(HWND window);

// `pixels` at 96 DPI, in pixels at `dpi`.
inline int scale(int pixels, UINT dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(kBaseDpi));
}

// A rectangle given in 96-DPI pixels, at `dpi`.
RECT scale(const RECT& rect, UINT dpi);

// The window rectangle that has `client` as its client area, for a window of
// these styles without a menu, at `dpi`.
RECT windowRectFor(const RECT& client, DWORD style, DWORD exStyle, UINT dpi);

// The system's message font (the one message boxes use) at `dpi`. The caller
// deletes it.
HFONT createMessageFont(UINT dpi);

}  // namespace vx::win32
