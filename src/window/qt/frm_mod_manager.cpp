#include "window/qt/frm_mod_manager.h"

#include "mods/texts.h"
#include "window/qt/display_text.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace vx::qt {
namespace {

// The usual places of the controls, in device-independent pixels.
const QRect kList1Place(8, 112, 425, 274);
const QRect kCommand1Place(280, 392, 153, 25);
const QRect kCommand2Place(8, 392, 153, 25);

// To a screen reader the window is a frame with the window's title, so it
// is announced as a window when it opens or becomes active.
QAccessibleInterface* accessibleFactory(const QString& /*className*/, QObject* object) {
    if (auto* window = qobject_cast<frmModManager*>(object))
        return new QAccessibleWidget(window, QAccessible::Window);
    return nullptr;
}

// A button named to a screen reader as its caption reads; Qt still takes
// the access key from the caption and reports it with the button.
QPushButton* makeButton(NativeStringView caption, QWidget* parent) {
    auto* button = new QPushButton(displayText(caption), parent);
    button->setAccessibleName(displayText(mods::text::withoutAccessKey(caption)));
    return button;
}

}  // namespace

frmModManager::frmModManager(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      mods_(platform),
      model_(this) {
    QAccessible::installFactory(accessibleFactory);  // before anything asks for this window's
    setObjectName(QStringLiteral("frmModManager"));
    setWindowTitle(displayText(mods::text::kProgramTitle));
    QIcon icon(QStringLiteral(":/icon.ico"));    // the 16 x 16 images
    icon.addFile(QStringLiteral(":/icon.png"));  // larger, for task switchers
    // On the application, so that the message boxes carry it as well, also
    // those shown before this window is.
    QApplication::setWindowIcon(icon);
    setWindowIcon(icon);
    setFixedSize(kClientWidth, kClientHeight);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    // Positions and sizes are fixed; only a caption that does not fit moves
    // them (placeControls).
    image1_ = new QLabel(this);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setGeometry(21, 0, 400, 100);
    image1_->setAccessibleName(displayText(mods::text::kBannerName));
    showBanner();

    list1_ = new ModListView(this);
    list1_->setObjectName(QStringLiteral("List1"));
    list1_->setAccessibleName(displayText(mods::text::kModListName));
    list1_->setAccessibleDescription(displayText(mods::text::kModListDescription));
    list1_->setUniformItemSizes(true);  // the view never measures every row
    list1_->setSelectionMode(QAbstractItemView::SingleSelection);
    list1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list1_->setModel(&model_);

    command2_ = makeButton(mods::text::kAboutCaption, this);
    command2_->setObjectName(QStringLiteral("Command2"));
    command1_ = makeButton(mods::text::kLaunchCaption, this);
    command1_->setObjectName(QStringLiteral("Command1"));
    placeControls();

    setTabOrder(list1_, command1_);
    setTabOrder(command1_, command2_);

    connect(command1_, &QPushButton::clicked, this, [this] { mods_.launchGame(); });
    connect(command2_, &QPushButton::clicked, this, [this] { mods_.showAbout(); });
}

bool frmModManager::Form_Load() {
    const bool ready = mods_.Form_Load();
    model_.setMods(mods_);
    if (!ready) return false;

    if (model_.rowCount() > 0) list1_->setCurrentIndex(model_.index(0));
    list1_->setFocus(Qt::OtherFocusReason);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
    return true;
}

bool frmModManager::event(QEvent* event) {
    if (!command1_) return QWidget::event(event);  // still being made
    const QEvent::Type type = event->type();
    // The font, the style and the buttons' size hints (LayoutRequest) decide the places.
    if (type == QEvent::FontChange || type == QEvent::StyleChange || type == QEvent::LayoutRequest)
        placeControls();
    if (type == QEvent::ScreenChangeInternal) showBanner();
    return QWidget::event(event);
}

void frmModManager::placeControls() {
    const QSize about = command2_->sizeHint().expandedTo(kCommand2Place.size());
    const QSize launch = command1_->sizeHint().expandedTo(kCommand1Place.size());
    const int bottom = kCommand1Place.bottom() + 1;
    command2_->setGeometry(QRect(QPoint(kCommand2Place.left(), bottom - about.height()), about));
    command1_->setGeometry(
        QRect(QPoint(kCommand1Place.right() + 1 - launch.width(), bottom - launch.height()), launch));
    const int gap = kCommand1Place.top() - (kList1Place.bottom() + 1);
    const int listBottom = bottom - std::max(about.height(), launch.height()) - gap;
    list1_->setGeometry(kList1Place.adjusted(0, 0, 0, std::min(0, listBottom - (kList1Place.bottom() + 1))));
}

void frmModManager::showBanner() {
    const qreal ratio = devicePixelRatioF();
    if (ratio <= 1.0) {
        image1_->setPixmap(QPixmap(QStringLiteral(":/banner.gif")));
        return;
    }
    // Above 1:1 the banner comes from its double-size rendition, brought to
    // the screen's pixels once, so it is never drawn blown up.
    const QSize pixels = (QSizeF(image1_->size()) * ratio).toSize();
    QPixmap banner = QPixmap(QStringLiteral(":/banner@2x.png"));
    if (banner.size() != pixels)
        banner = banner.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    banner.setDevicePixelRatio(ratio);
    image1_->setPixmap(banner);
}

}  // namespace vx::qt
