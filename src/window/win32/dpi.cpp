#include "window/win32/dpi.h"

#include "window/win32/system_dll.h"

namespace vx::win32 {
namespace {

// Functions of user32 that older Windows lacks.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

UINT screenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

}  // namespace

UINT dpiOf(HWND window) {
    static const auto getDpiForWindow = systemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window)) return dpi;
    }
    return screenDpi();
}

RECT scale(const RECT& rect, UINT dpi) {
    // Edges are scaled, not sizes, so neighbouring controls stay flush.
    return {scale(rect.left, dpi), scale(rect.top, dpi), scale(rect.right, dpi), scale(rect.bottom, dpi)};
}

RECT windowRectFor(const RECT& client, DWORD style, DWORD exStyle, UINT dpi) {
    static const auto adjustForDpi =
        systemFunction<AdjustWindowRectExForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT rect = client;
    if (adjustForDpi) {
        adjustForDpi(&rect, style, FALSE, exStyle, dpi);
    } else {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return rect;
}

HFONT createMessageFont(UINT dpi) {
    static const auto parametersForDpi =
        systemFunction<SystemParametersInfoForDpiFn>(L"user32.dll", "SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (parametersForDpi && parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        return CreateFontIndirectW(&metrics.lfMessageFont);
    }
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        // The system's font is sized for the system DPI.
        LOGFONTW font = metrics.lfMessageFont;
        font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(screenDpi()));
        return CreateFontIndirectW(&font);
    }
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace vx::win32
