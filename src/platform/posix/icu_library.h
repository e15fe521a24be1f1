// The system's ICU, found and bound while the program runs.
//
// ICU gives its libraries a new file name with every release
// (libicuuc.so.76) and its functions that release's suffix (u_tolower_76),
// so a program linked against one release starts only where that very
// release is installed. Instead the program is linked against no ICU: it
// looks for the libraries in the system's library directories, loads the
// highest release present that holds every function it uses, and binds each
// function by its suffixed name. The headers are used for the types only
// (the build defines U_DISABLE_RENAMING, so they name no release).
#pragma once

#include "platform/platform.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uloc.h>
#include <unicode/uset.h>

#include <span>
#include <string>
#include <vector>

namespace vx::posix {

// Every ICU function the backend calls.
#define VX_ICU_FUNCTIONS(X) \
    X(u_tolower)            \
    X(uloc_getDefault)      \
    X(ucol_open)            \
    X(ucol_close)           \
    X(ucol_setStrength)     \
    X(ucol_setAttribute)    \
    X(ucol_getAttribute)    \
    X(ucol_getTailoredSet)  \
    X(ucol_strcoll)         \
    X(ucol_getSortKey)      \
    X(ucol_openElements)    \
    X(ucol_closeElements)   \
    X(ucol_setText)         \
    X(ucol_next)            \
    X(uset_getItemCount)    \
    X(uset_getItem)         \
    X(uset_close)

struct IcuFunctions {
#define VX_ICU_POINTER(name) decltype(&::name) name = nullptr;
    VX_ICU_FUNCTIONS(VX_ICU_POINTER)
#undef VX_ICU_POINTER
};

// One release of ICU, loaded with all of IcuFunctions bound. Its libraries
// stay loaded while the process runs.
struct IcuLibrary {
    int version = 0;        // the release, 76 for libicuuc.so.76
    std::string directory;  // where its libraries were found
    IcuFunctions functions;
    void* common = nullptr;  // libicuuc
    void* i18n = nullptr;    // libicui18n

    // The function `name` ("u_charType") of this release, or null.
    [[nodiscard]] void* symbol(const char* name) const;
    template <class Function>
    [[nodiscard]] Function function(const char* name) const {
        return reinterpret_cast<Function>(symbol(name));
    }
};

// Looks in `directories` for the files libicuuc.so.N and loads the highest
// release N whose libicuuc.so.N and libicui18n.so.N, side by side, load and
// hold every function of IcuFunctions; any other is passed over. The
// failure's reason is the loader's message about the highest release passed
// over, empty when no libicuuc.so.N was there at all.
Result<IcuLibrary> loadIcu(std::span<const std::string> directories);

// The directories the system keeps its libraries in, each once and only
// those that exist: the absolute ones of LD_LIBRARY_PATH, the one the C
// library was loaded from, and the usual ones.
std::vector<std::string> systemLibraryDirectories();

// The system's ICU, looked for in systemLibraryDirectories() on first use.
const Result<IcuLibrary>& systemIcu();

}  // namespace vx::posix
