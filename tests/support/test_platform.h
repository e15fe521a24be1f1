// A platform for tests: the real POSIX backend on real temporary folders,
// with the game directory chosen by the test, message boxes and ends
// recorded instead of shown, and switches that make the next operation fail.
#pragma once

#include "platform/posix/posix_platform.h"

#include <string>
#include <vector>

namespace vx::testing {

struct ShownMessage {
    std::string text;
    int style;
    std::string title;
};

class TestPlatform : public posix::PosixPlatform {
public:
    // Lower-casing and ordering use a fixed locale, so results do not depend
    // on the machine's settings.
    explicit TestPlatform(std::string gameDirectory, const char* locale = "en_US")
        : PosixPlatform(locale), gameDirectory_(std::move(gameDirectory)) {}

    Result<NativeString> ownDirectory() override { return gameDirectory_; }

    Status renameFolder(const NativeString& from, const NativeString& to) override {
        renames.push_back({from, to});
        if (failNextRename) {
            Failure failure{*failNextRename};
            failNextRename.reset();
            return failure;
        }
        return PosixPlatform::renameFolder(from, to);
    }

    Status startProgram(const NativeString& path) override {
        started.push_back(path);
        return PosixPlatform::startProgram(path);
    }

    Result<FolderList> subfolders(const NativeString& directory) override {
        if (failListing) return Failure{*failListing};
        return PosixPlatform::subfolders(directory);
    }

    void messageBox(const NativeString& text, int style, const NativeString& title) override {
        messages.push_back({text, style, title});
    }

    void end() override { ++ends; }

    std::optional<std::string> failNextRename;  // reason of the next rename's failure
    std::optional<std::string> failListing;     // reason of every listing's failure
    std::vector<std::pair<std::string, std::string>> renames;
    std::vector<std::string> started;
    std::vector<ShownMessage> messages;
    int ends = 0;

private:
    std::string gameDirectory_;
};

}  // namespace vx::testing
