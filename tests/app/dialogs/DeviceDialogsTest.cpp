// Choosing the devices in the window: the dialogs' texts, entries and choices, what each choice
// stores and starts, the channel question from a worker thread, and a Bluetooth connection that
// runs off the user-interface thread and can be cancelled. Bluetooth is the scripted stack.
#include "app/AnswersInTurn.h"
#include "app/QtTestMain.h"

#include "app/CBluetoothConnectDlg.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/FrameViewHost.h"
#include "app/QtPrompts.h"
#include "app/QtTimers.h"
#include "app/UiThreadCall.h"
#include "app/dialogs/CMarkPositionDlg.h"
#include "app/dialogs/CNavigationListView.h"
#include "app/dialogs/CNearestWaypointListDlg.h"
#include "app/dialogs/CNetworkDlg.h"
#include "app/dialogs/CNewNavigationItemDlg.h"
#include "app/dialogs/CSelectBluetoothChannelDlg.h"
#include "app/dialogs/CSelectBluetoothDeviceDlg.h"
#include "app/dialogs/CSelectSerialPortDlg.h"
#include "app/dialogs/CTextRowsModel.h"
#include "app/dialogs/WaypointEditing.h"
#include "comm/ApplicationCore.h"
#include "comm/BaudRateSettings.h"
#include "comm/Loopback.h"
#include "comm/PseudoTerminal.h"
#include "comm/ScriptedBluetooth.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/RegistryNavigationSettings.h"
#include "nmea/Sentence.h"
#include "platform/CalendarTime.h"
#include "platform/DeviceFolder.h"
#include "platform/RegistryAccessor.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsKeys.h"
#include "support/TestPaths.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <memory>
#include <thread>
#include <unistd.h>

namespace {

using namespace command_ids;
namespace keys = settings_keys;

const BluetoothDevice kMouse{"GPS-Mouse", 0x0011'2233'4455};

// The window over a core whose Bluetooth stack is scripted; the stack outlives the core.
struct Window {
    explicit Window(const std::filesystem::path& root)
        : paths(PlatformPaths::Below(root)), prompts(ui), timers(ui), host(ui, prompts),
          registry(paths, &prompts),
          core(ApplicationServices{paths, registry, prompts, host, timers, clock, RealSystemCalls(),
                                   transport}),
          frame(core) {
        prompts.SetOwner(&frame);
        host.Attach(&frame, &frame.View());
    }
    ~Window() {
        ui.Cancel();
        core.StopWorkers();
        host.Attach(nullptr, nullptr);
    }

    ScriptedTransport transport;
    PlatformPaths paths;
    UiThreadCall ui;
    QtPrompts prompts;
    QtTimers timers;
    FrameViewHost host;
    SystemClock clock;
    RegistryStore registry;
    ApplicationCore core;
    CMainFrame frame;
};

// Acts on the next modal dialog of type T once it is shown (and `ready` holds).
template <typename T>
void WhenShown(
    std::function<void(T&)> act, std::function<bool()> ready = [] { return true; }) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act), ready] {
        auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !ready()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        act(*dialog);
    });
    timer->start(5);
}

const std::string kSourceKey = std::string(keys::kCommunication) + "\\" + keys::kSource;
const std::string kDestinationKey = std::string(keys::kCommunication) + "\\" + keys::kDestination;

// The record files in the documents folder.
int RecordFiles(const std::filesystem::path& documents) {
    int count = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(documents, ec), end; !ec && it != end;
         it.increment(ec)) {
        count += it->path().extension() == ".txt" ? 1 : 0;
    }
    return count;
}

QString ItemText(CMainFrame& frame, int id) {
    return frame.UpdateCommand(id).text;
}

} // namespace

class DeviceDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void SerialPortDialogListsTheEntriesAndWhereTheyLead();
    void SerialChoicesAreStoredAndStartOrRestartTheirDirection();
    void PositionDialogsTakeThePlayedPointDuringAPlayback();
    void BuiltInGpsIsAToggleWithItsCheckMark();
    void DeviceDialogSearchesListsAndReturnsTheSelectedDevice();
    void ClosingTheDeviceDialogOrTheProgramDoesNotWaitForTheInquiry();
    void ChannelDialogIsAskedFromAWorkerThread();
    void BluetoothConnectionRunsOffTheWindowAndCanBeCancelled();
    void NetworkChoiceIsStoredNamedByThePlaybackItemAndStartsIt();

private:
    // A value read back from the settings file by a store of its own.
    QString StoredString(const std::string& key, const char* name);
    std::uint32_t StoredDword(const std::string& key, const char* name);
    void LinkPort(const std::string& name, const std::string& target);
    // `baud`: the rate chosen too, when not negative.
    void ChooseSerialPort(int command, const QString& entry, int baud = -1);

    std::unique_ptr<testpaths::TempDir> m_dir;
    std::unique_ptr<Window> m_window;
    std::vector<PromptRequest> m_asked;
    std::vector<PromptAnswer> m_answers;
};

void DeviceDialogsTest::init() {
    m_dir = std::make_unique<testpaths::TempDir>();
    m_window = std::make_unique<Window>(m_dir->Path());
    QVERIFY(m_window->core.Start(false));
    m_asked.clear();
    m_answers.clear();
    m_window->prompts.SetPresenter(AnswersInTurn(m_asked, m_answers));
}

void DeviceDialogsTest::cleanup() {
    ApplicationCore& core = m_window->core;
    m_answers.assign(2, PromptAnswer::No);
    if (core.RunningSource() != nullptr) {
        core.RecordCommand();
    }
    if (core.IsDestinationRunning()) {
        core.PlaybackToCommand();
    }
    m_window.reset();
    m_dir.reset();
}

QString DeviceDialogsTest::StoredString(const std::string& key, const char* name) {
    RegistryStore store(m_window->paths, nullptr);
    CRegistryAccessor accessor(store);
    accessor.SetKey(key);
    accessor.SetValueName(name);
    std::string value;
    return accessor.ReadString(value) == 0 ? QString::fromStdString(value) : QStringLiteral("-");
}

std::uint32_t DeviceDialogsTest::StoredDword(const std::string& key, const char* name) {
    RegistryStore store(m_window->paths, nullptr);
    CRegistryAccessor accessor(store);
    accessor.SetKey(key);
    accessor.SetValueName(name);
    std::uint32_t value = 0xFFFFFFFF;
    accessor.ReadDword(value);
    return value;
}

void DeviceDialogsTest::LinkPort(const std::string& name, const std::string& target) {
    DeviceFolder folder(m_window->paths);
    QCOMPARE(folder.CreateLink(name, target), 0);
}

void DeviceDialogsTest::ChooseSerialPort(int command, const QString& entry, int baud) {
    WhenShown<CSelectSerialPortDlg>([entry, baud](CSelectSerialPortDlg& dialog) {
        dialog.Ports()->setCurrentIndex(dialog.Ports()->findData(entry));
        if (baud >= 0) {
            dialog.Rates()->setCurrentIndex(dialog.Rates()->findData(baud));
        }
        dialog.accept();
    });
    QVERIFY(m_window->frame.ExecuteCommand(command));
}

void DeviceDialogsTest::SerialPortDialogListsTheEntriesAndWhereTheyLead() {
    PseudoTerminal receiver;
    LinkPort("COM3:", receiver.SlavePath());
    const std::map<std::string, std::string> leadsTo = {{"COM3:", receiver.SlavePath()}};

    CSelectSerialPortDlg record(true, QString(), leadsTo);
    QCOMPARE(record.windowTitle(), QStringLiteral("Select Serial Port"));
    QCOMPARE(record.DirectionLabel()->text(), QStringLiteral("for Record"));
    QCOMPARE(record.CurrentLabel()->text(), QStringLiteral("Current: None"));
    QCOMPARE(record.Ports()->count(), 200);
    QCOMPARE(record.Ports()->currentIndex(), 0);
    QCOMPARE(record.Ports()->itemText(99), QStringLiteral("COM99:"));
    QCOMPARE(record.Ports()->itemText(100), QStringLiteral("GPD0:"));
    QCOMPARE(record.Ports()->itemText(199), QStringLiteral("GPD99:"));
    QCOMPARE(record.Ports()->itemText(3),
             QStringLiteral("COM3:  \u2192 ") + QString::fromStdString(receiver.SlavePath()));
    record.Ports()->setCurrentIndex(3);
    QCOMPARE(record.Choice(), QStringLiteral("COM3:"));
    QCOMPARE(record.Rates()->count(), 7);
    QCOMPARE(record.Rates()->currentText(), QStringLiteral("Detect"));
    QCOMPARE(record.BaudRate(), 0);
    record.Rates()->setCurrentIndex(record.Rates()->findData(4800));
    QCOMPARE(record.BaudRate(), 4800);
    CSelectSerialPortDlg chosenBefore(true, QString(), {}, 38400);
    QCOMPARE(chosenBefore.Rates()->currentText(), QStringLiteral("38400"));
    record.Ports()->setCurrentIndex(-1);
    record.accept();
    QCOMPARE(record.result(), int(QDialog::Rejected)); // nothing selected: OK does nothing

    CSelectSerialPortDlg playback(false, QStringLiteral("COM7:"), {});
    QCOMPARE(playback.DirectionLabel()->text(), QStringLiteral("for Playback"));
    QCOMPARE(playback.CurrentLabel()->text(), QStringLiteral("Current: COM7:"));
    QCOMPARE(playback.Ports()->count(), 100);
    QCOMPARE(playback.Choice(), QStringLiteral("COM0:"));
    QCOMPARE(playback.Rates(), nullptr);
    QCOMPARE(playback.BaudRate(), 0);

    // The frame's dialog shows the direction's port and where the device folder's links lead.
    QString current;
    QString third;
    WhenShown<CSelectSerialPortDlg>([&](CSelectSerialPortDlg& dialog) {
        current = dialog.CurrentLabel()->text();
        third = dialog.Ports()->itemText(3);
        dialog.reject();
    });
    // Port 12 is stored as "$device\COM12:" and shown as chosen.
    m_window->core.SerialDestination().SetPortName("COM12:");
    QVERIFY(m_window->frame.ExecuteCommand(kPlaybackSerial));
    QCOMPARE(current, QStringLiteral("Current: COM12:"));
    QCOMPARE(m_window->frame.UpdateCommand(kPlaybackTo).text,
             QStringLiteral("Playback &to COM12:"));
    QVERIFY(third.startsWith(QStringLiteral("COM3:  \u2192 /")));
}

void DeviceDialogsTest::SerialChoicesAreStoredAndStartOrRestartTheirDirection() {
    CMainFrame& frame = m_window->frame;
    ApplicationCore& core = m_window->core;
    PseudoTerminal first;
    PseudoTerminal second;
    PseudoTerminal consumer;
    LinkPort("COM1:", first.SlavePath());
    LinkPort("COM2:", second.SlavePath());
    LinkPort("COM5:", consumer.SlavePath());
    const std::string& source = kSourceKey;
    core.BluetoothSource().SetDevice(kMouse);

    ChooseSerialPort(kRecordSerial, QStringLiteral("COM1:"));
    QCOMPARE(StoredString(source, keys::kDeviceKind), QStringLiteral("SP"));
    QCOMPARE(StoredString(source, keys::kSerialPort), QStringLiteral("COM1:"));
    QCOMPARE(StoredString(source, keys::kDeviceName), QStringLiteral("-"));
    QCOMPARE(StoredDword(keys::kCommunication, keys::kUseGPSIntermediateDriver), 0u);
    QVERIFY(!core.BluetoothSource().HasDevice());
    QCOMPARE(ItemText(frame, kRecordFrom), QStringLiteral("Recording &from COM1:"));
    QVERIFY(frame.UpdateCommand(kRecordFrom).checked);
    const std::filesystem::path file = core.SerialSource().RecordFileName();

    ChooseSerialPort(kRecordSerial, QStringLiteral("COM1:"));
    QCOMPARE(core.SerialSource().RecordFileName(), file); // not restarted
    QVERIFY(m_asked.empty());
    QCOMPARE(SourceBaudRateSetting(m_window->registry), 0);

    // A new rate is kept for the source, which records on (restarted at it).
    ChooseSerialPort(kRecordSerial, QStringLiteral("COM1:"), 9600);
    QCOMPARE(SourceBaudRateSetting(m_window->registry), 9600);
    QVERIFY(core.RunningSource() != nullptr);

    m_answers = {PromptAnswer::No}; // the first recording is not kept, if asked
    ChooseSerialPort(kRecordSerial, QStringLiteral("COM2:"));
    QCOMPARE(ItemText(frame, kRecordFrom), QStringLiteral("Recording &from COM2:"));
    QCOMPARE(StoredString(source, keys::kSerialPort), QStringLiteral("COM2:"));

    ChooseSerialPort(kPlaybackSerial, QStringLiteral("COM5:"));
    QCOMPARE(StoredString(kDestinationKey, keys::kDeviceKind), QStringLiteral("SP"));
    QCOMPARE(StoredString(kDestinationKey, keys::kSerialPort), QStringLiteral("COM5:"));
    QCOMPARE(ItemText(frame, kPlaybackTo), QStringLiteral("Playing back &to COM5:"));
    QVERIFY(frame.UpdateCommand(kPlaybackTo).checked);
    QCOMPARE(StoredString(source, keys::kSerialPort), QStringLiteral("COM2:"));
}

void DeviceDialogsTest::PositionDialogsTakeThePlayedPointDuringAPlayback() {
    ApplicationCore& core = m_window->core;
    const auto decode = [&core](int engine, const char* latitude, const char* longitude) {
        std::lock_guard lock(core.TrackLock(engine));
        for (const std::string& text : {"$GPGGA,073000.00," + std::string(latitude) + "," +
                                            longitude + ",1,08,0.9,500.0,M,46.9,M,,*",
                                        "$GPRMC,073000.00,A," + std::string(latitude) + "," +
                                            longitude + ",0.0,045.0,010526,,*"}) {
            bool outOfMemory = false;
            core.Document().DecodeLine(engine, *FinishLine(text), outOfMemory, {});
        }
    };
    // The played track stands at 10 N 20 E, a fix of the live track at 48 N 11 E.
    decode(kEngineTrack1, "1000.0000,N", "02000.0000,E");
    decode(kEngineTrack2, "4800.0000,N", "01100.0000,E");
    CNavigationDataBase& store = core.Document().Store();
    for (const auto& [name, latitude, longitude] :
         {std::tuple{"Played", 10.01, 20.0}, std::tuple{"Live", 48.01, 11.0}}) {
        QVERIFY(
            store.StoreWaypoint(CWaypoint(name, CLatLong::FromDecimalDegrees(latitude, longitude)),
                                true, "x") >= 0);
    }
    PseudoTerminal consumer;
    LinkPort("COM5:", consumer.SlavePath());
    ChooseSerialPort(kPlaybackSerial, QStringLiteral("COM5:"));
    QVERIFY(core.IsDestinationRunning());

    const NavigationDialogContext context{core, {}};
    CNearestWaypointListDlg nearest(context, 10);
    QCOMPARE(nearest.Model()->Rows().at(0).at(0), QStringLiteral("Played"));

    RegistryNavigationSettings settings(m_window->registry);
    CLatLong proposed;
    NewWaypointInDialog(context, settings, nullptr, [&](CNewNavigationItemDlg& dialog) {
        proposed = dialog.Position();
        return false;
    });
    QCOMPARE(proposed, CLatLong::FromDecimalDegrees(10.0, 20.0));

    QString marked;
    WhenShown<CMarkPositionDlg>([&](CMarkPositionDlg& dialog) {
        dialog.Tick();
        marked = dialog.LatitudeField()->text();
        dialog.reject();
    });
    QVERIFY(m_window->frame.ExecuteCommand(kMarkPosition));
    QCOMPARE(marked, QString::fromUtf8("N 10\u00B000.0000'"));
}

void DeviceDialogsTest::BuiltInGpsIsAToggleWithItsCheckMark() {
    CMainFrame& frame = m_window->frame;
    ApplicationCore& core = m_window->core;
    testpaths::WriteFileBytes(m_window->paths.machineRegistryFile,
                              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\GPS "
                              "Intermediate Driver\\Multiplexer]\r\n\"DriverInterface\"=\"GPD0:\""
                              "\r\n");
    PseudoTerminal gps;
    LinkPort("GPD0:", gps.SlavePath());
    QVERIFY(frame.UpdateCommand(kRecordBuiltInGps).enabled);
    QVERIFY(!frame.UpdateCommand(kRecordBuiltInGps).checked);

    QVERIFY(frame.ExecuteCommand(kRecordBuiltInGps));
    QVERIFY(frame.UpdateCommand(kRecordBuiltInGps).checked);
    QCOMPARE(StoredDword(keys::kCommunication, keys::kUseGPSIntermediateDriver), 1u);
    QCOMPARE(StoredString(kSourceKey, keys::kSerialPort), QStringLiteral("GPD0:"));
    QCOMPARE(ItemText(frame, kRecordFrom), QStringLiteral("Recording &from built-in GPS"));

    m_answers = {PromptAnswer::No};
    QVERIFY(frame.ExecuteCommand(kRecordBuiltInGps));
    QVERIFY(!frame.UpdateCommand(kRecordBuiltInGps).checked);
    QCOMPARE(core.RunningSource(), nullptr);
    QCOMPARE(StoredDword(keys::kCommunication, keys::kUseGPSIntermediateDriver), 0u);
    QCOMPARE(StoredString(kSourceKey, keys::kDeviceKind), QStringLiteral("-"));
    QVERIFY(!frame.UpdateCommand(kRecordFrom).enabled);

    // A machine without the built-in GPS greys the item.
    Settings settings;
    settings.builtInGps.enabled = false;
    core.ApplySettings(settings);
    QVERIFY(!frame.UpdateCommand(kRecordBuiltInGps).enabled);
}

void DeviceDialogsTest::DeviceDialogSearchesListsAndReturnsTheSelectedDevice() {
    ApplicationCore& core = m_window->core;
    ScriptedTransport& transport = m_window->transport;
    core.AppendBluetoothDevice({"Old", 0x0A0B'0C0D'0E0F});
    {
        CSelectBluetoothDeviceDlg dialog(core, true);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Bluetooth Device"));
        QVERIFY(dialog.findChild<QLabel*>()->text() == QStringLiteral("for Record"));
        QAbstractItemModel* model = dialog.List()->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Device Name"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Device Address"));
        QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("0A0B0C0D0E0F"));
        QVERIFY(!dialog.OkButton()->isEnabled());
        QVERIFY(dialog.RefreshButton()->isEnabled());
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected)); // no row selected

        transport.inquiryDevices = {kMouse};
        transport.HoldInquiry();
        dialog.RefreshButton()->click();
        QVERIFY(dialog.IsRefreshing());
        QVERIFY(!dialog.RefreshButton()->isEnabled());
        QCOMPARE(dialog.List()->EmptyText(), QStringLiteral("Search for BT Devices is running..."));
        QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), 1, kThreadWaitMs);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("GPS-Mouse"));
        QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("001122334455"));
        transport.ReleaseInquiry();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.IsRefreshing(), kThreadWaitMs);
        QVERIFY(dialog.RefreshButton()->isEnabled());
        QCOMPARE(dialog.List()->EmptyText(), QStringLiteral("BT Devices could Not be found"));

        dialog.List()->SelectRow(0);
        QVERIFY(dialog.OkButton()->isEnabled());
        QCOMPARE(dialog.Choice(), std::optional<BluetoothDevice>(kMouse));
        dialog.List()->setColumnWidth(0, 201);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    const std::string layout = std::string(keys::kSettings) + "\\ListLayouts\\BluetoothDeviceList";
    QCOMPARE(StoredDword(layout, "DeviceNameColumnWidth"), 201u);
    CSelectBluetoothDeviceDlg again(core, false);
    QCOMPARE(again.List()->columnWidth(0), 201);
    QCOMPARE(again.findChild<QLabel*>()->text(), QStringLiteral("for Playback"));

    // The choice through the frame: stored, the serial port of the direction cleared.
    core.SerialDestination().SetPortName("COM4:");
    transport.search = {IBluetoothTransport::LookupStep::Begin, EHOSTDOWN, {}};
    WhenShown<CSelectBluetoothDeviceDlg>([](CSelectBluetoothDeviceDlg& dialog) {
        dialog.List()->SelectRow(0);
        dialog.accept();
    });
    QVERIFY(m_window->frame.ExecuteCommand(kPlaybackBluetooth));
    QCOMPARE(StoredString(kDestinationKey, keys::kDeviceKind), QStringLiteral("BT"));
    QCOMPARE(StoredString(kDestinationKey, keys::kDeviceName), QStringLiteral("GPS-Mouse"));
    QVERIFY(core.SerialDestination().GetPortName().empty());
    // The failed start was reported, and the item names the device.
    QTRY_COMPARE_WITH_TIMEOUT(m_asked.size(), std::size_t(1), kThreadWaitMs);
    QCOMPARE(ItemText(m_window->frame, kPlaybackTo), QStringLiteral("Playback &to GPS-Mouse"));
}

void DeviceDialogsTest::ClosingTheDeviceDialogOrTheProgramDoesNotWaitForTheInquiry() {
    ApplicationCore& core = m_window->core;
    m_window->transport.HoldInquiry();
    {
        CSelectBluetoothDeviceDlg dialog(core, true);
        dialog.RefreshButton()->click();
        dialog.reject();
        QVERIFY(!dialog.IsRefreshing());
    }
    QVERIFY(core.InquirySlot().IsAlive()); // it goes on in the background
    QTRY_VERIFY_WITH_TIMEOUT(m_window->transport.Inquiring(), kThreadWaitMs);
    // A dialog opened meanwhile follows the inquiry still running.
    CSelectBluetoothDeviceDlg reopened(core, true);
    QVERIFY(reopened.IsRefreshing());
    QVERIFY(!reopened.RefreshButton()->isEnabled());
    // The program's end stops the workers without waiting for the stack.
    core.StopWorkers();
    QVERIFY(!core.InquirySlot().IsAlive());
    m_window->transport.ReleaseInquiry();
}

void DeviceDialogsTest::ChannelDialogIsAskedFromAWorkerThread() {
    QString device;
    QStringList rows;
    QString header;
    WhenShown<CSelectBluetoothChannelDlg>([&](CSelectBluetoothChannelDlg& dialog) {
        device = dialog.findChild<QLabel*>()->text();
        QAbstractItemModel* model = dialog.List()->model();
        header = model->headerData(0, Qt::Horizontal).toString();
        for (int row = 0; row < model->rowCount(); ++row) {
            rows << model->index(row, 0).data().toString();
        }
        dialog.List()->SelectRow(1);
        dialog.accept();
    });
    std::optional<std::size_t> chosen;
    std::atomic<bool> answered{false};
    std::thread worker([&] {
        chosen = m_window->host.ChooseBluetoothChannel("GPS-Mouse", {1, 3});
        answered = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(answered.load(), kThreadWaitMs);
    worker.join();
    QCOMPARE(device, QStringLiteral("BT Device: GPS-Mouse"));
    QCOMPARE(header, QStringLiteral("Channel"));
    QCOMPARE(rows, (QStringList{QStringLiteral("BT Channel: 1"), QStringLiteral("BT Channel: 3")}));
    QCOMPARE(chosen, std::optional<std::size_t>(1));
}

void DeviceDialogsTest::BluetoothConnectionRunsOffTheWindowAndCanBeCancelled() {
    CMainFrame& frame = m_window->frame;
    ApplicationCore& core = m_window->core;
    ScriptedTransport& transport = m_window->transport;
    core.AppendBluetoothDevice(kMouse);
    transport.connectResults = std::deque<int>(60, EISCONN);
    transport.HoldConnect();
    QString shown;
    WhenShown<CSelectBluetoothDeviceDlg>([&](CSelectBluetoothDeviceDlg& dialog) {
        dialog.List()->SelectRow(0);
        dialog.accept();
        // The connection is under way while the window goes on: its box can cancel it.
        WhenShown<CBluetoothConnectDlg>(
            [&](CBluetoothConnectDlg& connecting) {
                shown = connecting.Text()->text();
                connecting.CancelButton()->click();
                QVERIFY(!connecting.CancelButton()->isEnabled());
                transport.ReleaseConnect();
            },
            [&] { return transport.ConnectWaiting(); });
    });
    QVERIFY(frame.ExecuteCommand(kRecordBluetooth));
    QCOMPARE(shown, QStringLiteral("Connecting to GPS-Mouse..."));
    QCOMPARE(StoredString(kSourceKey, keys::kDeviceKind), QStringLiteral("BT"));
    QVERIFY(!core.BluetoothSource().IsRunning());
    QCOMPARE(core.BluetoothSource().Socket(), -1);
    QCOMPARE(transport.connectedChannels.size(), std::size_t(1));
    QVERIFY(!core.BluetoothSource().ReceiveSlot().IsAlive());
    QCOMPARE(RecordFiles(m_window->paths.documentsDir), 0);
    QVERIFY(m_asked.empty());

    // Record from connects the same way; the channel question reaches the user meanwhile.
    transport.connectResults.clear();
    transport.search.attributeLists = SerialPortAttributeLists({1, 3});
    WhenShown<CSelectBluetoothChannelDlg>([](CSelectBluetoothChannelDlg& dialog) {
        dialog.List()->SelectRow(1);
        dialog.accept();
    });
    QVERIFY(frame.ExecuteCommand(kRecordFrom));
    QVERIFY(core.BluetoothSource().IsRunning());
    QCOMPARE(ItemText(frame, kRecordFrom), QStringLiteral("Recording &from GPS-Mouse Channel:3"));
}

void DeviceDialogsTest::NetworkChoiceIsStoredNamedByThePlaybackItemAndStartsIt() {
    CMainFrame& frame = m_window->frame;
    ApplicationCore& core = m_window->core;
    core.SerialDestination().SetPortName("COM5:");
    const int port = FreeLoopbackPort();
    bool refused = false;
    WhenShown<CNetworkDlg>([port, &refused](CNetworkDlg& dialog) {
        dialog.Protocols()->setCurrentIndex(
            dialog.Protocols()->findData(static_cast<int>(NetworkProtocol::TcpServer)));
        dialog.Port()->setValue(port);
        // A host that is no name keeps the dialog open and says so.
        dialog.Host()->setText(QStringLiteral("a host"));
        dialog.accept();
        refused = dialog.isVisible() && !dialog.Problem()->text().isEmpty();
        dialog.Host()->clear();
        dialog.accept();
    });
    QVERIFY(frame.ExecuteCommand(kPlaybackNetwork));
    QVERIFY(refused);
    const QString url = QStringLiteral("tcp-server://127.0.0.1:") + QString::number(port);
    QCOMPARE(StoredString(kDestinationKey, keys::kDeviceKind), QStringLiteral("NET"));
    QCOMPARE(StoredString(kDestinationKey, keys::kNetworkAddress), url);
    QVERIFY(core.SerialDestination().GetPortName().empty());
    QCOMPARE(ItemText(frame, kPlaybackTo), QStringLiteral("Playing back &to ") + url);
    const int reader = ConnectLoopback(static_cast<std::uint16_t>(port));
    QVERIFY(reader >= 0);
    ::close(reader);
    core.PlaybackToCommand();
    QCOMPARE(ItemText(frame, kPlaybackTo), QStringLiteral("Playback &to ") + url);
}

ZRV_QTEST_MAIN(DeviceDialogsTest)
#include "DeviceDialogsTest.moc"
