// The banner above the mod list: a GIF picture in the program's resources,
// decoded by OLE's picture object, which every Windows version ships.
#pragma once

#include <windows.h>

struct IPicture;

namespace vx::win32 {

class Banner {
public:
    // Decodes the RCDATA resource `id` of `module`. An empty banner (no
    // resource, or one that is not a picture) renders as plain white.
    Banner(HMODULE module, int id);
    ~Banner();
    Banner(const Banner&) = delete;
    Banner& operator=(const Banner&) = delete;

    // A new 24-bit bitmap of `width` x `height` pixels with the picture
    // stretched over it, white where the picture is transparent. The caller
    // deletes it.
    [[nodiscard]] HBITMAP render(int width, int height) const;

private:
    IPicture* picture_ = nullptr;
};

}  // namespace vx::win32
