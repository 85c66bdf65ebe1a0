// The window on small screens: CTest runs this suite on offscreen screens of 320x240, 480x640
// and 800x480 (no window manager), by hand it runs on 320x240.
#include "app/CMainFrame.h"
#include "app/CObrin2App.h"
#include "app/CommandIds.h"
#include "app/FingerSize.h"
#include "app/FramePlacement.h"
#include "app/dialogs/CNavigationListView.h"
#include "app/dialogs/CNewNavigationItemDlg.h"
#include "app/dialogs/CRenameDlg.h"
#include "app/dialogs/CSelectBluetoothChannelDlg.h"
#include "comm/ApplicationCore.h"
#include "platform/RegistryStore.h"
#include "support/TestPaths.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace command_ids;

class ScreenFitTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void FrameFillsTheScreenSwitchesFullScreenAndKeepsItsPlace();
    void EveryDialogFitsTheScreen();
    void MenusAndListRowsAreFingerHigh();

private:
    void Start();
    // Runs command `id` and hands the modal dialog it opens to `look`, then closes it.
    void LookAtDialogOf(int id, const std::function<void(QDialog&)>& look);
    CMainFrame& Frame() { return m_app->Frame(); }

    std::unique_ptr<testpaths::TempDir> m_dir;
    std::unique_ptr<CObrin2App> m_app;
};

void ScreenFitTest::init() {
    m_dir = std::make_unique<testpaths::TempDir>();
}

void ScreenFitTest::cleanup() {
    m_app.reset();
    m_dir.reset();
}

void ScreenFitTest::Start() {
    m_app = std::make_unique<CObrin2App>(PlatformPaths::Below(m_dir->Path()));
    m_app->Prompts().SetPresenter([](const PromptRequest&) { return PromptAnswer::Ok; });
    QVERIFY(m_app->InitInstance());
    Frame().ShowFitted(false);
    QTRY_VERIFY_WITH_TIMEOUT(m_app->SettingsApplied(), 60000);
}

void ScreenFitTest::FrameFillsTheScreenSwitchesFullScreenAndKeepsItsPlace() {
    Start();
    const QScreen* screen = Frame().screen();
    QVERIFY(IsSmallScreen(screen->size()));
    QCOMPARE(Frame().geometry(), screen->geometry());
    QVERIFY(Frame().UpdateCommand(kFullScreen).checked);

    Frame().Action(kFullScreen)->trigger();
    QVERIFY(!Frame().UpdateCommand(kFullScreen).checked);
    const QRect normal = Frame().geometry();
    QCOMPARE(normal.size(), QSize(480, 640).boundedTo(screen->availableGeometry().size()));
    QVERIFY(screen->availableGeometry().contains(normal));
    Frame().Action(kFullScreen)->trigger();
    QCOMPARE(Frame().geometry(), screen->geometry());
    Frame().Action(kFullScreen)->trigger();
    QCOMPARE(Frame().geometry(), normal);

    // Ended in the normal state, the frame's size and place are kept; ended full screen, the
    // kept ones stay.
    const QRect moved(normal.topLeft() + QPoint(10, 5), QSize(240, 200));
    Frame().setGeometry(moved);
    m_app->ExitInstance();
    RegistryStore registry(PlatformPaths::Below(m_dir->Path()), nullptr);
    QCOMPARE(LoadFramePlacement(registry), std::optional<QRect>(moved));
    m_app.reset();
    Start();
    QCOMPARE(Frame().geometry(), screen->geometry());
    Frame().Action(kFullScreen)->trigger();
    QCOMPARE(Frame().geometry(), moved);
    Frame().Action(kFullScreen)->trigger();
    m_app->ExitInstance();
    QCOMPARE(LoadFramePlacement(registry), std::optional<QRect>(moved));
}

void ScreenFitTest::LookAtDialogOf(int id, const std::function<void(QDialog&)>& look) {
    bool seen = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr && dialog->isVisible()) {
            poll.stop();
            seen = true;
            look(*dialog);
            dialog->reject();
        }
    });
    poll.start(10);
    QVERIFY(Frame().ExecuteCommand(id));
    QVERIFY2(seen, qPrintable(QString::number(id)));
}

// Shown, a dialog lies inside the screen's available area without squeezing its controls:
// what does not fit scrolls.
void CheckFits(QDialog& dialog) {
    const QRect available = dialog.screen()->availableGeometry();
    const QString said = dialog.windowTitle() + QStringLiteral(" %1x%2 at %3,%4")
                                                    .arg(dialog.width())
                                                    .arg(dialog.height())
                                                    .arg(dialog.x())
                                                    .arg(dialog.y());
    QVERIFY2(available.contains(dialog.frameGeometry()), qPrintable(said));
    const QSize least = dialog.minimumSizeHint();
    QVERIFY2(least.width() <= dialog.width() && least.height() <= dialog.height(),
             qPrintable(said));
}

void ScreenFitTest::EveryDialogFitsTheScreen() {
    Start();
    m_app->Core().Document().Store().StoreWaypoint(
        CWaypoint("HOME", CLatLong::FromDecimalDegrees(10.0, 10.0)), true, "here");
    for (const int id :
         {kOpen, kSave, kOptions, kRecordSerial, kPlaybackSerial, kRecordBluetooth, kWaypointList,
          kRouteList, kNearestWaypointsFirst, kMarkPosition, kWarnings}) {
        LookAtDialogOf(id, CheckFits);
    }
    using Kind = CNewNavigationItemDlg::Kind;
    for (const Kind kind : {Kind::NewWaypoint, Kind::EditWaypoint, Kind::NewRoute}) {
        CNewNavigationItemDlg item(kind, "HOME", CLatLong::FromDecimalDegrees(10.0, 10.0),
                                   CoordinateStyle::Traditional, &Frame());
        item.show();
        CheckFits(item);
    }
    CRenameDlg rename("RTE_0001", &Frame());
    rename.show();
    CheckFits(rename);
    CSelectBluetoothChannelDlg channels("Receiver", {1, 2, 3}, &Frame());
    channels.show();
    CheckFits(channels);
}

// About 7 mm at the screen's dots per inch.
void ScreenFitTest::MenusAndListRowsAreFingerHigh() {
    Start();
    const QScreen* screen = Frame().screen();
    const int finger = static_cast<int>(std::floor(6.9 / 25.4 * screen->physicalDotsPerInchY()));
    QVERIFY(FingerHeight(screen) >= finger);
    QMenu* menu = Frame().MainMenu();
    QVERIFY(Frame().menuBar()->actionGeometry(menu->menuAction()).height() >= finger);
    menu->popup(QPoint(0, 0));
    QTRY_VERIFY(menu->isVisible());
    for (QAction* item : menu->actions()) {
        if (!item->isSeparator()) {
            QVERIFY2(menu->actionGeometry(item).height() >= finger, qPrintable(item->text()));
        }
    }
    // Taller than the screen, the menu scrolls rather than spreading off its side.
    QVERIFY(screen->geometry().contains(menu->geometry()));
    menu->hide();

    m_app->Core().Document().Store().StoreWaypoint(
        CWaypoint("HOME", CLatLong::FromDecimalDegrees(10.0, 10.0)), true, "here");
    LookAtDialogOf(kWaypointList, [&](QDialog& list) {
        auto* rows = list.findChild<CNavigationListView*>();
        QVERIFY(rows != nullptr && rows->model()->rowCount() == 1);
        QVERIFY(rows->rowHeight(0) >= finger);
    });
}

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen:configfile=" ZRV_DEFAULT_SCREEN_CONFIG, 0);
    QApplication application(argc, argv);
    ScreenFitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ScreenFitTest.moc"
