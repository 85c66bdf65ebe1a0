#include "app/view/CObrin2View.h"

#include "app/view/GuidancePanel.h"
#include "app/view/TrackDrawing.h"
#include "comm/DrivingViews.h"
#include "platform/Prompts.h"
#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"

#include <QContextMenuEvent>
#include <QGestureEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTapAndHoldGesture>

#include <algorithm>
#include <mutex>

namespace {

// The refresh of the live track and of route guidance.
constexpr int kRefreshPeriodMs = 1000;
// The palette of the views, in the General settings: 1 night, 0 or absent day.
constexpr const char* kNightColoursValue = "NightColours";

bool IsTrackKind(int kind) {
    return kind == kViewKindTrackPlot || kind == kViewKindAltitudeProfile;
}

} // namespace

CObrin2View::CObrin2View(ApplicationCore& core, QWidget* parent)
    : QWidget(parent), m_core(core), m_guidance(core.Clock()) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 160);
    grabGesture(Qt::TapAndHoldGesture);
    ConfigurePanels();
    m_core.Document().Store().SetObserver(this);
}

CObrin2View::~CObrin2View() {
    m_core.Document().Store().SetObserver(nullptr);
}

void CObrin2View::NavigationChanged() {
    // Called with the navigation lock held, possibly from a worker thread: the redraw, which
    // takes the lock itself, runs later on the view's thread (and not at all once it is gone).
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (ShownKind() == kViewKindRouteGuidance) {
                DrawView();
            }
        },
        Qt::QueuedConnection);
}

int CObrin2View::ShownViewCommand() const {
    return DrivingViewCommand({m_engine.load(), m_kind.load()});
}

void CObrin2View::SelectView(int commandId) {
    if (commandId == ShownViewCommand()) {
        return;
    }
    const DrivingViewChoice choice = DrivingViewOfCommand(commandId);
    m_engine.store(choice.engine);
    m_kind.store(choice.kind);
    WriteGeneralValue(settings_keys::kKindOfEngine, choice.engine);
    WriteGeneralValue(settings_keys::kKindOfView, choice.kind);
    m_playbackShown = false;
    ForgetMarkers();
    m_guidanceDisplay = GuidanceDisplay();
    ConfigurePanels();
    LayOutImage();
    emit TitleChanged();
}

void CObrin2View::ApplySettings(const Settings& settings) {
    const GeneralSettings& general = settings.general;
    m_tripDataField = general.dtUserSelectableField;
    m_navigationField = general.navUserSelectableField;
    m_units = DistanceUnitOfSetting(general.distanceUnits);
    m_fullLiveStatistic = general.showFullDTStatistic != 0;
    m_fullRecordedStatistic = general.showFullFFStatistic != 0;
    GuidanceSettings guidance;
    guidance.kind = general.kindOfRouteGuidance;
    guidance.followTheRoute = general.automaticallyFollowTheRoute != 0;
    guidance.unit = m_units;
    guidance.field = static_cast<GuidanceField>(std::clamp(m_navigationField, 1, 7));
    m_guidance.SetSettings(guidance);
    m_palette = &PaletteFor(ReadGeneralValue(kNightColoursValue) == 1);
    const DrivingViewChoice initial = InitialDrivingView(general);
    m_engine.store(initial.engine);
    m_kind.store(initial.kind);
    ConfigurePanels();
    LayOutImage();
    emit TitleChanged();
}

void CObrin2View::SetDistanceUnits(int units) {
    m_units = DistanceUnitOfSetting(units);
    GuidanceSettings guidance = m_guidance.Settings();
    guidance.unit = m_units;
    m_guidance.SetSettings(guidance);
    RedrawWithOptions();
}

void CObrin2View::SetShowFullStatistic(int engine, bool full) {
    (engine == kEngineTrack1 ? m_fullRecordedStatistic : m_fullLiveStatistic) = full;
    RedrawWithOptions();
}

void CObrin2View::SetFollowTheRoute(bool follow) {
    GuidanceSettings guidance = m_guidance.Settings();
    guidance.followTheRoute = follow;
    m_guidance.SetSettings(guidance);
    RedrawWithOptions();
}

void CObrin2View::SetRouteGuidanceKind(int kind) {
    GuidanceSettings guidance = m_guidance.Settings();
    guidance.kind = kind;
    m_guidance.SetSettings(guidance);
    RedrawWithOptions();
}

void CObrin2View::RedrawWithOptions() {
    ConfigurePanels();
    LayOutImage();
}

void CObrin2View::SetNightColours(bool night) {
    WriteGeneralValue(kNightColoursValue, night ? 1 : 0);
    m_palette = &PaletteFor(night);
    RedrawWithOptions();
}

void CObrin2View::StartRefreshTimer() {
    if (m_refreshTimer != 0) {
        return;
    }
    m_refreshTimer = startTimer(kRefreshPeriodMs);
    if (m_refreshTimer == 0) {
        m_core.Prompts().ShowError("SetTimer failed");
    }
}

void CObrin2View::RedrawTrack(int engine) {
    if (engine == ShownEngine() && IsTrackKind(ShownKind())) {
        m_statisticsPanel.Invalidate();
        DrawTrackView(true);
    }
}

void CObrin2View::ClearStatistics() {
    m_statisticsText.Clear();
    m_statisticsPanel.Invalidate();
    if (IsTrackKind(ShownKind())) {
        update(m_statisticsPanel.Draw(m_image, m_statisticsText, Dpi()));
    }
}

void CObrin2View::MovePlaybackMarker(int engine, const TrackPoint& point) {
    if (engine != ShownEngine() || !IsTrackKind(ShownKind())) {
        return;
    }
    bool drawn = false;
    const ScreenPoint at = MarkerPointOf(point, drawn);
    if (!drawn) {
        return;
    }
    // The live cross lies above the flag: take it off while the flag moves underneath, and put
    // it back where it was. A point recorded since the last refresh has no screen point yet.
    const std::optional<ScreenPoint> liveAt = m_liveMarker.At();
    m_liveMarker.Erase(m_image);
    m_playbackMarker.Place(m_image, at);
    m_playbackShown = true;
    if (liveAt) {
        m_liveMarker.Place(m_image, *liveAt);
    }
    update();
}

void CObrin2View::ShowLoadingProgress(int percent, const QString& trackName) {
    m_statisticsText.SetProgress(percent, trackName.toStdString());
    if (ShownEngine() == kEngineTrack1 && IsTrackKind(ShownKind())) {
        // The track grows while it loads: show what has been read so far.
        DrawTrackView(false);
    }
}

void CObrin2View::SetTripDataField(int field) {
    m_tripDataField = field;
    WriteGeneralValue(settings_keys::kDTUserSelectableField, field);
    // Only the highlight moves: the lines keep their texts (a recorded track is not read
    // again until something changes).
    m_statisticsText.Configure(m_units, ShownFullStatistic(), m_tripDataField);
    if (IsTrackKind(ShownKind())) {
        update(m_statisticsPanel.Draw(m_image, m_statisticsText, Dpi()));
    }
}

void CObrin2View::SetNavigationField(int field) {
    m_navigationField = field;
    WriteGeneralValue(settings_keys::kNavUserSelectableField, field);
    GuidanceSettings guidance = m_guidance.Settings();
    guidance.field = static_cast<GuidanceField>(std::clamp(field, 1, 7));
    m_guidance.SetSettings(guidance);
    if (ShownKind() == kViewKindRouteGuidance) {
        DrawView();
    }
}

void CObrin2View::SetOrientation(int degrees) {
    if (degrees == m_orientation) {
        return;
    }
    m_orientation = degrees;
    LayOutImage();
}

bool CObrin2View::IsScreenSquare() const {
    const QScreen* screen =
        this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr && screen->size().width() == screen->size().height();
}

int CObrin2View::Dpi() const {
    return std::max(logicalDpiY(), 1);
}

int CObrin2View::ReadGeneralValue(const char* name) const {
    CRegistryAccessor accessor(m_core.Registry());
    accessor.SetKey(settings_keys::kGeneral);
    accessor.SetValueName(name);
    std::uint32_t value = 0;
    accessor.ReadDword(value);
    return static_cast<int>(value);
}

void CObrin2View::WriteGeneralValue(const char* name, int value) {
    CRegistryAccessor accessor(m_core.Registry());
    accessor.SetKey(settings_keys::kGeneral);
    accessor.SetValueName(name);
    accessor.WriteDword(static_cast<std::uint32_t>(value));
}

bool CObrin2View::ShownFullStatistic() const {
    return ShownEngine() == kEngineTrack1 ? m_fullRecordedStatistic : m_fullLiveStatistic;
}

void CObrin2View::ConfigurePanels() {
    m_statisticsText.Clear();
    m_statisticsText.Configure(m_units, ShownFullStatistic(), m_tripDataField);
    m_statisticsPanel.SetPalette(*m_palette);
}

void CObrin2View::ForgetMarkers() {
    m_playbackMarker.Forget();
    m_liveMarker.Forget();
}

void CObrin2View::LayOutImage() {
    const bool turned = m_orientation == 90 || m_orientation == 270;
    const QSize size = turned ? QSize(height(), width()) : QSize(width(), height());
    if (m_image.size() != size) {
        m_image = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    }
    const int w = m_image.width();
    const int h = m_image.height();
    if (w > h) {
        m_trackRegion = QRect(0, 0, w * 56 / 100, h);
        m_statisticsPanel.SetRect(
            QRect(m_trackRegion.right() + 1, 0, w - m_trackRegion.width(), h));
    } else {
        m_trackRegion = QRect(0, 0, w, h * 48 / 100);
        m_statisticsPanel.SetRect(
            QRect(0, m_trackRegion.bottom() + 1, w, h - m_trackRegion.height()));
    }
    ForgetMarkers();
    m_drawn = DrawnTrack();
    DrawView();
}

void CObrin2View::DrawView() {
    if (IsTrackKind(ShownKind())) {
        DrawTrackView(true);
        return;
    }
    // Until the next tick: the guidance of the newest point, without moving along the route.
    const GuidanceFix fix = m_core.NewestLiveFix().fix;
    CNavigationDataBase& store = m_core.Document().Store();
    {
        std::lock_guard lock(store.Lock());
        m_guidanceDisplay = m_guidance.Show(store.CurrentGuidanceTarget(), fix);
    }
    DrawGuidanceView();
}

ScreenPoint CObrin2View::MarkerPointOf(const TrackPoint& point, bool& drawn) const {
    if (ShownKind() == kViewKindTrackPlot) {
        drawn = point.Position().IsValid();
        return point.PlotPoint();
    }
    drawn = point.HasAltitude();
    return point.ProfilePoint();
}

void CObrin2View::DrawTrackView(bool fromScratch) {
    const int engine = ShownEngine();
    const bool plot = ShownKind() == kViewKindTrackPlot;
    const PixelArea area =
        plot ? TrackPlotArea(m_trackRegion, Dpi()) : AltitudeProfileArea(m_trackRegion);
    std::vector<PlottedPoint> points;
    PlotScaleKey key;
    TrackPoint newest;
    TrackPoint cursor;
    int count = 0;
    bool full = false;
    {
        std::lock_guard lock(m_core.TrackLock(engine));
        CTrack& track = m_core.Document().Track(engine);
        key = plot ? TrackPlotKeyOf(track) : ProfileKeyOf(track);
        count = track.PointCount();
        full = fromScratch || !m_drawn.valid || key != m_drawn.key || count < m_drawn.count;
        const int from = full ? 0 : m_drawn.count;
        if (count > from) {
            if (plot) {
                LayOutPlotPoints(track, area, from, points);
            } else {
                LayOutProfilePoints(track, area, from, points);
            }
        }
        m_statisticsText.Read(track, full);
        newest = track.PointAt(track.LastIndex());
        cursor = track.CurrentPoint();
    }
    int fastest = full ? -1 : m_drawn.fastestBand;
    for (const PlottedPoint& point : points) {
        fastest = std::max(fastest, point.band);
    }
    if (!full && plot && fastest > m_drawn.fastestBand) {
        // The legend grows by a band.
        DrawTrackView(true);
        return;
    }
    if (full) {
        ++m_fullRedraws;
        ForgetMarkers();
        if (plot) {
            DrawTrackPlotFrame(m_image, m_trackRegion, count > 0 ? fastest : -1, points, *m_palette,
                               Dpi());
        } else {
            DrawAltitudeProfileFrame(m_image, m_trackRegion, *m_palette);
        }
    } else {
        m_liveMarker.Erase(m_image);
        m_playbackMarker.Erase(m_image);
    }
    DrawTrackPoints(m_image, points, *m_palette);
    if (!plot && (full || !points.empty())) {
        DrawAltitudeProfileLabels(m_image, m_trackRegion, AxesOf(key), *m_palette, Dpi());
    }
    m_drawn = {true, count, key, fastest};
    bool drawn = false;
    if (m_playbackShown) {
        const ScreenPoint at = MarkerPointOf(cursor, drawn);
        if (drawn) {
            m_playbackMarker.Place(m_image, at);
        }
    }
    if (engine == kEngineTrack2 && count > 0) {
        const ScreenPoint at = MarkerPointOf(newest, drawn);
        if (drawn) {
            m_liveMarker.Place(m_image, at);
        }
    }
    m_statisticsPanel.Draw(m_image, m_statisticsText, Dpi());
    update();
}

ProfileAxes CObrin2View::AxesOf(const PlotScaleKey& key) const {
    ProfileAxes axes;
    axes.totalDistance = key.totalDistance;
    axes.hasAltitude = key.maxAltitude > -kAbsentReal;
    axes.baseAltitude = axes.hasAltitude ? std::min(0.0, key.minAltitude) : 0.0;
    axes.topAltitude = axes.hasAltitude ? std::max(key.maxAltitude, axes.baseAltitude) : 0.0;
    axes.units = m_units;
    return axes;
}

void CObrin2View::DrawGuidanceView() {
    DrawGuidancePanel(m_image, m_image.rect(), m_guidanceDisplay, m_units, *m_palette, Dpi(),
                      m_core.AutopilotText());
    update();
}

void CObrin2View::RefreshTick() {
    // The autopilot is steered whatever the view shows, from the same update the route
    // guidance view would show.
    const bool guidanceShown = ShownKind() == kViewKindRouteGuidance;
    if (guidanceShown || m_core.IsAutopilotRunning()) {
        const GuidanceUpdate update = m_core.GuideLiveFix(m_guidance);
        if (guidanceShown) {
            m_guidanceDisplay = update.display;
            DrawGuidanceView();
        }
    }
    if (!guidanceShown && ShownEngine() == kEngineTrack2) {
        DrawTrackView(false);
    }
}

void CObrin2View::RedrawFromScratch() {
    m_statisticsText.Clear();
    m_statisticsPanel.Invalidate();
    DrawTrackView(true);
}

void CObrin2View::OnActionKey() {
    ActionKeyState state;
    state.view = {ShownEngine(), ShownKind()};
    state.sourceRunning = m_core.RunningSource() != nullptr;
    state.playbackFileReading = m_core.PlaybackReader().IsRunning();
    state.destinationRunning = m_core.IsDestinationRunning();
    switch (ActionKeyEffectOf(state)) {
    case ActionKeyEffect::None:
        break;
    case ActionKeyEffect::Redraw:
        RedrawFromScratch();
        break;
    case ActionKeyEffect::TogglePlayPause: {
        const PlaybackMode mode = m_core.Document().Track(kEngineTrack1).GetPlaybackMode();
        m_core.SetPlaybackMode(mode == PlaybackMode::Play ? PlaybackMode::Pause
                                                          : PlaybackMode::Play);
        break;
    }
    case ActionKeyEffect::StepPlayback:
        m_core.GoToPoint(ApplicationCore::GoTo::Next);
        break;
    }
}

void CObrin2View::CycleView(int step) {
    DrivingViewContent content;
    content.guidanceActive = m_core.Document().Store().Mode() != NavigationMode::None;
    for (const int engine : {kEngineTrack1, kEngineTrack2}) {
        std::lock_guard lock(m_core.TrackLock(engine));
        const bool hasPoint = m_core.Document().Track(engine).PointCount() > 0;
        (engine == kEngineTrack1 ? content.track1HasPoint : content.track2HasPoint) = hasPoint;
    }
    SelectView(CycleDrivingView(ShownViewCommand(), step, content));
}

void CObrin2View::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.translate(width() / 2.0, height() / 2.0);
    painter.rotate(m_orientation);
    painter.translate(-m_image.width() / 2.0, -m_image.height() / 2.0);
    painter.drawImage(0, 0, m_image);
}

void CObrin2View::resizeEvent(QResizeEvent*) {
    LayOutImage();
}

void CObrin2View::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        CycleView(-1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        CycleView(1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat()) {
            m_actionKeyPressed = true;
        }
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CObrin2View::keyReleaseEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        // Only a press that began in the view acts.
        if (m_actionKeyPressed) {
            m_actionKeyPressed = false;
            OnActionKey();
        }
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void CObrin2View::contextMenuEvent(QContextMenuEvent* event) {
    emit ContextMenuRequested(event->globalPos());
    event->accept();
}

void CObrin2View::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_refreshTimer) {
        RefreshTick();
        // The tick after the source stopped shows what it left (an emptied track 2, guidance
        // without a fix); then there is nothing more to refresh.
        if (m_core.RunningSource() == nullptr) {
            killTimer(m_refreshTimer);
            m_refreshTimer = 0;
        }
        return;
    }
    QWidget::timerEvent(event);
}

bool CObrin2View::event(QEvent* event) {
    if (event->type() == QEvent::Gesture) {
        auto* gestures = static_cast<QGestureEvent*>(event);
        if (auto* hold = static_cast<QTapAndHoldGesture*>(gestures->gesture(Qt::TapAndHoldGesture));
            hold != nullptr && hold->state() == Qt::GestureFinished) {
            emit ContextMenuRequested(hold->position().toPoint());
            gestures->accept(hold);
            return true;
        }
    }
    return QWidget::event(event);
}
