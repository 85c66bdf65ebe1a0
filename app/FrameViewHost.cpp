#include "app/FrameViewHost.h"

#include "app/CMainFrame.h"
#include "app/UiThreadCall.h"
#include "app/dialogs/CSelectBluetoothChannelDlg.h"
#include "app/view/CObrin2View.h"

#include <QApplication>

void DesktopBeep::SetVibrator(bool on) {
    if (on) {
        m_ui.Post([] { QApplication::beep(); });
    }
}

void DesktopBeep::SystemBeep() {
    m_ui.Post([] { QApplication::beep(); });
}

FrameViewHost::FrameViewHost(UiThreadCall& ui, IPrompts& prompts)
    : m_ui(ui), m_beep(ui), m_alerts(m_beep, prompts) {}

void FrameViewHost::Attach(CMainFrame* frame, CObrin2View* view) {
    m_frame = frame;
    m_view.store(view);
}

int FrameViewHost::ShownEngine() const {
    const CObrin2View* view = m_view.load();
    return view != nullptr ? view->ShownEngine() : kEngineTrack2;
}

int FrameViewHost::ShownKind() const {
    const CObrin2View* view = m_view.load();
    return view != nullptr ? view->ShownKind() : kViewKindRouteGuidance;
}

void FrameViewHost::WithView(std::function<void(CObrin2View&)> work) {
    const auto run = [this, work = std::move(work)] {
        if (CObrin2View* view = m_view.load()) {
            work(*view);
        }
    };
    if (m_ui.OnUiThread()) {
        run();
    } else {
        m_ui.Post(run);
    }
}

void FrameViewHost::SelectView(int commandId) {
    WithView([commandId](CObrin2View& view) { view.SelectView(commandId); });
}

void FrameViewHost::RefreshTitle() {
    WithView([this](CObrin2View&) {
        if (m_frame) {
            m_frame->RefreshTitle();
        }
    });
}

void FrameViewHost::StartRefreshTimer() {
    WithView([](CObrin2View& view) { view.StartRefreshTimer(); });
}

void FrameViewHost::RedrawTrack(int engine) {
    WithView([engine](CObrin2View& view) { view.RedrawTrack(engine); });
}

void FrameViewHost::ClearStatistics() {
    WithView([](CObrin2View& view) { view.ClearStatistics(); });
}

void FrameViewHost::MovePlaybackMarker(int engine, const TrackPoint& point) {
    WithView([engine, point](CObrin2View& view) { view.MovePlaybackMarker(engine, point); });
}

void FrameViewHost::ShowLoadingProgress(int percent, const std::string& trackName) {
    {
        std::lock_guard lock(m_progressLock);
        const bool waiting = m_pendingProgress.has_value();
        m_pendingProgress = Progress{percent, trackName};
        if (waiting) {
            return;
        }
    }
    const auto show = [this] {
        Progress progress;
        {
            std::lock_guard lock(m_progressLock);
            progress = std::move(*m_pendingProgress);
            m_pendingProgress.reset();
        }
        if (CObrin2View* view = m_view.load()) {
            view->ShowLoadingProgress(progress.percent, QString::fromStdString(progress.trackName));
        }
    };
    if (m_ui.OnUiThread()) {
        show();
    } else {
        m_ui.Post(show);
    }
}

void FrameViewHost::StartAlert(AlertKind kind) {
    m_alerts.Start(kind);
}

void FrameViewHost::PostCommand(int commandId) {
    m_ui.Post([this, commandId] {
        if (m_frame) {
            m_frame->ExecuteCommand(commandId);
        }
    });
}

void FrameViewHost::Post(std::function<void()> task) {
    m_ui.Post(std::move(task));
}

std::optional<std::size_t>
FrameViewHost::ChooseBluetoothChannel(const std::string& deviceName,
                                      const std::vector<std::uint8_t>& channels) {
    const auto choose = [this, deviceName, channels]() -> std::optional<std::size_t> {
        CSelectBluetoothChannelDlg dialog(deviceName, channels, m_frame);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.Choice();
    };
    return m_ui.Call<std::optional<std::size_t>>(choose).value_or(std::nullopt);
}
