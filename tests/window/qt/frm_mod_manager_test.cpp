// The Linux window on Qt's offscreen platform, on real temporary game
// directories; message boxes are recorded by the test platform.
#include "window/qt/frm_mod_manager.h"
#include "window/qt/qt_platform.h"

#include "support/temp_dir.h"
#include "support/test_platform.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <QtDBus>

#include <memory>
#include <optional>

using vx::qt::frmModManager;
using vx::testing::installStandIn;
using vx::testing::loadedMods;
using vx::testing::makeGame;
using vx::testing::TempDir;
using vx::testing::TestPlatform;

namespace {

// One game directory with a loaded, shown window.
struct Session {
    explicit Session(const std::vector<std::string>& folders, bool withBase = true) {
        makeGame(game, folders, withBase);
        window = std::make_unique<frmModManager>(platform);
        loaded = window->Form_Load();
        if (loaded) {
            window->show();
            window->activateWindow();
            active = QTest::qWaitForWindowActive(window.get());
        }
    }

    QModelIndex rowNamed(const QString& name) const {
        QAbstractItemModel* model = window->List1()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data().toString() == name) return model->index(row, 0);
        }
        return {};
    }

    bool isChecked(const QString& name) const {
        return rowNamed(name).data(Qt::CheckStateRole).toInt() == Qt::Checked;
    }

    void clickBox(const QModelIndex& index) const {
        QListView* view = window->List1();
        QStyleOptionViewItem option;
        option.initFrom(view);
        option.rect = view->visualRect(index);
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        const QRect box = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box.center());
    }

    void pressSpaceOn(const QModelIndex& index) const {
        window->List1()->setCurrentIndex(index);
        QTest::keyClick(window->List1(), Qt::Key_Space);
    }

    TempDir game;
    TestPlatform platform{game.path()};
    std::unique_ptr<frmModManager> window;
    bool loaded = false;
    bool active = false;
};

// The check-state announcements sent while a test runs, as "name: checked".
QStringList announced;

void recordAnnouncement(QAccessibleEvent* event) {
    if (event->type() != QAccessible::StateChanged) return;
    if (!static_cast<QAccessibleStateChangeEvent*>(event)->changedStates().checked) return;
    QAccessibleInterface* row = event->accessibleInterface();
    if (!row) return;
    announced << row->text(QAccessible::Name) + (row->state().checked ? ": checked" : ": not checked");
}

// A screen reader's view of this program: what the accessibility bus
// reports for an object (the program's root for nullptr), asked while the
// program's bridge, which serves the bus from this thread, answers.
struct AtSpiReader {
    AtSpiReader() {
        const QDBusMessage address = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
        bus = QDBusConnection::connectToBus(address.arguments().value(0).toString(), "reader");
        app = "org.a11y.atspi.Registry";  // lists the programs on the bus: here only this one
        const auto apps = ask(nullptr, "GetChildren").value<QDBusArgument>();
        apps.beginArray();
        apps.beginStructure();
        apps >> app;
    }
    QVariant ask(QAccessibleInterface* iface, const char* method, const QVariantList& args = {},
                 const char* interface = "org.a11y.atspi.Accessible") {
        const QString id = iface ? QString::number(QAccessible::uniqueId(iface)) : "root";
        QDBusMessage call =
            QDBusMessage::createMethodCall(app, "/org/a11y/atspi/accessible/" + id, interface, method);
        call.setArguments(args);
        const QDBusPendingCall pending = bus.asyncCall(call);
        if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 5000)) return {};
        return pending.reply().arguments().value(0);
    }
    QVariant property(QAccessibleInterface* iface, const char* name) {
        return ask(iface, "Get", {"org.a11y.atspi.Accessible", name}, "org.freedesktop.DBus.Properties")
            .value<QDBusVariant>()
            .variant();
    }
    QDBusConnection bus{QString()};
    QString app;
};

}  // namespace

class FrmModManagerTest : public QObject {
    Q_OBJECT

private slots:
    // Typing lands where it does in the Windows program: on the next mod whose
    // shown name starts with the keys typed, letter case ignored by the
    // program's rule, in which a final sigma is not a sigma.
    void typingFindsModsByTheCoresRule() {
        Session s({"Alpha", "\u03C2a", "\u03C3b", "\u200Bzed", "\u00C9clair"});
        QListView* list = s.window->List1();
        const auto type = [&](const QString& keys) {
            QTest::qWait(QApplication::keyboardInputInterval() + 50);  // a new search
            for (const QChar key : keys) QTest::sendKeyEvent(QTest::Click, list, Qt::Key_unknown, key, {});
            return list->currentIndex().data().toString();
        };
        QCOMPARE(type(QStringLiteral("\u03C3")), QStringLiteral("\u03C3b"));
        QCOMPARE(type(QStringLiteral("<U")), QStringLiteral("<U+200B>zed"));
        QCOMPARE(type(QStringLiteral("\u00E9c")), QStringLiteral("\u00C9clair"));
        QCOMPARE(type(QStringLiteral("z")), QStringLiteral("\u00C9clair"));  // no shown name starts so
    }

    void windowHasItsFixedGeometryAndFrame() {
        Session s({"Mod"});
        QVERIFY(s.loaded);
        frmModManager& w = *s.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("deDidAzorovo"));
        QCOMPARE(w.size(), QSize(442, 424));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(w.windowFlags() & Qt::WindowSystemMenuHint);
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(16, 16)));
        QVERIFY(QApplication::windowIcon().availableSizes().contains(QSize(16, 16)));  // message boxes too
        QCOMPARE(w.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(w.Image1()->geometry(), QRect(21, 0, 400, 100));
        QCOMPARE(w.Image1()->pixmap().size(), QSize(400, 100));
        QCOMPARE(w.List1()->geometry(), QRect(8, 112, 425, 274));
        QCOMPARE(w.Command1()->geometry(), QRect(280, 392, 153, 25));
        QCOMPARE(w.Command2()->geometry(), QRect(8, 392, 153, 25));
        QCOMPARE(w.Command1()->text(), QStringLiteral("&Launch Vexmoor"));
        QCOMPARE(w.Command2()->text(), QStringLiteral("&About..."));
        QVERIFY(!w.List1()->accessibleName().isEmpty());
        QCOMPARE(w.Command1()->accessibleName(), QStringLiteral("Launch Vexmoor"));
        QCOMPARE(w.Command2()->accessibleName(), QStringLiteral("About..."));
    }

    // At 125% to 175% the list's edges fall inside screen pixels; its frame is
    // drawn whole all the same, above the rows.
    void listFrameIsWholeAtEveryScale() {
        Session s({"Mod"});
        QListView* list = s.window->List1();
        for (const qreal ratio : {1.0, 1.25, 1.5, 1.75, 2.0}) {
            QPixmap pixmap((QSizeF(list->size()) * ratio).toSize());
            pixmap.setDevicePixelRatio(ratio);
            list->render(&pixmap);
            const QImage image = pixmap.toImage();
            const int x = image.width() / 2, bottom = image.height() - 1;
            const QRgb frame = image.pixel(x, 0);  // the top edge
            QVERIFY(frame != image.pixel(x, bottom / 2));
            QVERIFY2(image.pixel(x, bottom) == frame || image.pixel(x, bottom - 1) == frame,
                     qPrintable(QStringLiteral("no bottom edge at %1").arg(ratio)));
        }
    }

    void buttonsGrowWithALargeFontFromTheirAnchoredEdges() {
        Session s({"Mod"});
        frmModManager& w = *s.window;
        QFont large = w.font();
        large.setPointSize(20);
        w.setFont(large);
        QCOMPARE(w.Command1()->size(), w.Command1()->sizeHint().expandedTo({153, 25}));
        QCOMPARE(w.Command2()->size(), w.Command2()->sizeHint().expandedTo({153, 25}));
        QVERIFY(w.Command1()->width() > 153 && w.Command1()->height() > 25);
        QCOMPARE(w.Command1()->geometry().right(), w.List1()->geometry().right());
        QCOMPARE(w.Command2()->geometry().left(), w.List1()->geometry().left());
        QCOMPARE(w.Command1()->geometry().bottom(), 416);
        QCOMPARE(w.Command2()->geometry().bottom(), 416);
        QCOMPARE(w.List1()->geometry().bottom() + 7, w.Command1()->geometry().top());

        w.setFont(QFont());
        QCOMPARE(w.Command1()->geometry(), QRect(280, 392, 153, 25));
        QCOMPARE(w.Command2()->geometry(), QRect(8, 392, 153, 25));
        QCOMPARE(w.List1()->geometry(), QRect(8, 112, 425, 274));
    }

    // What a screen reader reads and does: the window, the list's items,
    // each row's name, box and position, the Toggle action, and an
    // announcement for every answer to a toggle, also a refusal.
    void screenReaderReadsAndTogglesTheRows() {
        Session s({"Foo", "Bar.rte"});
        // Announcements are delivered only through a desktop's bridge (the
        // window_qt_atspi run); on the offscreen platform they are not checked.
        const bool bridged = QGuiApplication::platformName() != QStringLiteral("offscreen") &&
                             QTest::qWaitFor([] { return QAccessible::isActive(); }, 3000);
        announced.clear();
        QAccessible::installUpdateHandler(recordAnnouncement);
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(s.window.get());
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name), QStringLiteral("deDidAzorovo"));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(s.window->List1());
        QCOMPARE(list->childCount(), 2);
        QAccessibleInterface* bar = list->child(0)->child(0);
        QAccessibleInterface* foo = list->child(1)->child(0);
        QCOMPARE(list->indexOfChild(foo->parent()), 1);
        QCOMPARE(foo->text(QAccessible::Name), QStringLiteral("Foo"));
        if (bridged) {
            // Screen readers count the list's items and take the position of a
            // check box from its description.
            AtSpiReader reader;
            QCOMPARE(reader.property(list, "ChildCount").toInt(), 2);
            QCOMPARE(reader.ask(foo->parent(), "GetRoleName").toString(), QStringLiteral("list item"));
            QCOMPARE(reader.ask(foo->parent(), "GetIndexInParent").toInt(), 1);
            QCOMPARE(reader.property(foo, "Description").toString(), QStringLiteral("2 of 2"));
            QAccessibleInterface* about = QAccessible::queryAccessibleInterface(s.window->Command2());
            QCOMPARE(reader.property(about, "Name").toString(), QStringLiteral("About..."));
        }
        QVERIFY(foo->state().checkable && !foo->state().checked);
        QVERIFY(bar->state().checkable && bar->state().checked);
        const QString toggle = QAccessibleActionInterface::toggleAction();
        QCOMPARE(foo->actionInterface()->actionNames(),
                 (QStringList{toggle, QAccessibleActionInterface::setFocusAction()}));

        foo->actionInterface()->doAction(toggle);
        QTRY_VERIFY(s.game.isFolder("Foo.rte"));
        QVERIFY(foo->state().checked && foo->state().selected);
        QCOMPARE(s.window->List1()->currentIndex(), s.rowNamed("Foo"));  // Space goes on with this row
        if (bridged) QCOMPARE(announced, QStringList{"Foo: checked"});

        s.game.makeFolder("Bar");  // in the way of disabling Bar.rte
        bar->actionInterface()->doAction(toggle);
        QTRY_COMPARE(s.platform.messages.size(), size_t{1});
        QVERIFY(bar->state().checked);
        QVERIFY(s.game.isFolder("Bar.rte"));
        s.pressSpaceOn(s.rowNamed("Foo"));
        if (bridged) QCOMPARE(announced, (QStringList{"Foo: checked", "Bar: checked", "Foo: not checked"}));
        QAccessible::installUpdateHandler(nullptr);
    }

    void listHasTheFocusAndTabVisitsLaunchThenAbout() {
        Session s({"Mod"});
        QCOMPARE(QApplication::focusWidget(), s.window->List1());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s.window->Command1());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s.window->Command2());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s.window->List1());
    }

    void enterAndEscapeInTheListPressNothing() {
        Session s({"Mod"});
        QTest::keyClick(s.window->List1(), Qt::Key_Return);
        QTest::keyClick(s.window->List1(), Qt::Key_Enter);
        QTest::keyClick(s.window->List1(), Qt::Key_Escape);
        QVERIFY(s.platform.messages.empty());
        QVERIFY(s.platform.started.empty());
        QVERIFY(s.platform.renames.empty());
    }

    void accessKeysPressTheButtons() {
        Session s({"Mod"});
        QVERIFY(s.active);
        // A button pressed by its access key shows the press briefly, then clicks.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(s.platform.messages.size(), size_t{1});
        QCOMPARE(s.platform.messages[0].title, std::string("About..."));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::AltModifier);
        QTRY_COMPARE(s.platform.started.size(), size_t{1});
    }

    void modelKeepsItsContract() {
        Session s({"Zeta.rte", "alpha", "Beta.RTE", "\xff bad", "new\nline"});
        QAbstractItemModelTester tester(s.window->List1()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModel* model = s.window->List1()->model();
        QCOMPARE(model->rowCount(), 5);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("alpha"));
        QCOMPARE(model->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(model->flags(model->index(0, 0)) & Qt::ItemIsUserCheckable);
        // A name that is not valid text is shown readably, and kept as it is on disk.
        QVERIFY(s.rowNamed(QStringLiteral("\uFFFD bad")).isValid());
        s.clickBox(s.rowNamed(QStringLiteral("\uFFFD bad")));
        QVERIFY(s.game.isFolder("\xff bad.rte"));
        // Control characters are shown as symbols, so the row stays one readable line.
        QVERIFY(s.rowNamed(QStringLiteral("new\u240Aline")).isValid());
    }

    void realMessageBoxShowsPlainTextWithItsIconAndOneButton() {
        vx::qt::QtPlatform platform;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        Qt::TextFormat format = Qt::AutoText;
        int buttons = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            format = box->textFormat();
            buttons = static_cast<int>(box->buttons().size());
            box->accept();
        });
        poll.start(10);
        platform.messageBox("Could not enable the mod \"<b>x</b>\".\nSecond line", vx::MessageKind::Warning,
                            "Error");
        QCOMPARE(title, QStringLiteral("Error"));
        QCOMPARE(text, QStringLiteral("Could not enable the mod \"<b>x</b>\".\nSecond line"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(buttons, 1);

        platform.messageBox("About", vx::MessageKind::Information, "About...");
        QCOMPARE(icon, QMessageBox::Information);
    }

    void spaceAndClickRenameTheFolderAndBack() {
        Session s({"Foo", "Bar.rte"});
        s.pressSpaceOn(s.rowNamed("Foo"));
        QVERIFY(s.game.isFolder("Foo.rte"));
        QVERIFY(s.isChecked("Foo"));
        s.pressSpaceOn(s.rowNamed("Foo"));
        QVERIFY(s.game.isFolder("Foo"));
        QVERIFY(!s.isChecked("Foo"));

        s.clickBox(s.rowNamed("Bar"));
        QVERIFY(s.game.isFolder("Bar"));
        QVERIFY(!s.isChecked("Bar"));
        s.clickBox(s.rowNamed("Bar"));
        QVERIFY(s.game.isFolder("Bar.rte"));
        QVERIFY(s.platform.messages.empty());
    }

    void refusedRenameShowsWhyAndPutsTheBoxBack() {
        Session s({"Foo"});
        s.game.makeFolder("Foo.rte");  // appeared after the scan
        s.game.makeFile("Foo.rte/keep.ini", "x");
        s.clickBox(s.rowNamed("Foo"));
        QVERIFY(!s.isChecked("Foo"));
        QVERIFY(s.game.isFolder("Foo"));
        QVERIFY(s.game.exists("Foo.rte/keep.ini"));
        QCOMPARE(s.platform.messages.size(), size_t{1});
        QCOMPARE(s.platform.messages[0].title, std::string("Error"));
        QCOMPARE(s.platform.messages[0].kind, vx::MessageKind::Warning);
        QVERIFY(s.platform.messages[0].text.find("enable the mod \"Foo\"") != std::string::npos);
        QVERIFY(s.window->isVisible());
    }

    void aboutShowsItsTwelveLines() {
        Session s({});
        QTest::mouseClick(s.window->Command2(), Qt::LeftButton);
        QCOMPARE(s.platform.messages.size(), size_t{1});
        const vx::testing::ShownMessage& about = s.platform.messages[0];
        QCOMPARE(about.title, std::string("About..."));
        QCOMPARE(about.kind, vx::MessageKind::Information);
        const QStringList lines = QString::fromStdString(about.text).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 12);
        QVERIFY(!QString::fromStdString(about.text).contains(QLatin1Char('\r')));
        QCOMPARE(lines[0], QStringLiteral("Vexmoor ModManager v1.1"));
        QVERIFY(lines[1].startsWith(QStringLiteral("coded by ")));
        QCOMPARE(lines[2], QString());
        QCOMPARE(lines[5], QString());
        QCOMPARE(lines[6], QStringLiteral("Creditz:"));
        QVERIFY(lines[7].endsWith(QStringLiteral(": for coding the game")));
        QVERIFY(lines[8].contains(QStringLiteral(": ")));
        QVERIFY(lines[9].contains(QStringLiteral(": ")));
        QCOMPARE(lines[10], QString());
        QCOMPARE(lines[11], QStringLiteral("Enjoy!"));
    }

    void launchStartsExactlyTheGamesProgramFile() {
        Session s({"Foo"});
        installStandIn(s.game, VX_STAND_IN_GAME);
        QTest::mouseClick(s.window->Command1(), Qt::LeftButton);
        QCOMPARE(s.platform.started, std::vector<std::string>{s.game / "Vexmoor.exe"});
        QVERIFY(s.platform.messages.empty());
        QVERIFY(loadedMods(s.game));  // it ran
    }

    void launchFailureIsShownAndTheProgramGoesOn() {
        Session s({"Foo"});
        QCOMPARE(chmod((s.game / "Vexmoor.exe").c_str(), 0644), 0);  // no longer executable
        QTest::mouseClick(s.window->Command1(), Qt::LeftButton);
        QCOMPARE(s.platform.messages.size(), size_t{1});
        QVERIFY(s.platform.messages[0].text.find("not marked as executable") != std::string::npos);

        QCOMPARE(unlink((s.game / "Vexmoor.exe").c_str()), 0);  // removed after the scan
        QTest::mouseClick(s.window->Command1(), Qt::LeftButton);
        QCOMPARE(s.platform.messages.size(), size_t{2});
        QCOMPARE(s.platform.messages[1].title, std::string("Error"));
        QVERIFY(s.platform.messages[1].text.find(s.game / "Vexmoor.exe") != std::string::npos);
        QVERIFY(s.platform.messages[1].text.find("No such file") != std::string::npos);

        s.pressSpaceOn(s.rowNamed("Foo"));  // still working
        QVERIFY(s.game.isFolder("Foo.rte"));
        QVERIFY(s.window->isVisible());
    }

    void fatalStartupFindingsNeverShowTheWindow_data() {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<bool>("programFile");
        QTest::addColumn<QString>("message");
        QTest::newRow("no program file") << QStringList{"base.rte"} << false << "Vexmoor.exe not found!";
        QTest::newRow("duplicate") << QStringList{"base.rte", "Foo.rte", "foo"} << true
                                   << "You have one (or more) duplicate mod(s). Please check your VX folder. "
                                      "Duplicate: ";
        QTest::newRow("no base folder")
            << QStringList{"Foo"} << true << "This application needs to reside in Vexmoor's main directory.";
    }

    void fatalStartupFindingsNeverShowTheWindow() {
        QFETCH(QStringList, folders);
        QFETCH(bool, programFile);
        QFETCH(QString, message);
        TempDir game;
        if (programFile) game.makeFile("Vexmoor.exe");
        for (const QString& folder : folders) game.makeFolder(folder.toStdString());
        TestPlatform platform(game.path());
        frmModManager window(platform);
        QVERIFY(!window.Form_Load());
        QVERIFY(!window.isVisible());
        QCOMPARE(platform.ends, 1);
        QCOMPARE(platform.messages.size(), size_t{1});
        QCOMPARE(platform.messages[0].title, std::string("Error"));
        QCOMPARE(platform.messages[0].kind, vx::MessageKind::Warning);
        QVERIFY(QString::fromStdString(platform.messages[0].text).startsWith(message));
    }

    // Toggle through the window, start the stand-in game, and read which mods
    // it loaded.
    void launchedGameLoadsExactlyTheEnabledMods() {
        Session s({"Alpha", "Beta.rte", "Gamma.RTE", "Delta"});
        installStandIn(s.game, VX_STAND_IN_GAME);
        s.clickBox(s.rowNamed("Alpha"));      // on
        s.pressSpaceOn(s.rowNamed("Gamma"));  // off
        s.clickBox(s.rowNamed("Delta"));      // on
        s.clickBox(s.rowNamed("Delta"));      // off again
        QTest::mouseClick(s.window->Command1(), Qt::LeftButton);
        QVERIFY(s.platform.messages.empty());
        QCOMPARE(loadedMods(s.game), std::optional<std::string>("Alpha.rte\nBeta.rte\n"));
    }
};

QTEST_MAIN(FrmModManagerTest)
#include "frm_mod_manager_test.moc"
