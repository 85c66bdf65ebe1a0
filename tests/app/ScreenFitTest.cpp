// The window on small screens: CTest runs this suite on offscreen screens of 320x240, 480x640
// and 800x480 (no window manager), by hand it runs on 320x240.
#include "app/CMainFrame.h"
#include "app/CObrin2App.h"
#include "app/CommandIds.h"
#include "app/FramePlacement.h"
#include "platform/RegistryStore.h"
#include "support/TestPaths.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QTest>

#include <cstdlib>
#include <memory>

using namespace command_ids;

class ScreenFitTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void FrameFillsTheScreenSwitchesFullScreenAndKeepsItsPlace();

private:
    void Start();
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

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen:configfile=" ZRV_DEFAULT_SCREEN_CONFIG, 0);
    QApplication application(argc, argv);
    ScreenFitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ScreenFitTest.moc"
