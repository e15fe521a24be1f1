#include "window/win32/banner.h"

#include "window/win32/system_dll.h"

#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

namespace vx::win32 {
namespace {

// OLE's functions are looked up when the banner is made, not imported: under
// Wine every DLL the program file imports, and every DLL those import, costs
// a search of the program's folder (the game's, with all its mods) before
// the program starts, while loadSystemDll goes to the system directory alone.
using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
using CoUninitializeFn = void(WINAPI*)();
using CreateStreamOnHGlobalFn = HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**);
using OleLoadPictureFn = HRESULT(WINAPI*)(IStream*, LONG, BOOL, REFIID, void**);

// The resource's bytes in a stream of their own; null when there are none.
IStream* streamOfResource(HMODULE module, int id) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!found) return nullptr;
    const DWORD size = SizeofResource(module, found);
    const HGLOBAL resource = LoadResource(module, found);
    const void* bytes = resource ? LockResource(resource) : nullptr;
    const auto createStream = systemFunction<CreateStreamOnHGlobalFn>(L"ole32.dll", "CreateStreamOnHGlobal");
    IStream* stream = nullptr;
    if (!bytes || size == 0 || !createStream || FAILED(createStream(nullptr, TRUE, &stream))) return nullptr;
    // The picture is read from where the stream stands: its start.
    if (FAILED(stream->Write(bytes, size, nullptr)) || FAILED(stream->Seek({}, STREAM_SEEK_SET, nullptr))) {
        stream->Release();
        return nullptr;
    }
    return stream;
}

}  // namespace

// OLE may hand GIF decoding to a COM object (Wine does), so COM runs on this
// thread while the picture is loaded.
Banner::Banner(HMODULE module, int id) {
    const auto initialize = systemFunction<CoInitializeExFn>(L"ole32.dll", "CoInitializeEx");
    const auto uninitialize = systemFunction<CoUninitializeFn>(L"ole32.dll", "CoUninitialize");
    const bool started =
        initialize && uninitialize && SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
    const auto loadPicture = systemFunction<OleLoadPictureFn>(L"oleaut32.dll", "OleLoadPicture");
    if (IStream* stream = loadPicture ? streamOfResource(module, id) : nullptr) {
        void* picture = nullptr;
        if (SUCCEEDED(loadPicture(stream, 0, FALSE, IID_IPicture, &picture)))
            picture_ = static_cast<IPicture*>(picture);
        stream->Release();
    }
    if (started) uninitialize();
}

Banner::~Banner() {
    if (picture_) picture_->Release();
}

HBITMAP Banner::render(int width, int height) const {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;

    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (picture_) {
        OLE_XSIZE_HIMETRIC pictureWidth = 0;
        OLE_YSIZE_HIMETRIC pictureHeight = 0;
        picture_->get_Width(&pictureWidth);
        picture_->get_Height(&pictureHeight);
        // Smooth scaling when the monitor's DPI makes it larger.
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        // The source is given in HIMETRIC units, bottom-up.
        picture_->Render(dc, 0, 0, width, height, 0, pictureHeight, pictureWidth, -pictureHeight, nullptr);
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    return bitmap;
}

}  // namespace vx::win32
