#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vx::testing {
namespace {

namespace fs = std::filesystem;

fs::path toPath(const std::string& utf8) {
    return fs::path(N(utf8));
}

}  // namespace

TempDir::TempDir() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) throw std::runtime_error("no temporary directory: " + error.message());
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "vx-test-";
        for (int i = 0; i < 8; ++i) name += "0123456789abcdefghijklmnopqrstuvwxyz"[random() % 36];
        const fs::path candidate = base / name;
        if (fs::create_directory(candidate, error)) {
            path_ = U(candidate.native());
            return;
        }
        if (error)
            throw std::runtime_error("cannot create " + U(candidate.native()) + ": " + error.message());
    }
    throw std::runtime_error("no free name for a temporary directory");
}

TempDir::~TempDir() {
    const fs::path root = toPath(path_);
    std::error_code ignored;
    // Read-only (and on Windows hidden or system) leftovers of a test must not
    // keep the directory alive.
    for (auto it = fs::recursive_directory_iterator(root, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        if (it->is_symlink(ignored)) continue;
#ifdef _WIN32
        SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
#else
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
#endif
    }
#ifdef _WIN32
    // A program a test started may still hold its file open for a moment.
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::error_code error;
        fs::remove_all(root, error);
        if (!error) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
#else
    fs::remove_all(root, ignored);
#endif
}

std::string TempDir::operator/(std::string_view name) const {
    std::string path = path_;
    path += kSep;
    for (const char c : name) path += c == '/' ? kSep : c;
    return path;
}

void TempDir::makeFolder(std::string_view name) const {
    std::error_code error;
    if (!fs::create_directory(toPath(*this / name), error)) {
        throw std::runtime_error("cannot make the folder " + std::string(name) + ": " + error.message());
    }
}

void TempDir::makeFile(std::string_view name, std::string_view contents) const {
    std::ofstream out(toPath(*this / name), std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write the file " + std::string(name));
}

void TempDir::copyProgram(const std::string& source, std::string_view name) const {
    std::error_code error;
    const fs::path target = toPath(*this / name);
    fs::copy_file(toPath(source), target, fs::copy_options::overwrite_existing, error);
    if (!error) {
        fs::permissions(target,
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec,
                        error);
    }
    if (error) throw std::runtime_error("cannot copy " + source + ": " + error.message());
}

void TempDir::makeReadOnly(std::string_view name) const {
    std::error_code error;
    fs::permissions(toPath(*this / name),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, error);
    if (error)
        throw std::runtime_error("cannot make " + std::string(name) + " read-only: " + error.message());
}

void TempDir::remove(std::string_view name) const {
    std::error_code error;
    if (!fs::remove(toPath(*this / name), error)) {
        throw std::runtime_error("cannot remove " + std::string(name) + ": " + error.message());
    }
}

#ifdef _WIN32
void TempDir::setAttributes(std::string_view name, unsigned long attributes) const {
    if (!SetFileAttributesW(native(name).c_str(), attributes)) {
        throw std::runtime_error("cannot set the attributes of " + std::string(name));
    }
}
#endif

bool TempDir::exists(std::string_view name) const {
    std::error_code ignored;
    return fs::symlink_status(toPath(*this / name), ignored).type() != fs::file_type::not_found && !ignored;
}

bool TempDir::isFolder(std::string_view name) const {
    std::error_code ignored;
    return fs::is_directory(toPath(*this / name), ignored);
}

std::string TempDir::read(std::string_view name) const {
    std::ifstream in(toPath(*this / name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(toPath(path_))) {
        names.push_back(U(entry.path().filename().native()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void makeGame(const TempDir& dir, const std::vector<std::string>& folders, bool withBase) {
    dir.makeFile("Vexmoor.exe", "#!/bin/sh\n");
    if (withBase) dir.makeFolder("base.rte");
    for (const std::string& folder : folders) dir.makeFolder(folder);
}

void installStandIn(const TempDir& game, const std::string& standIn) {
    game.copyProgram(standIn, "Vexmoor.exe");
    setEnvironment("VEXMOOR_STAND_IN_HEADLESS", "1");
#ifndef _WIN32
    if (!std::getenv("QT_QPA_PLATFORM")) setEnvironment("QT_QPA_PLATFORM", "offscreen");
#endif
}

}  // namespace vx::testing
