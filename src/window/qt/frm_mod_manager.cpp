#include "window/qt/frm_mod_manager.h"

#include "mods/commands.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScreen>

namespace vx::qt {
namespace {

QPushButton* makeButton(const QString& caption, const QString& accessibleName, const QRect& place,
                        QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(place);
    button->setAccessibleName(accessibleName);
    // Enter and Esc press no button unless the button itself has the focus.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

frmModManager::frmModManager(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      platform_(platform),
      mods_(platform),
      model_(mods_.List1(), this) {
    setObjectName(QStringLiteral("frmModManager"));
    setWindowTitle(QStringLiteral("deDidAzorovo"));
    QIcon icon(QStringLiteral(":/icon.ico"));    // the 16 x 16 images
    icon.addFile(QStringLiteral(":/icon.png"));  // larger, for task switchers
    setWindowIcon(icon);
    setFixedSize(kClientWidth, kClientHeight);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    // Positions and sizes are fixed; nothing lays them out again.
    image1_ = new QLabel(this);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setPixmap(QPixmap(QStringLiteral(":/banner.gif")));
    image1_->setGeometry(21, 0, 400, 100);
    image1_->setAccessibleName(QStringLiteral("Vexmoor"));

    list1_ = new QListView(this);
    list1_->setObjectName(QStringLiteral("List1"));
    list1_->setGeometry(8, 112, 425, 274);
    list1_->setAccessibleName(QStringLiteral("Mods"));
    list1_->setAccessibleDescription(
        QStringLiteral("Checked mods are enabled; Space turns the current mod on or off"));
    list1_->setUniformItemSizes(true);  // the view never measures every row
    list1_->setSelectionMode(QAbstractItemView::SingleSelection);
    list1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list1_->setModel(&model_);

    command2_ = makeButton(QStringLiteral("&About..."), QStringLiteral("About"), {8, 392, 153, 25}, this);
    command2_->setObjectName(QStringLiteral("Command2"));
    command1_ = makeButton(QStringLiteral("&Launch Vexmoor"), QStringLiteral("Launch Vexmoor"),
                           {280, 392, 153, 25}, this);
    command1_->setObjectName(QStringLiteral("Command1"));

    setTabOrder(list1_, command1_);
    setTabOrder(command1_, command2_);

    connect(&model_, &ModListModel::itemCheck, this, &frmModManager::List1_ItemCheck);
    connect(command1_, &QPushButton::clicked, this, &frmModManager::Command1_Click);
    connect(command2_, &QPushButton::clicked, this, &frmModManager::Command2_Click);
}

bool frmModManager::Form_Load() {
    bool ready = false;
    model_.reload([&] { ready = mods_.Form_Load(); });
    if (!ready) return false;

    if (model_.rowCount() > 0) list1_->setCurrentIndex(model_.index(0));
    list1_->setFocus(Qt::OtherFocusReason);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
    return true;
}

void frmModManager::List1_ItemCheck(int row, bool checked) {
    mods_.setModEnabled(row, checked);
}

void frmModManager::Command1_Click() {
    mods::launchGame(platform_, mods_.gamePath());
}

void frmModManager::Command2_Click() {
    mods::showAbout(platform_);
}

}  // namespace vx::qt
