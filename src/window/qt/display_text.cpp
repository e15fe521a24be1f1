#include "window/qt/display_text.h"

namespace vx::qt {

QString displayText(NativeStringView text) {
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

}  // namespace vx::qt
