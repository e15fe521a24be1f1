// The POSIX platform with real message boxes, for the Qt window.
#pragma once

#include "platform/posix/posix_platform.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace vx::qt {

// Text for the screen: names are bytes; those that are not valid UTF-8 are
// shown with replacement characters, while the name itself stays untouched.
// CR LF line breaks become plain line breaks.
QString displayText(NativeStringView text);

class QtPlatform : public posix::PosixPlatform {
public:
    // Message boxes are centred over `owner` once it is set.
    void setOwner(QWidget* owner) { owner_ = owner; }

    void messageBox(const NativeString& text, MessageKind kind, const NativeString& title) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace vx::qt
