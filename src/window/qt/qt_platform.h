// The POSIX platform with real message boxes, for the Qt window.
#pragma once

#include "platform/posix/posix_platform.h"

#include <QPointer>
#include <QWidget>

namespace vx::qt {

class QtPlatform : public posix::PosixPlatform {
public:
    // Message boxes are centred over `owner` once it is set.
    void setOwner(QWidget* owner) { owner_ = owner; }

    void messageBox(const NativeString& text, MessageKind kind, const NativeString& title) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace vx::qt
