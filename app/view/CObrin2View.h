#pragma once

#include "comm/ApplicationCore.h"
#include "platform/Settings.h"
#include "tracks/Track.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <atomic>

// The one view of the window: shows one of the five driving views (track plot or altitude
// profile of track 1 or track 2, route guidance) with the statistics panel, draws into an
// image that it paints from, and refreshes the live track once a second.
class CObrin2View : public QWidget {
    Q_OBJECT
public:
    explicit CObrin2View(ApplicationCore& core, QWidget* parent = nullptr);
    ~CObrin2View() override;

    // Any thread: 1 track 1, 2 track 2.
    int ShownEngine() const { return m_engine.load(); }
    // Any thread: 1 plot, 2 profile, 3 route guidance.
    int ShownKind() const { return m_kind.load(); }
    // 32780..32784, for the menu's check marks.
    int ShownViewCommand() const;
    // Ignores the current view; otherwise erases the markers, clears the panels, saves the
    // pair as KindOfEngine/KindOfView and emits TitleChanged.
    void SelectView(int commandId);
    // First activation: fields, units, full-statistic flags and the initial view (the saved
    // pair restored; any other pair selects route guidance).
    void ApplySettings(const Settings& settings);
    // Timer 14, 1000 ms.
    void StartRefreshTimer();
    // Redraws that track's plot or profile from scratch when it is shown.
    void RedrawTrack(int engine);
    void ClearStatistics();
    // User-interface thread only.
    void MovePlaybackMarker(int engine, const TrackPoint& point);
    // User-interface thread only.
    void ShowLoadingProgress(int percent, const QString& trackName);
    // 1..8, saved as DTUserSelectableField.
    void SetTripDataField(int field);
    int TripDataField() const { return m_tripDataField; }
    // 1..7, saved as NavUserSelectableField.
    void SetNavigationField(int field);
    int NavigationField() const { return m_navigationField; }
    // 0, 90, 180, 270: rotates the drawing.
    void SetOrientation(int degrees);
    int Orientation() const { return m_orientation; }
    bool IsScreenSquare() const;

signals:
    // The shown track changed.
    void TitleChanged();
    // Tap and hold, right button.
    void ContextMenuRequested(const QPoint& globalPos);

private:
    ApplicationCore& m_core;
    std::atomic<int> m_engine{kEngineTrack2};
    std::atomic<int> m_kind{kViewKindRouteGuidance};
    int m_tripDataField = 1;
    int m_navigationField = 1;
    int m_orientation = 0;
};
