#include "app/CObrin2App.h"

#include "app/CMainFrame.h"
#include "app/view/CObrin2View.h"
#include "comm/ServiceFiles.h"
#include "platform/GpsdProbe.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QGuiApplication>

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
    // The handheld's COM and socket libraries have nothing to start here; endpoints and
    // readers were given the application when the core was made.
    m_frame = std::make_unique<CMainFrame>(m_core);
    m_prompts.SetOwner(m_frame.get());
    m_viewHost.Attach(m_frame.get(), &m_frame->View());
    m_frame->SetDeviceManager(*m_deviceManager);
    m_frame->OnFirstActivation([this] { ApplySettings(); });
    m_frame->OnClose([this] { ExitInstance(); });
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
    m_viewHost.Attach(nullptr, nullptr);
}
