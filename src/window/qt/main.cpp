// deDidAzorovo for Linux: copy the program into Vexmoor's main directory and
// start it there.
#include "mods/texts.h"
#include "window/qt/frm_mod_manager.h"
#include "window/qt/qt_platform.h"

#include <version.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>

namespace {

// Qt looks for its plugins (the display's platform, themes, styles, input
// methods, icon engines, image formats, the accessibility bridge) in its own
// plugin folder, in the folders of QT_PLUGIN_PATH and in the program's own
// folder, and loads what it finds there into the program. The program's
// folder is the game's, into which players unpack mods from anywhere, so it
// must never be one of them.
//
// Qt adds the program's folder when the application object is made, to the
// paths it had before; what it keeps from paths set before that is which of
// its own paths were taken out. So the folder is made one of its paths for a
// moment, through QT_PLUGIN_PATH (by a descriptor's name, which any folder
// name fits, colons included), taken out, and the variable is put back as
// it was, all before the application object exists.
//
// (A qt.conf or qt6.conf beside the program, which could point Qt's paths
// into the game folder, is never read: the program carries its own.)
void keepPluginsOutOfTheGameFolder() {
    const vx::Result<std::string> own = vx::posix::ownDirectory();
    if (!own.ok()) return;  // the program cannot tell its folder and stops at once
    const int folder = open(own.value().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    const QString byDescriptor = QStringLiteral("/proc/self/fd/%1").arg(folder);
    const QString canonical = QDir(byDescriptor).canonicalPath();

    const char* const variableName = "QT_PLUGIN_PATH";
    const bool hadVariable = qEnvironmentVariableIsSet(variableName);
    const QByteArray variable = qgetenv(variableName);
    qputenv(variableName, byDescriptor.toLatin1() + (hadVariable ? ":" + variable : QByteArray()));
    QStringList paths = QCoreApplication::libraryPaths();
    paths.removeAll(canonical);
    QCoreApplication::setLibraryPaths(paths);
    if (hadVariable) {
        qputenv(variableName, variable);
    } else {
        qunsetenv(variableName);
    }
    close(folder);
}

// Where Qt will find no plugin for the display, the first line on standard
// error names the package that brings one; Qt's own lines follow, and it
// ends. Qt tries the platforms QT_QPA_PLATFORM names (";" between them,
// options after a ":"), or else Wayland in a Wayland session and then X11
// (xcb), which also needs an X display. It looks for them in the
// "platforms" folders of QT_PLUGIN_PATH and its own plugin folder, and in
// QT_QPA_PLATFORM_PLUGIN_PATH.
void nameThePlatformPackageIfNoneIsThere() {
    QStringList platforms = qEnvironmentVariable("QT_QPA_PLATFORM").split(u';', Qt::SkipEmptyParts);
    if (platforms.isEmpty()) {
        if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland")
            platforms << QStringLiteral("wayland");
        platforms << QStringLiteral("xcb");
    }
    QStringList folders = qEnvironmentVariable("QT_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts);
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (QString& folder : folders) folder += QStringLiteral("/platforms");
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM_PLUGIN_PATH"))
        folders << qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    const auto installed = [&folders](const QString& platform) {
        return std::any_of(folders.cbegin(), folders.cend(), [&platform](const QString& folder) {
            return !QDir(folder, "libq" + platform + "*.so", QDir::NoSort, QDir::Files).isEmpty(QDir::Files);
        });
    };

    vx::NativeStringView missing;  // names the package of the first platform with no plugin
    for (const QString& entry : platforms) {
        const QString platform = entry.section(u':', 0, 0);
        if (installed(platform)) {
            if (platform != u"xcb" || qEnvironmentVariableIsSet("DISPLAY")) return;  // this one can load
        } else if (missing.empty() && platform.startsWith(u"wayland")) {
            missing = vx::mods::text::kNoWaylandPlugin;
        } else if (missing.empty() && platform == u"xcb") {
            missing = vx::mods::text::kNoX11Plugin;
        }
    }
    if (!missing.empty()) std::cerr << vx::mods::text::kProgramTitle << ": " << missing << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    nameThePlatformPackageIfNoneIsThere();
    keepPluginsOutOfTheGameFolder();
    // The program reads no command line, and neither does Qt: it gets the
    // program's name only, so no option can restyle or redirect it.
    char fallbackName[] = "deDidAzorovo";
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral(VX_PRODUCT_NAME));
    QApplication::setApplicationVersion(QStringLiteral(VX_VERSION_STRING));
    QApplication::setOrganizationName(QStringLiteral(VX_COMPANY_NAME));
    QGuiApplication::setDesktopFileName(QStringLiteral("deDidAzorovo"));

    vx::qt::QtPlatform platform;
    vx::qt::frmModManager window(platform);
    if (!window.Form_Load()) return 1;
    platform.setOwner(&window);
    window.show();
    return QApplication::exec();
}
