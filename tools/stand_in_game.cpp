// Stand-in for the game's program file. Copied into a game directory as "Vexmoor.exe", it does what the
// real game does at startup as far as mods are concerned: it loads every subfolder whose name ends in
// ".rte" (any letter case), except the game's own data folder "base.rte". It writes the names it loaded to
// "Vexmoor.loaded-mods.txt" beside itself, one per line, sorted bytewise, so a demo or an end-to-end test
// can check what the mod manager left behind. With a display it also shows them in a small window.
//
// It deliberately shares no code with the mod manager, so it is an independent check of the folder names.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace {

constexpr const char* kReportName = "Vexmoor.loaded-mods.txt";

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

bool isBaseData(std::string_view name) {
    return equalsIgnoringAsciiCase(name, "base.rte");
}

bool isLoadedMod(std::string_view name) {
    return name.size() >= 4 && equalsIgnoringAsciiCase(name.substr(name.size() - 4), ".rte") &&
           !isBaseData(name);
}

// The directory the program file lives in, independent of the working directory.
std::string ownDirectory() {
    std::string path(4096, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < path.size()) {
            path.resize(static_cast<size_t>(n));
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.rfind('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

struct Scan {
    std::vector<std::string> mods;
    bool listed = false;
    bool baseFound = false;
};

Scan scanGameDirectory(const std::string& dir) {
    Scan scan;
    DIR* d = opendir(dir.c_str());
    if (!d) return scan;
    scan.listed = true;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        // stat() follows symlinks, so a link to a folder counts as a folder.
        if (stat((dir + "/" + name).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        if (isBaseData(name)) scan.baseFound = true;
        if (isLoadedMod(name)) scan.mods.push_back(std::move(name));
    }
    closedir(d);
    std::sort(scan.mods.begin(), scan.mods.end());  // std::string compares bytes as unsigned char
    return scan;
}

// Writes the report to a temporary file and renames it over the old one, so a reader never sees half of it.
bool writeReport(const std::string& dir, const std::vector<std::string>& mods) {
    std::string final = dir + "/" + kReportName;
    std::string temp = final + ".tmp." + std::to_string(getpid());
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    bool ok = true;
    for (const std::string& m : mods) {
        ok = ok && std::fwrite(m.data(), 1, m.size(), f) == m.size() && std::fputc('\n', f) != EOF;
    }
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), final.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool displayAvailable() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform) {
        std::string_view p = platform;
        if (p.starts_with("offscreen") || p.starts_with("minimal")) return false;
    }
    auto set = [](const char* var) {
        const char* v = std::getenv(var);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

int showWindow(int argc, char** argv, const std::vector<std::string>& mods) {
    // A display variable can name a server that is gone; fall back to offscreen then, instead of letting Qt
    // abort, and leave quietly since nobody could see the window.
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", std::getenv("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen",
               1);
    }
    QApplication app(argc, argv);
    if (QApplication::platformName() == "offscreen") return 0;
    QWidget window;
    window.setWindowTitle("Vexmoor (stand-in)");
    auto* layout = new QVBoxLayout(&window);
    auto* summary = new QLabel(QString("%1 mod%2 loaded").arg(mods.size()).arg(mods.size() == 1 ? "" : "s"));
    layout->addWidget(summary);
    auto* list = new QListWidget;
    for (const std::string& m : mods)
        list->addItem(QString::fromUtf8(m.data(), static_cast<qsizetype>(m.size())));
    layout->addWidget(list);
    auto* quit = new QPushButton("Quit");
    QObject::connect(quit, &QPushButton::clicked, &app, &QApplication::quit);
    layout->addWidget(quit, 0, Qt::AlignRight);
    window.resize(360, 280);
    window.show();
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = ownDirectory();
    if (dir.empty()) {
        std::fprintf(stderr, "Vexmoor: cannot find my own directory: %s\n", std::strerror(errno));
        return 1;
    }
    Scan scan = scanGameDirectory(dir);
    if (!scan.listed)
        std::fprintf(stderr, "Vexmoor: cannot list %s: %s\n", dir.c_str(), std::strerror(errno));
    if (!writeReport(dir, scan.mods)) {
        std::fprintf(stderr, "Vexmoor: cannot write %s in %s\n", kReportName, dir.c_str());
        return 1;
    }
    if (!scan.baseFound) {
        std::fprintf(stderr, "Vexmoor: the game data folder base.rte is missing from %s\n", dir.c_str());
        return 2;
    }
    if (!displayAvailable()) return 0;
    return showWindow(argc, argv, scan.mods);
}
