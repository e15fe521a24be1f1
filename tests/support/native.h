// Names in tests are written once, in UTF-8, whatever the system's native
// form: N() turns them into native names for the platform, U() turns native
// names back into UTF-8 for comparing and printing.
#pragma once

#include "platform/platform.h"

#include <string>
#include <string_view>

namespace vx::testing {

// The path separator, as the platform's paths have it.
#ifdef _WIN32
inline constexpr char kSep = '\\';
#else
inline constexpr char kSep = '/';
#endif

// UTF-8 to the native form: the same bytes on POSIX, UTF-16 on Windows
// (where invalid UTF-8 becomes U+FFFD).
NativeString N(std::string_view utf8);

// The native form to UTF-8: the same bytes on POSIX; on Windows, UTF-16
// converted, an unpaired surrogate becoming U+FFFD.
std::string U(NativeStringView native);

// Sets an environment variable of this process, which the programs it starts
// inherit.
void setEnvironment(const char* name, const char* value);

}  // namespace vx::testing
