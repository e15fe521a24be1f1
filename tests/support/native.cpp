#include "support/native.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vx::testing {

#ifdef _WIN32

NativeString N(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), length);
    return out;
}

std::string U(NativeStringView native) {
    if (native.empty()) return {};
    const int size = static_cast<int>(native.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, native.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, native.data(), size, out.data(), length, nullptr, nullptr);
    return out;
}

void setEnvironment(const char* name, const char* value) {
    SetEnvironmentVariableW(N(name).c_str(), N(value).c_str());
    // The C runtime keeps its own copy for getenv.
    _wputenv((N(name) + L"=" + N(value)).c_str());
}

#else

NativeString N(std::string_view utf8) {
    return NativeString(utf8);
}

std::string U(NativeStringView native) {
    return std::string(native);
}

void setEnvironment(const char* name, const char* value) {
    setenv(name, value, 1);
}

#endif

}  // namespace vx::testing
