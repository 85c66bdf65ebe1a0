#pragma once

#include "app/view/PositionMarker.h"
#include "app/view/StatisticsPanel.h"
#include "app/view/TrackDrawing.h"
#include "app/view/ViewPalette.h"
#include "comm/ApplicationCore.h"
#include "navigation/RouteGuidance.h"
#include "platform/Settings.h"
#include "tracks/StatisticsPanelText.h"
#include "tracks/Track.h"
#include "tracks/TrackScreenPoints.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <atomic>

// The one view of the window: shows one of the five driving views (track plot or altitude
// profile of track 1 or track 2, route guidance) with the statistics panel, draws into an
// image that it paints from, and refreshes the live track once a second while a source runs.
// It watches the navigation store: a new target redraws route guidance at once.
class CObrin2View : public QWidget, private INavigationObserver {
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
    // The options as OK in the option dialog hands them over; the view is drawn again with
    // them. Units as "DistanceUnits" holds them; engine 1 or 2 for whose statistics.
    void SetDistanceUnits(int units);
    void SetShowFullStatistic(int engine, bool full);
    void SetFollowTheRoute(bool follow);
    void SetRouteGuidanceKind(int kind);
    // The night palette ("Night Colours"), saved as NightColours; the view is drawn again.
    void SetNightColours(bool night);
    bool NightColours() const { return m_palette == &NightPalette(); }
    // Timer 14, 1000 ms; it stops itself after the first tick that finds no source running.
    void StartRefreshTimer();
    bool IsRefreshing() const { return m_refreshTimer != 0; }
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
    // One tick of the refresh timer: the newest point of track 2 into the shown track view or
    // route guidance.
    void RefreshTick();

    // The image the view paints from, in the orientation of the drawing.
    const QImage& Image() const { return m_image; }
    // Where the track plot or profile and the statistics panel lie in the image.
    QRect TrackRegion() const { return m_trackRegion; }
    QRect PanelRegion() const { return m_statisticsPanel.Rect(); }
    // What route guidance shows.
    const GuidanceDisplay& Guidance() const { return m_guidanceDisplay; }
    // How often a track view was drawn from scratch (the refresh draws only new points).
    int FullRedraws() const { return m_fullRedraws; }

signals:
    // The shown track changed.
    void TitleChanged();
    // Tap and hold, right button.
    void ContextMenuRequested(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool event(QEvent* event) override;

private:
    // What was drawn of the shown track, so that a refresh draws only the new points.
    struct DrawnTrack {
        bool valid = false;
        int count = 0;
        PlotScaleKey key;
        int fastestBand = -1;
    };

    void NavigationChanged() override;
    int Dpi() const;
    void LayOutImage();
    void DrawView();
    void DrawTrackView(bool fromScratch);
    void DrawGuidanceView();
    void OnActionKey();
    void CycleView(int step);
    void RedrawFromScratch();
    void ForgetMarkers();
    bool ShownFullStatistic() const;
    void ConfigurePanels();
    ProfileAxes AxesOf(const PlotScaleKey& key) const;
    // Panels and drawing anew after an option changed.
    void RedrawWithOptions();
    int ReadGeneralValue(const char* name) const;
    void WriteGeneralValue(const char* name, int value);
    ScreenPoint MarkerPointOf(const TrackPoint& point, bool& drawn) const;

    ApplicationCore& m_core;
    std::atomic<int> m_engine{kEngineTrack2};
    std::atomic<int> m_kind{kViewKindRouteGuidance};
    int m_tripDataField = 1;
    int m_navigationField = 1;
    int m_orientation = 0;
    DistanceUnit m_units = DistanceUnit::NauticalMiles;
    bool m_fullLiveStatistic = true;
    bool m_fullRecordedStatistic = true;
    const ViewPalette* m_palette = &DayPalette();
    int m_fullRedraws = 0;

    QImage m_image;
    QRect m_trackRegion;
    DrawnTrack m_drawn;
    StatisticsPanelText m_statisticsText;
    StatisticsPanel m_statisticsPanel;
    CRouteGuidance m_guidance;
    GuidanceDisplay m_guidanceDisplay;
    PositionMarker m_playbackMarker{PositionMarker::Shape::Flag};
    PositionMarker m_liveMarker{PositionMarker::Shape::Cross};
    // The playback marker has been placed in this view and follows redraws.
    bool m_playbackShown = false;
    int m_refreshTimer = 0;
    bool m_actionKeyPressed = false;
};
