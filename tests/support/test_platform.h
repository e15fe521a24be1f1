// A platform for tests: the system's real backend (POSIX or Windows) on real
// temporary folders, with the game directory chosen by the test, message
// boxes and ends recorded instead of shown, and switches that make the next
// operation fail.
//
// Everything recorded, and every reason to fail with, is UTF-8, so tests
// read the same on every platform.
#pragma once

#include "support/native.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include "platform/posix/posix_platform.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vx::testing {

#ifdef _WIN32
using SystemPlatform = win32::Win32Platform;

// "en_US" -> L"en-US".
inline std::wstring systemLocale(const char* locale) {
    std::wstring name = N(locale);
    for (wchar_t& c : name) {
        if (c == L'_') c = L'-';
    }
    return name;
}

// Orders two names as CompareStringEx does in `locale` (empty: the user's
// own), letter case ignored: negative, zero or positive. The backend's sort
// keys must order names the same way.
inline int compareNames(const wchar_t* locale, NativeStringView a, NativeStringView b) {
    const int order = CompareStringEx(*locale ? locale : LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                                      static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                      nullptr, nullptr, 0);
    return order == 0 ? 0 : order - CSTR_EQUAL;
}
#else
using SystemPlatform = posix::PosixPlatform;

inline const char* systemLocale(const char* locale) {
    return locale;
}
#endif

// The names of the subfolders of `dir` as `platform` lists them, in UTF-8,
// sorted bytewise; none when the listing fails, which fails the test.
inline std::vector<std::string> subfolderNames(Platform& platform, const TempDir& dir) {
    const Result<NameList> listing = platform.subfolders(N(dir.path() + kSep));
    EXPECT_TRUE(listing.ok()) << U(listing.failure().reason);
    std::vector<std::string> names;
    if (!listing.ok()) return names;
    for (size_t index = 0; index < listing.value().count(); ++index)
        names.push_back(U(listing.value()[index]));
    std::sort(names.begin(), names.end());
    return names;
}

struct ShownMessage {
    std::string text;
    MessageKind kind;
    std::string title;
};

class TestPlatform : public SystemPlatform {
public:
    // Lower-casing and ordering use a fixed locale (written like "en_US" on
    // every platform), so results do not depend on the machine's settings.
    explicit TestPlatform(std::string gameDirectory, const char* locale = "en_US")
        : SystemPlatform(systemLocale(locale)),
#ifdef _WIN32
          locale_(systemLocale(locale)),
#else
          text_(locale),
#endif
          gameDirectory_(std::move(gameDirectory)) {
    }

    // Orders two names as sortedOrder does, letter case ignored: negative,
    // zero or positive.
    int compareNames(NativeStringView a, NativeStringView b) {
#ifdef _WIN32
        return testing::compareNames(locale_.c_str(), a, b);
#else
        return text_.compare(a, b);
#endif
    }

    Result<NativeString> ownDirectory() override {
        return N(gameDirectory_);
    }

    MaybeFailure renameFolder(const NativeString& directory, NativeStringView from,
                              NativeStringView to) override {
        renames.push_back({U(from), U(to)});
        if (failNextRename) {
            Failure failure{N(*failNextRename), failNextRenameKind, N(failNextRenameFound),
                            !failNextRenameFound.empty()};
            failNextRename.reset();
            failNextRenameFound.clear();
            return failure;
        }
        return SystemPlatform::renameFolder(directory, from, to);
    }

    MaybeFailure startProgram(const NativeString& path) override {
        started.push_back(U(path));
        return SystemPlatform::startProgram(path);
    }

    Result<NameList> subfolders(const NativeString& directory) override {
        if (failListing) return Failure{N(*failListing)};
        return SystemPlatform::subfolders(directory);
    }

    void messageBox(const NativeString& text, MessageKind kind, const NativeString& title) override {
        messages.push_back({U(text), kind, U(title)});
    }

    void end() override {
        ++ends;
    }

    std::optional<std::string> failNextRename;  // reason of the next rename's failure
    FailureKind failNextRenameKind = FailureKind::Other;
    std::string failNextRenameFound;         // the folder that refusal says it found under the new name
    std::optional<std::string> failListing;  // reason of every listing's failure
    std::vector<std::pair<std::string, std::string>> renames;  // folder names, from and to
    std::vector<std::string> started;
    std::vector<ShownMessage> messages;
    int ends = 0;

private:
#ifdef _WIN32
    std::wstring locale_;  // the same as the backend's
#else
    posix::NameText text_;  // the backend's own rule for the order, in the same locale
#endif
    std::string gameDirectory_;
};

}  // namespace vx::testing
