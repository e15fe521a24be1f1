// Texts of the core as the Qt window shows them.
#pragma once

#include "platform/platform.h"

#include <QString>

namespace vx::qt {

// Text for the screen: names are bytes; those that are not valid UTF-8 are
// shown with replacement characters, while the name itself stays untouched.
inline QString displayText(NativeStringView text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace vx::qt
