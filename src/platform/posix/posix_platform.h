// The platform on Linux and other POSIX systems.
//
// Names are the file system's bytes, untouched. Folder names are matched
// without regard to letter case, as the game's own conventions assume, even
// on file systems that tell letter cases apart.
//
// Message box and end are console services here (the text goes to standard
// error, the process exits with status 1); a window front end overrides them.
#pragma once

#include "platform/platform.h"
#include "platform/posix/icu_text.h"

namespace vx::posix {

// Renames `from` to `to`, never replacing anything at `to`; returns 0 or the
// errno. Tries the file system's own no-replace rename first unless
// `oneStepFirst` is false (tests use that to exercise the fallback).
int renameNoReplace(const std::string& from, const std::string& to, bool oneStepFirst = true);

class PosixPlatform : public Platform {
public:
    PosixPlatform() = default;
    // For tests: a fixed locale for lower-casing and ordering.
    explicit PosixPlatform(const char* locale) : text_(locale) {}

    Result<NativeString> ownDirectory() override;
    Result<FolderList> subfolders(const NativeString& directory) override;
    bool isPlainFile(const NativeString& path) override;
    Status renameFolder(const NativeString& from, const NativeString& to) override;
    Status startProgram(const NativeString& path) override;
    void messageBox(const NativeString& text, int style, const NativeString& title) override;
    void end() override;
    void appendLower(NativeStringView name, NativeString& out) override;
    int compareNames(NativeStringView a, NativeStringView b) override;
    int appendSortKey(NativeStringView name, std::string& out) override;

private:
    IcuText text_;
};

}  // namespace vx::posix
