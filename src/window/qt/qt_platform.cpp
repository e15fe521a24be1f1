#include "window/qt/qt_platform.h"

#include "window/qt/display_text.h"

#include <QMessageBox>

namespace vx::qt {

void QtPlatform::messageBox(const NativeString& text, MessageKind kind, const NativeString& title) {
    // Also on standard error, for a player who started the program from a
    // terminal: the reason stays readable there after the box is gone.
    PosixPlatform::messageBox(text, kind, title);
    QMessageBox box(kind == MessageKind::Information ? QMessageBox::Information : QMessageBox::Warning,
                    displayText(title), displayText(text), QMessageBox::Ok, owner_.data());
    box.setTextFormat(Qt::PlainText);  // a folder name like "<b>x" is shown, not rendered
    box.exec();
}

}  // namespace vx::qt
