// deDidAzorovo for Linux: copy the program into Vexmoor's main directory and
// start it there.
#include "mods/texts.h"
#include "platform/posix/icu_library.h"
#include "window/qt/frm_mod_manager.h"
#include "window/qt/qt_platform.h"

#include <version.h>

#include <QApplication>

int main(int argc, char** argv) {
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
    // Mod names are lower-cased and ordered by the system's ICU, of whichever
    // release it has; without one the program cannot tell duplicates apart.
    if (const auto& icu = vx::posix::systemIcu(); !icu.ok()) {
        std::vector<vx::NativeString> directories = vx::posix::systemLibraryDirectories();
        platform.messageBox(vx::mods::text::icuMissing(directories, icu.failure().reason),
                            vx::kStyleExclamation, vx::NativeString(vx::mods::text::kErrorTitle));
        return 1;
    }
    vx::qt::frmModManager window(platform);
    if (!window.Form_Load()) return 1;
    platform.setOwner(&window);
    window.show();
    return QApplication::exec();
}
