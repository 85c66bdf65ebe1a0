#include "app/CObrin2App.h"

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/FingerSize.h"
#include "app/view/CObrin2View.h"
#include "comm/ServiceFiles.h"
#include "platform/BuiltInGpsReach.h"
#include "platform/GpsdProbe.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>

CObrin2App::CObrin2App(const PlatformPaths& paths)
    : m_paths(paths), m_prompts(m_ui), m_timers(m_ui), m_viewHost(m_ui, m_prompts),
      m_registry(m_paths, &m_prompts, [this] { return GpsdAnswers(m_paths.gpsd); }),
      m_devices(m_paths, DefaultServiceSearchFolders()),
      m_core(ApplicationServices{m_paths, m_registry, m_prompts, m_viewHost, m_timers, m_clock}) {}

CObrin2App::~CObrin2App() {
    ExitInstance();
}

bool CObrin2App::InitInstance() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // Before the first widget, so that the menus and dialogs are made for the screen.
    UseFingerSizes();
    qApp->installEventFilter(&m_dialogFit);
    // The handheld's COM and socket libraries have nothing to start here; endpoints and
    // readers were given the application when the core was made.
    m_frame = std::make_unique<CMainFrame>(m_core);
    m_prompts.SetOwner(m_frame.get());
    m_viewHost.Attach(m_frame.get(), &m_frame->View());
    m_frame->SetDeviceManager(*m_deviceManager);
    m_frame->OnFirstActivation([this] { ApplySettings(); });
    m_frame->OnClose([this] { ExitInstance(); });
    // The desktop session ends: the program may be ended without a close of its window.
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, m_frame.get(),
                     [this](QSessionManager&) { ExitWithoutQuestions(); });
    QObject::connect(qGuiApp, &QGuiApplication::aboutToQuit, m_frame.get(),
                     [this] { ExitWithoutQuestions(); });
    const bool started = m_core.Start(true);
    QGuiApplication::restoreOverrideCursor();
    return started;
}

void CObrin2App::ApplySettings() {
    const Settings settings = LoadSettings(m_registry);
    m_core.ApplySettings(settings);
    m_frame->View().ApplySettings(settings);
    m_frame->ApplySettings(settings);
    m_core.RegisterVirtualPort(*m_deviceManager);
    m_frame->RefreshTitle();
    m_settingsApplied = true;
}

void CObrin2App::ExitInstance() {
    if (m_exited || !m_frame) {
        return;
    }
    m_exited = true;
    // A recording still running is stopped as its command would, so the user decides about
    // its file; a playback is stopped so its port is released.
    if (m_core.RunningSource() != nullptr) {
        m_core.RecordCommand();
    }
    if (m_core.IsDestinationRunning()) {
        m_core.PlaybackToCommand();
    }
    // Workers waiting for an answer are released before they are waited for.
    m_ui.Cancel();
    m_core.StopWorkers();
    if (m_settingsApplied) {
        std::vector<RememberedDevice> devices;
        for (const BluetoothDevice& device : m_core.BluetoothDevices()) {
            devices.push_back({device.name, device.address});
        }
        SaveRememberedDevices(m_registry, devices);
    }
    m_core.CloseDocument();
    m_frame->SavePlacement();
    m_viewHost.Attach(nullptr, nullptr);
}

void CObrin2App::ExitWithoutQuestions() {
    m_prompts.SetPresenter(
        [this](const PromptRequest& request) { return m_unattendedPrompts.Show(request); });
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->hide();
        }
        QTimer::singleShot(0, m_frame.get(), [this] { ExitWithoutQuestions(); });
        return;
    }
    ExitInstance();
    QCoreApplication::quit();
}

void CObrin2App::RecordFromCommandLine() {
    if (!m_core.HasSource()) {
        if (const auto silent = SilentBuiltInGps(m_registry, m_paths.gpsd)) {
            m_prompts.ShowError("The built-in GPS cannot be read: " + *silent);
            return;
        }
    }
    m_frame->ExecuteCommand(command_ids::kRecordFrom);
}
