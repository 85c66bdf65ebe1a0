// The option dialog: its pages as the user sees them, and what OK and Cancel do to the
// window, the virtual serial port and the settings file.
#include "app/QtTestMain.h"

#include "app/CMainFrame.h"
#include "app/CObrin2App.h"
#include "app/CommandIds.h"
#include "app/dialogs/CCommonOptionsDlg.h"
#include "app/dialogs/CCoordinateEdit.h"
#include "app/dialogs/CPlaybackOptionsDlg.h"
#include "app/dialogs/CRecordOptionsDlg.h"
#include "app/dialogs/CRenameDlg.h"
#include "app/dialogs/CRouteGuidanceOptionsDlg.h"
#include "app/dialogs/CZRVOptionsDlg.h"
#include "app/dialogs/CZRVOptionsTabCtrl.h"
#include "app/dialogs/EditContextMenu.h"
#include "comm/ScriptedDeviceManager.h"
#include "comm/TestLogs.h"
#include "comm/VirtualPortRegistration.h"
#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "support/TestPaths.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>

#include <functional>
#include <memory>

using namespace command_ids;

namespace {

// What a page shows, top to bottom: labels and check boxes by their text (a check box with
// "[x]" or "[ ]"), each list as its entries with the chosen one in brackets.
QStringList PageContent(const QWidget& page) {
    QStringList shown;
    for (const QWidget* child : page.findChildren<QWidget*>()) {
        if (const auto* label = qobject_cast<const QLabel*>(child)) {
            shown << label->text();
        } else if (const auto* box = qobject_cast<const QCheckBox*>(child)) {
            shown << (box->isChecked() ? "[x] " : "[ ] ") + box->text();
        } else if (const auto* list = qobject_cast<const QComboBox*>(child)) {
            QStringList entries;
            for (int i = 0; i < list->count(); ++i) {
                entries << (i == list->currentIndex() ? "[" + list->itemText(i) + "]"
                                                      : list->itemText(i));
            }
            shown << entries.join('|');
        }
    }
    return shown;
}

QStringList MenuTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator()) {
            texts << (action->isEnabled() ? action->text() : "(" + action->text() + ")");
        }
    }
    return texts;
}

QAction* MenuEntry(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

// Values other than the defaults on every page.
GeneralSettings Chosen() {
    GeneralSettings values;
    values.kindOfRouteGuidance = 3;
    values.automaticallyFollowTheRoute = 0;
    values.showFullFFStatistic = 0;
    values.vSerialPort = 4;
    values.showFullDTStatistic = 1;
    values.distanceUnits = 1;
    values.googleTrackLineColored = 0;
    values.antennaAltitudeMode = 2;
    values.autopilotPort = "udp://127.0.0.1:10110";
    return values;
}

// The options as a list: units, full statistics live and recorded, follow the route, virtual
// port, speed colours, route guidance kind, altitude mode.
std::vector<int> Options(const GeneralSettings& general) {
    return {general.distanceUnits,       general.showFullDTStatistic,
            general.showFullFFStatistic, general.automaticallyFollowTheRoute,
            general.vSerialPort,         general.googleTrackLineColored,
            general.kindOfRouteGuidance, general.antennaAltitudeMode};
}

// The options in force after the start: the defaults with COM3:.
const std::vector<int> kStarted = {3, 1, 1, 1, 3, 1, 2, 1};

} // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void PagesShowTheirLabelsAndValuesInTabOrder();
    void TabStripMenuTurnsThePagesAndCancels();
    void PagesScrollOnASmallScreen();
    void OkAppliesTheChangesAndStoresEveryOption();
    void OkWithoutChangeRewritesTheValuesAndTouchesNoPort();
    void NoneWithdrawsTheRegisteredPortAndStoresMinusOne();
    void CancelChangesNothing();
    void EditFieldsOfferTheEditMenu();

private:
    // The window started over settings with COM3: chosen, which the first activation
    // registers with the scripted device manager as handle 0x51.
    void Start();
    // Options... with `choose` acting on the dialog, then OK or Cancel.
    void RunOptions(const std::function<void(CZRVOptionsDlg&)>& choose, bool ok);
    // The settings as a fresh load of the file finds them.
    Settings StoredSettings();
    std::uint32_t StoredServiceHandle();
    PlatformPaths Paths() const { return PlatformPaths::Below(m_dir->Path()); }

    std::unique_ptr<testpaths::TempDir> m_dir;
    std::unique_ptr<ScriptedDeviceManager> m_devices;
    std::unique_ptr<CObrin2App> m_app;
    std::vector<PromptRequest> m_asked;
};

void OptionsDialogTest::init() {
    m_dir = std::make_unique<testpaths::TempDir>();
    m_devices = std::make_unique<ScriptedDeviceManager>();
    m_asked.clear();
}

void OptionsDialogTest::cleanup() {
    m_app.reset();
    m_devices.reset();
    m_dir.reset();
}

void OptionsDialogTest::Start() {
    {
        RegistryStore registry(Paths(), nullptr);
        CRegistryAccessor accessor(registry);
        accessor.SetKey(settings_keys::kGeneral);
        accessor.SetValueName(settings_keys::kVSerialPort);
        QCOMPARE(accessor.WriteDword(3), 0);
    }
    m_app = std::make_unique<CObrin2App>(Paths());
    m_app->Prompts().SetPresenter([this](const PromptRequest& request) {
        m_asked.push_back(request);
        return PromptAnswer::Ok;
    });
    m_app->UseDeviceManager(*m_devices);
    QVERIFY(m_app->InitInstance());
    m_app->Frame().show();
    QTRY_VERIFY_WITH_TIMEOUT(m_app->SettingsApplied(), kThreadWaitMs);
    QCOMPARE(m_devices->calls, std::vector<std::string>{"Register COM 3 ppcZRV3SerialDrv.dll 0"});
    QCOMPARE(StoredServiceHandle(), 0x51u);
    m_devices->calls.clear();
    m_devices->registerHandle = 0x77;
}

void OptionsDialogTest::RunOptions(const std::function<void(CZRVOptionsDlg&)>& choose, bool ok) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<CZRVOptionsDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        shown = true;
        choose(*dialog);
        ok ? dialog->accept() : dialog->reject();
    });
    QVERIFY(m_app->Frame().ExecuteCommand(kOptions));
    QVERIFY(shown);
}

Settings OptionsDialogTest::StoredSettings() {
    RegistryStore registry(Paths(), nullptr);
    return LoadSettings(registry);
}

std::uint32_t OptionsDialogTest::StoredServiceHandle() {
    RegistryStore registry(Paths(), nullptr);
    return ReadServiceHandle(registry);
}

void OptionsDialogTest::PagesShowTheirLabelsAndValuesInTabOrder() {
    CZRVOptionsDlg dialog(Chosen());
    CZRVOptionsTabCtrl& tabs = *dialog.Tabs();
    QCOMPARE(tabs.count(), 4);
    QCOMPARE(QStringList({tabs.tabText(0), tabs.tabText(1), tabs.tabText(2), tabs.tabText(3)}),
             QStringList({"Route Guidance", "Playback", "Record", "Common"}));
    QCOMPARE(PageContent(*dialog.RouteGuidancePage()),
             QStringList({"Kind of route &guidance:", "Walk|Drive|[Flight]",
                          "[ ] &Automatically follow the route", "Autopilot &port:",
                          "None|COM0:|COM1:|COM2:|COM3:|COM4:|COM5:|COM6:|COM7:|COM8:|COM9:|"
                          "tcp-server://:10110|[udp://127.0.0.1:10110]",
                          "A port, tcp-server://:PORT or udp://HOST:PORT"}));
    QCOMPARE(PageContent(*dialog.PlaybackPage()),
             QStringList({"[ ] Show full statistic for Recorde&d", "Virtual &COM Port:",
                          "None|COM0:|COM1:|COM2:|COM3:|[COM4:]|COM5:|COM6:|COM7:|COM8:|COM9:"}));
    QCOMPARE(PageContent(*dialog.RecordPage()),
             QStringList({"[x] Show full statistic for Recordin&g"}));
    QCOMPARE(PageContent(*dialog.CommonPage()),
             QStringList({"Distance and Altitude &unuts:",
                          "[Kilometers/Meters]|Statute Miles/Feet|Nautical Miles/Feet",
                          "[ ] Save Track Speed-&Colored", "On - Google Earth (PC);",
                          "Off - Google Maps (Mobile);",
                          "Altitude &mode:", "Clamped to ground|[Absolute]"}));
    QCOMPARE(dialog.Values(), Chosen());

    // Each control gives its own option back.
    dialog.RouteGuidancePage()->KindList()->setCurrentIndex(0);
    dialog.RouteGuidancePage()->FollowBox()->setChecked(true);
    dialog.PlaybackPage()->FullStatisticBox()->setChecked(true);
    dialog.PlaybackPage()->PortList()->setCurrentIndex(0);
    dialog.RecordPage()->FullStatisticBox()->setChecked(false);
    dialog.CommonPage()->UnitsList()->setCurrentIndex(1);
    dialog.CommonPage()->ColoredBox()->setChecked(true);
    dialog.CommonPage()->AltitudeModeList()->setCurrentIndex(0);
    QCOMPARE(Options(dialog.Values()), (std::vector<int>{2, 0, 1, 1, -1, 1, 1, 1}));

    // A value in force that no entry stands for shows no entry and stays as it is.
    GeneralSettings odd = Chosen();
    odd.distanceUnits = 7;
    odd.vSerialPort = 12;
    CZRVOptionsDlg oddDialog(odd);
    QCOMPARE(oddDialog.CommonPage()->UnitsList()->currentIndex(), -1);
    QCOMPARE(oddDialog.PlaybackPage()->PortList()->currentIndex(), -1);
    QCOMPARE(oddDialog.Values(), odd);
}

void OptionsDialogTest::TabStripMenuTurnsThePagesAndCancels() {
    CZRVOptionsDlg dialog(GeneralSettings{});
    CZRVOptionsTabCtrl& tabs = *dialog.Tabs();
    std::unique_ptr<QMenu> menu(tabs.CreatePageMenu(nullptr));
    QCOMPARE(MenuTexts(*menu),
             QStringList({"Route &Guidance", "&Playback", "&Record", "Co&mmon", "&Cancel"}));
    QList<int> ids;
    for (const char* page : {"Route &Guidance", "&Playback", "&Record", "Co&mmon"}) {
        ids << MenuEntry(*menu, QString::fromUtf8(page))->data().toInt();
    }
    QCOMPARE(ids, QList<int>({32886, 32887, 32888, 32889}));
    QVERIFY(MenuEntry(*menu, "Route &Guidance")->isChecked());
    MenuEntry(*menu, "Co&mmon")->trigger();
    QCOMPARE(tabs.currentIndex(), 3);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    MenuEntry(*menu, "&Cancel")->trigger();
    QCOMPARE(rejected.count(), 1);
}

void OptionsDialogTest::PagesScrollOnASmallScreen() {
    for (const QSize screen : {QSize(480, 640), QSize(800, 480)}) {
        CZRVOptionsDlg dialog(GeneralSettings{});
        // The whole dialog fits, its title bar aside; a page lower than its controls scrolls.
        const QSize least = dialog.minimumSizeHint();
        QVERIFY2(least.width() <= screen.width() && least.height() <= screen.height() - 40,
                 qPrintable(QStringLiteral("%1x%2").arg(least.width()).arg(least.height())));
        dialog.resize(screen.width(), 160);
        dialog.show();
        dialog.Tabs()->setCurrentIndex(3);
        QVERIFY(dialog.CommonPage()->verticalScrollBar()->maximum() > 0);
    }
}

void OptionsDialogTest::OkAppliesTheChangesAndStoresEveryOption() {
    Start();
    RunOptions(
        [](CZRVOptionsDlg& dialog) {
            QCOMPARE(Options(dialog.Values()), kStarted);
            dialog.RouteGuidancePage()->KindList()->setCurrentIndex(2);
            dialog.RouteGuidancePage()->FollowBox()->setChecked(false);
            dialog.PlaybackPage()->FullStatisticBox()->setChecked(false);
            dialog.PlaybackPage()->PortList()->setCurrentIndex(5); // COM4:
            dialog.CommonPage()->UnitsList()->setCurrentIndex(0);
            dialog.CommonPage()->ColoredBox()->setChecked(false);
            dialog.CommonPage()->AltitudeModeList()->setCurrentIndex(1);
            dialog.RouteGuidancePage()->AutopilotList()->setEditText("udp://127.0.0.1:10110");
        },
        true);
    QCOMPARE(StoredSettings().general.autopilotPort, "udp://127.0.0.1:10110");
    QCOMPARE(m_app->Core().AutopilotPort(), "udp://127.0.0.1:10110");
    QCOMPARE(m_devices->calls,
             (std::vector<std::string>{"Deregister 81", "Register COM 4 ppcZRV3SerialDrv.dll 0"}));
    QCOMPARE(m_app->Core().VirtualSerialPortIndex(), 4);
    QVERIFY(m_asked.empty());
    QCOMPARE(Options(StoredSettings().general), Options(Chosen()));
    QCOMPARE(StoredServiceHandle(), 0x77u);

    // The frame's commands use the new values: a track saved now is one blue line with
    // absolute altitudes.
    const std::filesystem::path drive = m_dir->Path() / "drive.txt";
    testpaths::WriteFileBytes(drive, testlogs::SyntheticDrive(30));
    m_app->Frame().OpenPath(QString::fromStdString(drive.string()));
    QTRY_VERIFY_WITH_TIMEOUT(!m_app->Core().PlaybackReader().IsRunning(), kThreadWaitMs);
    const std::filesystem::path out = m_dir->Path() / "out.kml";
    m_app->Frame().SetFileDialogs(
        {nullptr, [&](QWidget*, const QString&, const QString&, const QStringList&) {
             return QString::fromStdString(out.string());
         }});
    QVERIFY(m_app->Frame().ExecuteCommand(kSave));
    const std::string kml = testpaths::ReadFileBytes(out);
    QVERIFY(kml.find("<altitudeMode>absolute</altitudeMode>") != std::string::npos);
    QVERIFY(kml.find("ffff0000") != std::string::npos);
}

void OptionsDialogTest::OkWithoutChangeRewritesTheValuesAndTouchesNoPort() {
    Start();
    // Another program removed the General values meanwhile.
    QCOMPARE(m_app->Registry().DeleteKey(RegistryRoot::CurrentUser, settings_keys::kGeneral), 0);
    RunOptions([](CZRVOptionsDlg&) {}, true);
    QVERIFY(m_devices->calls.empty());
    QCOMPARE(Options(StoredSettings().general), kStarted);
    QCOMPARE(StoredServiceHandle(), 0x51u);
}

void OptionsDialogTest::NoneWithdrawsTheRegisteredPortAndStoresMinusOne() {
    Start();
    RunOptions(
        [](CZRVOptionsDlg& dialog) { dialog.PlaybackPage()->PortList()->setCurrentIndex(0); },
        true);
    QCOMPARE(m_devices->calls, std::vector<std::string>{"Deregister 81"});
    QCOMPARE(StoredSettings().general.vSerialPort, -1);
    QCOMPARE(StoredServiceHandle(), 0u);
    QCOMPARE(m_app->Core().VirtualSerialPortIndex(), -1);
}

void OptionsDialogTest::CancelChangesNothing() {
    Start();
    const std::string before = testpaths::ReadFileBytes(Paths().userRegistryFile);
    RunOptions(
        [](CZRVOptionsDlg& dialog) {
            dialog.PlaybackPage()->PortList()->setCurrentIndex(0);
            dialog.CommonPage()->AltitudeModeList()->setCurrentIndex(1);
        },
        false);
    QVERIFY(m_devices->calls.empty());
    QCOMPARE(testpaths::ReadFileBytes(Paths().userRegistryFile), before);
    QCOMPARE(m_app->Core().VirtualSerialPortIndex(), 3);
    // The dialog shows the values in force again.
    RunOptions([](CZRVOptionsDlg& dialog) { QCOMPARE(Options(dialog.Values()), kStarted); }, false);
}

void OptionsDialogTest::EditFieldsOfferTheEditMenu() {
    QApplication::clipboard()->setText(QStringLiteral("RTE"));
    QLineEdit edit(QStringLiteral("WPL_0001"));
    edit.setSelection(0, 3);
    std::unique_ptr<QMenu> menu(CreateEditContextMenu(edit, nullptr));
    QCOMPARE(MenuTexts(*menu), QStringList({"(&Undo)", "(&Redo)", "Cu&t", "&Copy", "&Paste",
                                            "&Delete", "Select &All"}));
    MenuEntry(*menu, "&Delete")->trigger();
    QCOMPARE(edit.text(), QString("_0001"));
    menu.reset(CreateEditContextMenu(edit, nullptr));
    MenuEntry(*menu, "&Undo")->trigger();
    QCOMPARE(edit.text(), QString("WPL_0001"));
    MenuEntry(*menu, "Select &All")->trigger();
    QCOMPARE(edit.selectedText(), QString("WPL_0001"));
    // Nothing to change in a read-only field.
    edit.setReadOnly(true);
    menu.reset(CreateEditContextMenu(edit, nullptr));
    QCOMPARE(MenuTexts(*menu), QStringList({"(&Undo)", "(&Redo)", "(Cu&t)", "&Copy", "(&Paste)",
                                            "(&Delete)", "(Select &All)"}));

    // The program's fields ask for it instead of the toolkit's menu, a coordinate's parts too.
    CRenameDlg rename(QStringLiteral("RTE_1"));
    QCOMPARE(rename.NameEdit()->contextMenuPolicy(), Qt::CustomContextMenu);
    CCoordinateEdit coordinate(CoordinateAxis::Latitude);
    QDoubleSpinBox* part = coordinate.Part(0);
    QSignalSpy requested(part, &QWidget::customContextMenuRequested);
    QLineEdit* text = part->findChild<QLineEdit*>();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2),
                            text->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(text, &event);
    QCOMPARE(requested.count(), 1);
    for (QMenu* shown : part->findChildren<QMenu*>()) {
        shown->close();
    }
}

ZRV_QTEST_MAIN(OptionsDialogTest)
#include "OptionsDialogTest.moc"
