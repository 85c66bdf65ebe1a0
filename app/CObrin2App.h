#pragma once

#include "app/DialogFit.h"
#include "app/FrameViewHost.h"
#include "app/QtPrompts.h"
#include "app/QtTimers.h"
#include "app/UiThreadCall.h"
#include "comm/ApplicationCore.h"
#include "comm/DeviceManager.h"
#include "platform/CalendarTime.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/TerminalPrompts.h"

#include <memory>

class CMainFrame;

// The application object: owns for the whole run the prompts, timers and view host of the
// window, the settings registry, the application core (document, endpoints, file readers,
// locks) and the main frame with its view.
class CObrin2App {
public:
    explicit CObrin2App(const PlatformPaths& paths);
    ~CObrin2App();
    CObrin2App(const CObrin2App&) = delete;
    CObrin2App& operator=(const CObrin2App&) = delete;

    // Start-up: the frame, document and view, the documents folder and the navigation store
    // loaded by the store reader. False when the program cannot start (the reason was shown).
    bool InitInstance();
    // Shutdown: stops a running recording or playback as their commands would, stops the
    // worker threads, saves the known Bluetooth devices and closes the document.
    void ExitInstance();
    // A signal or the end of the desktop session: what Exit does, then the event loop is
    // left. No one may be there to answer, so every question takes its default button (a
    // recording keeps its file) and every notice goes to stderr. An open dialog is closed
    // first, so that its caller is done before the core stops.
    void ExitWithoutQuestions();
    // --record: Record from, as the menu would. A built-in GPS that cannot be read because
    // gpsd is silent is said so; the menu item would only be grey.
    void RecordFromCommandLine();

    CMainFrame& Frame() { return *m_frame; }
    ApplicationCore& Core() { return m_core; }
    QtPrompts& Prompts() { return m_prompts; }
    QtTimers& Timers() { return m_timers; }
    RegistryStore& Registry() { return m_registry; }
    // The device manager the virtual serial port is registered with; before InitInstance.
    void UseDeviceManager(IDeviceManager& devices) { m_deviceManager = &devices; }
    // Whether the settings have been loaded and applied (the first activation).
    bool SettingsApplied() const { return m_settingsApplied; }

private:
    // The first activation of the frame: every setting loaded and applied, once.
    void ApplySettings();

    PlatformPaths m_paths;
    UiThreadCall m_ui;
    DialogFit m_dialogFit;
    QtPrompts m_prompts;
    TerminalPrompts m_unattendedPrompts;
    QtTimers m_timers;
    FrameViewHost m_viewHost;
    SystemClock m_clock;
    RegistryStore m_registry;
    DeviceManager m_devices;
    IDeviceManager* m_deviceManager = &m_devices;
    ApplicationCore m_core;
    std::unique_ptr<CMainFrame> m_frame;
    bool m_settingsApplied = false;
    bool m_exited = false;
};
