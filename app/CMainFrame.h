#pragma once

#include "app/CommandTable.h"
#include "app/FrameFit.h"
#include "comm/DeviceSelection.h"
#include "platform/Settings.h"

#include <QMainWindow>
#include <QString>

#include <functional>
#include <map>

class ApplicationCore;
class CObrin2View;
class IDeviceManager;
class QAction;
class QDialog;
class QMenu;

// How the frame asks for a file; tests answer without a dialog. Each returns the chosen path,
// or an empty text when the user cancelled.
struct FileDialogs {
    // (owner, title, folder, filter)
    std::function<QString(QWidget*, const QString&, const QString&, const QString&)> open;
    // (owner, title, proposed path, filters): the chosen path with its filter's extension
    std::function<QString(QWidget*, const QString&, const QString&, const QStringList&)> save;
};

// The main window: the menu built from the command table, the title, the view, and the
// commands' handlers and update handlers.
class CMainFrame final : public QMainWindow {
public:
    explicit CMainFrame(ApplicationCore& core);
    ~CMainFrame() override;

    CObrin2View& View() { return *m_view; }

    // Carries out a command as its menu item would; false for an unknown id.
    bool ExecuteCommand(int id);
    // What the command's item shows now.
    CommandUi UpdateCommand(int id);
    QAction* Action(int id) const;
    QMenu* MainMenu() const { return m_mainMenu; }

    // The first show: filling a small screen, or the screen when `fullScreen`; elsewhere at the
    // size and place of the last run.
    void ShowFitted(bool fullScreen) { m_fit.Show(fullScreen); }
    // The size and place for the next run.
    void SavePlacement() { m_fit.Save(); }

    // The title: the name of the track the view shows.
    void RefreshTitle();
    // Opens a record file or a KML/KMZ file as Open... does after its dialog.
    void OpenPath(const QString& path);

    // The settings of the first activation that the frame's commands use (export options,
    // the route-guidance kind of imports).
    void ApplySettings(const Settings& settings) { m_settings = settings; }
    // Called once, at the first activation of the window.
    void OnFirstActivation(std::function<void()> handler) {
        m_firstActivation = std::move(handler);
    }
    // Called when the window is closed, before it goes.
    void OnClose(std::function<void()> handler) { m_close = std::move(handler); }
    void SetFileDialogs(FileDialogs dialogs) { m_dialogs = std::move(dialogs); }
    // The device manager that Options... registers the virtual serial port with.
    void SetDeviceManager(IDeviceManager& devices) { m_devices = &devices; }
    // Called with the busy box of Save... and of opening a KML or KMZ file once it is up,
    // before the work starts (tests look at the box and the locks there).
    void OnBusyBoxShown(std::function<void(QDialog&)> shown) { m_busyShown = std::move(shown); }

    // --- Handlers (the command table's) ----------------------------------------------------
    void OnAbout(int id);
    void OnOpen(int id);
    void OnSave(int id);
    void OnOrientation(int id);
    void OnFullScreen(int id);
    void OnSelectView(int id);
    void OnRecordFrom(int id);
    void OnPlaybackTo(int id);
    void OnGoTo(int id);
    void OnPlaybackMode(int id);
    void OnDirection(int id);
    void OnSpeedZoom(int id);
    void OnPacedByLogTime(int id);
    void OnTripDataField(int id);
    void OnNavigationField(int id);
    void OnNightColours(int id);
    void OnManOverboard(int id);
    void OnRecalculateRoute(int id);
    void OnSaveChangesNow(int id);
    void OnHelpContents(int id);
    void OnWarnings(int id);
    void OnDestinations(int id);
    void OnOptions(int id);
    void OnSelectSerialPort(int id);
    void OnSelectBluetoothDevice(int id);
    void OnSelectNetwork(int id);
    void OnBuiltInGps(int id);

    // --- Update handlers --------------------------------------------------------------------
    void UpdateOrientation(int id, CommandUi& ui);
    void UpdateFullScreen(int id, CommandUi& ui);
    void UpdateView(int id, CommandUi& ui);
    void UpdateRecordFrom(int id, CommandUi& ui);
    void UpdatePlaybackTo(int id, CommandUi& ui);
    void UpdateGoTo(int id, CommandUi& ui);
    void UpdatePlaybackMode(int id, CommandUi& ui);
    void UpdateDirection(int id, CommandUi& ui);
    void UpdateSpeedZoom(int id, CommandUi& ui);
    void UpdatePacedByLogTime(int id, CommandUi& ui);
    void UpdateTripDataField(int id, CommandUi& ui);
    void UpdateNavigationField(int id, CommandUi& ui);
    void UpdateNightColours(int id, CommandUi& ui);
    void UpdateManOverboard(int id, CommandUi& ui);
    void UpdateRecalculateRoute(int id, CommandUi& ui);
    void UpdateDestinations(int id, CommandUi& ui);
    void UpdateBuiltInGps(int id, CommandUi& ui);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void UpdateMenu(QMenu& menu);
    void ShowContextMenu(const QPoint& globalPos);
    void FirstActivation();
    // The record or playback command; starting a Bluetooth connection runs off the
    // user-interface thread with a box that can cancel it.
    void RunDirectionCommand(Direction direction);
    // After a device was chosen: start, restart or leave the direction.
    void StartOrRestart(Direction direction, bool changed);
    // The documents folder as the file dialogs start in it; empty (reported) when missing.
    QString DocumentsFolder();

    ApplicationCore& m_core;
    CObrin2View* m_view;
    QMenu* m_mainMenu = nullptr;
    std::map<int, QAction*> m_actions;
    Settings m_settings;
    FileDialogs m_dialogs;
    IDeviceManager* m_devices = nullptr;
    FrameFit m_fit;
    QString m_openFolder; // the folder Open... used last
    bool m_activated = false;
    std::function<void()> m_firstActivation;
    std::function<void()> m_close;
    std::function<void(QDialog&)> m_busyShown;
};
