#include "window/qt/display_text.h"

namespace vx::qt {

QString displayText(NativeStringView text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace vx::qt
