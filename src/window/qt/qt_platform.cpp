#include "window/qt/qt_platform.h"

#include <QMessageBox>

namespace vx::qt {

QString displayText(NativeStringView text) {
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

void QtPlatform::messageBox(const NativeString& text, int style, const NativeString& title) {
    QMessageBox box(style == kStyleInformation ? QMessageBox::Information : QMessageBox::Warning,
                    displayText(title), displayText(text), QMessageBox::Ok, owner_.data());
    box.exec();
}

}  // namespace vx::qt
