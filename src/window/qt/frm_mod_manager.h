// The program's one window: the banner, the check-box list of mods and the
// Launch and About buttons. It draws and forwards events; the rules live in
// the core (mods/).
#pragma once

#include "mods/mod_folders.h"
#include "window/qt/mod_list_model.h"
#include "window/qt/mod_list_view.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace vx::qt {

class frmModManager : public QWidget {
    Q_OBJECT

public:
    // Client area, in device-independent pixels.
    static constexpr int kClientWidth = 442;
    static constexpr int kClientHeight = 424;

    // Creates the window hidden, with its controls and an empty list.
    explicit frmModManager(Platform& platform, QWidget* parent = nullptr);

    // The startup scan. When it returns true the list is filled and the window
    // may be shown; false means a fatal message was shown and the platform
    // ended the process (only a test platform lets this return).
    bool Form_Load();

    QListView* List1() const { return list1_; }
    QPushButton* Command1() const { return command1_; }
    QPushButton* Command2() const { return command2_; }
    QLabel* Image1() const { return image1_; }

protected:
    bool event(QEvent* event) override;

private:
    // Puts the list and the buttons in their places. A button whose caption
    // needs more room than its usual rectangle (a large desktop font) grows
    // away from the edges it is anchored to, and the list gives way above.
    void placeControls();
    // The banner drawn for the window's device pixel ratio.
    void showBanner();

    mods::ModFolders mods_;
    ModListModel model_;
    QLabel* image1_ = nullptr;
    ModListView* list1_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
};

}  // namespace vx::qt
