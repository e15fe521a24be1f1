// deDidAzorovo for Linux: copy the program into Vexmoor's main directory and
// start it there.
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
    vx::qt::frmModManager window(platform);
    if (!window.Form_Load()) return 1;
    platform.setOwner(&window);
    window.show();
    return QApplication::exec();
}
