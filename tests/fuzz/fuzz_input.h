// What the fuzz targets share: the POSIX backend for a handful of locales
// whose collations differ in ways that matter for names (Turkish dotless i,
// Czech "ch", Canadian French accents from the end, Danish "aa", the root
// collation), and inputs read as one leading byte and names separated by
// NUL bytes, the one byte no file name holds.
#pragma once

#include "platform/posix/posix_platform.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace vx::fuzz {

inline constexpr const char* kLocales[] = {"en_US", "tr_TR", "cs_CZ", "fr_CA", "da_DK", ""};
inline constexpr size_t kLocaleCount = std::size(kLocales);

// Ends the run when an invariant does not hold; libFuzzer keeps the input.
inline void check(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "Broken: %s\n", invariant);
    std::abort();
}

// One backend of type P per locale, made on first use (opening a collator
// costs far more than one run).
template <class P>
P& platformFor(size_t locale) {
    static std::unique_ptr<P> platforms[kLocaleCount];
    std::unique_ptr<P>& platform = platforms[locale % kLocaleCount];
    if (!platform) platform = std::make_unique<P>(kLocales[locale % kLocaleCount]);
    return *platform;
}

inline std::vector<std::string_view> splitNames(std::string_view bytes) {
    std::vector<std::string_view> names;
    for (size_t at = 0;;) {
        const size_t end = bytes.find('\0', at);
        names.push_back(bytes.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) return names;
        at = end + 1;
    }
}

}  // namespace vx::fuzz
