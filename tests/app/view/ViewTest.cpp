#include "app/view/CObrin2View.h"
#include "app/view/PositionMarker.h"
#include "app/view/TrackDrawing.h"
#include "app/view/ViewPalette.h"
#include "comm/DrivingViews.h"
#include "platform/SettingsStore.h"
#include "tests/app/QtTestMain.h"
#include "tests/comm/AppFixture.h"
#include "tests/tracks/NmeaLines.h"

#include <QSignalSpy>

#include <mutex>
#include <random>

namespace {

// One point a second at that position and altitude.
void AddPoint(AppFixture& fixture, int engine, int second, double latitude, double longitude,
              double altitude, double knots) {
    std::lock_guard lock(fixture.app->TrackLock(engine));
    CTrack& track = fixture.app->Document().Track(engine);
    bool outOfMemory = false;
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", altitude);
    track.DecodeLine(nmealines::Gga(36000 + second, latitude, longitude, text), outOfMemory);
    track.DecodeLine(nmealines::Rmc(36000 + second, latitude, longitude, knots, 45.0), outOfMemory);
}

// Points along a diagonal, one a second, faster as they go and climbing by `climb` metres.
void FillTrack(AppFixture& fixture, int engine, int count, double climb = 10.0) {
    std::lock_guard lock(fixture.app->TrackLock(engine));
    CTrack& track = fixture.app->Document().Track(engine);
    bool outOfMemory = false;
    for (int i = 0; i <= count; ++i) {
        const double latitude = 50.0 + 0.001 * i;
        const double longitude = 10.0 + 0.002 * i;
        char altitude[16];
        std::snprintf(altitude, sizeof altitude, "%.1f", 100.0 + climb * i);
        track.DecodeLine(nmealines::Gga(36000 + i, latitude, longitude, altitude), outOfMemory);
        track.DecodeLine(nmealines::Rmc(36000 + i, latitude, longitude, 5.0 * i, 45.0),
                         outOfMemory);
    }
    track.SetCurrentIndex(0);
}

QImage RandomImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, random() | 0xFF000000u);
        }
    }
    return image;
}

int DifferentPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class ViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<AppFixture> m_fixture;
    std::unique_ptr<CObrin2View> m_view;

    // The view and the core's host agree on what is shown, as the window's host does.
    void Select(int command) {
        m_view->SelectView(command);
        m_fixture->view.Show(m_view->ShownEngine(), m_view->ShownKind());
    }

private slots:
    void init() {
        m_fixture = std::make_unique<AppFixture>();
        m_view = std::make_unique<CObrin2View>(*m_fixture->app);
        m_view->resize(480, 640);
        m_view->ApplySettings(Settings());
    }
    void cleanup() {
        m_view.reset();
        m_fixture.reset();
    }

    void SelectionIsSavedAndTheSameViewIgnored() {
        QSignalSpy title(m_view.get(), &CObrin2View::TitleChanged);
        QCOMPARE(m_view->ShownViewCommand(), command_ids::kViewRouteGuidance);
        m_view->SelectView(command_ids::kViewRouteGuidance);
        QCOMPARE(title.count(), 0);
        m_view->SelectView(command_ids::kViewRecordedAltitude);
        QCOMPARE(title.count(), 1);
        QCOMPARE(m_view->ShownEngine(), 1);
        QCOMPARE(m_view->ShownKind(), 2);
        const Settings saved = LoadSettings(*m_fixture->registry);
        QCOMPARE(saved.general.kindOfEngine, 1);
        QCOMPARE(saved.general.kindOfView, 2);

        // A saved pair comes back; any other pair is route guidance.
        Settings settings;
        settings.general.kindOfEngine = 2;
        settings.general.kindOfView = 1;
        m_view->ApplySettings(settings);
        QCOMPARE(m_view->ShownViewCommand(), command_ids::kViewRecordingTrack);
        settings.general.kindOfEngine = 1;
        settings.general.kindOfView = 3;
        m_view->ApplySettings(settings);
        QCOMPARE(m_view->ShownViewCommand(), command_ids::kViewRouteGuidance);
    }

    void DirectionKeysSkipEmptyViews() {
        m_view->setFocus();
        QTest::keyClick(m_view.get(), Qt::Key_Right);
        QCOMPARE(m_view->ShownViewCommand(), command_ids::kViewRouteGuidance);
        FillTrack(*m_fixture, 1, 5);
        QTest::keyClick(m_view.get(), Qt::Key_Down);
        QCOMPARE(m_view->ShownViewCommand(), command_ids::kViewRecordedTrack);
        QTest::keyClick(m_view.get(), Qt::Key_Right);
        QCOMPARE(m_view->ShownViewCommand(), command_ids::kViewRecordedAltitude);
        QTest::keyClick(m_view.get(), Qt::Key_Right);
        QCOMPARE(m_view->ShownViewCommand(), command_ids::kViewRecordedTrack);
        QTest::keyClick(m_view.get(), Qt::Key_Up);
        QCOMPARE(m_view->ShownViewCommand(), command_ids::kViewRecordedAltitude);
    }

    void ActionKeyStepsPlaybackWithoutDestination() {
        FillTrack(*m_fixture, 1, 5);
        Select(command_ids::kViewRecordedTrack);
        m_fixture->app->SetSpeedZoom(3);
        QTest::keyClick(m_view.get(), Qt::Key_Return);
        {
            std::lock_guard lock(m_fixture->app->TrackLock(1));
            QCOMPARE(m_fixture->app->Document().Track(1).CurrentIndex(), 3);
        }
        const auto markers = m_fixture->view.WaitForMarkers(1, std::chrono::milliseconds(0));
        QCOMPARE(markers.size(), std::size_t{1});
        QCOMPARE(markers[0].engine, 1);
        // A press alone does nothing: the key acts on release.
        QTest::keyPress(m_view.get(), Qt::Key_Return);
        std::lock_guard lock(m_fixture->app->TrackLock(1));
        QCOMPARE(m_fixture->app->Document().Track(1).CurrentIndex(), 3);
    }

    void DrawnPointsLieAtTheirStoredScreenPoints() {
        FillTrack(*m_fixture, 1, 5);
        for (const int command :
             {command_ids::kViewRecordedTrack, command_ids::kViewRecordedAltitude}) {
            Select(command);
            const QImage& image = m_view->Image();
            const auto points = m_fixture->Points(1);
            QCOMPARE(points.size(), std::size_t{6});
            for (const TrackPoint& point : points) {
                const ScreenPoint at = command == command_ids::kViewRecordedTrack
                                           ? point.PlotPoint()
                                           : point.ProfilePoint();
                QVERIFY(m_view->TrackRegion().contains(at.x, at.y));
                QCOMPARE(image.pixel(at.x, at.y),
                         DayPalette().Band(SpeedBandOfKnots(point.SpeedOverGround())));
            }
            // The corners of the box: first point bottom left, last top right of the area.
            if (command == command_ids::kViewRecordedTrack) {
                const PixelArea area = TrackPlotArea(m_view->TrackRegion(), m_view->logicalDpiY());
                QCOMPARE(points.front().PlotPoint().x, area.left);
                QCOMPARE(points.back().PlotPoint().x, area.left + area.width - 1);
            } else {
                const PixelArea area = AltitudeProfileArea(m_view->TrackRegion());
                QCOMPARE(points.front().ProfilePoint().x, area.left);
                QCOMPARE(points.back().ProfilePoint().y, area.top);
            }
        }
    }

    void LegendTakesTheCornerThatCoversTheFewestPoints() {
        QImage image(480, 400, QImage::Format_RGB32);
        const PixelArea area = TrackPlotArea(image.rect(), 96);
        const auto inked = [&](int left) {
            int count = 0;
            for (int y = area.top; y < area.top + 60; ++y) {
                for (int x = left; x < left + 80; ++x) {
                    count += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
                }
            }
            return count;
        };
        const int topLeft = area.left;
        const int topRight = area.left + area.width - 80;
        DrawTrackPlotFrame(image, image.rect(), 3, {}, DayPalette(), 96);
        QVERIFY(inked(topLeft) > 0);
        QCOMPARE(inked(topRight), 0);
        // A track through the top left corner keeps it: the legend moves to the top right.
        std::vector<PlottedPoint> points;
        for (int i = 0; i < 60; ++i) {
            points.push_back({{area.left + i, area.top + i}, 0});
        }
        DrawTrackPlotFrame(image, image.rect(), 3, points, DayPalette(), 96);
        QCOMPARE(inked(topLeft), 0);
        QVERIFY(inked(topRight) > 0);
    }

    void MarkersRestoreThePixelsTheyCovered() {
        const QImage original = RandomImage(40, 40);
        QImage image = original;
        PositionMarker flag(PositionMarker::Shape::Flag);
        PositionMarker cross(PositionMarker::Shape::Cross);
        flag.Place(image, {20, 20});
        QCOMPARE(DifferentPixels(image, original), 12);
        cross.Place(image, {21, 15});
        cross.Place(image, {22, 16}); // moves over itself and the flag
        QCOMPARE(image.pixel(22, 16), qRgb(255, 0, 0));
        cross.Erase(image);
        flag.Place(image, {1, 38}); // partly outside the image
        flag.Erase(image);
        QCOMPARE(image, original);
        QCOMPARE(static_cast<int>(PositionMarker::Offsets(PositionMarker::Shape::Cross).size()),
                 25);
    }

    void LiveCrossAndPlaybackFlagOnTheShownTrack() {
        FillTrack(*m_fixture, 2, 5);
        Select(command_ids::kViewRecordingTrack);
        TrackPoint newest = m_fixture->Points(2).back();
        QCOMPARE(m_view->Image().pixel(newest.PlotPoint().x, newest.PlotPoint().y),
                 qRgb(255, 0, 0));
        FillTrack(*m_fixture, 1, 3);
        // The playback marker of a track not shown is not drawn.
        const QImage before = m_view->Image();
        m_view->MovePlaybackMarker(1, m_fixture->Points(1).back());
        QCOMPARE(m_view->Image(), before);
        // A flag on the live track, then the cross moves away from it: the flag stays whole.
        const TrackPoint first = m_fixture->Points(2).front();
        m_view->MovePlaybackMarker(2, first);
        QCOMPARE(DifferentPixels(m_view->Image(), before), 12);
        m_view->RedrawTrack(2);
        QCOMPARE(m_view->Image().pixel(first.PlotPoint().x, first.PlotPoint().y - 7),
                 qRgb(255, 0, 0));
    }

    void RouteGuidanceRedrawsAtOnceForTargetFieldAndUnits() {
        CNavigationDataBase& store = m_fixture->app->Document().Store();
        store.StoreWaypoint(CWaypoint("HOME", CLatLong::FromDecimalDegrees(50.1, 10.1)), true,
                            "self-created");
        QCOMPARE(m_view->Guidance().destinationLabel, std::string("No destination"));
        const QImage before = m_view->Image();
        // Go To from a list while the view is shown: the view is already selected, only the
        // store's change can redraw it.
        store.GoToWaypoint(0);
        QTRY_COMPARE(m_view->Guidance().destinationLabel, std::string("Dst: HOME"));
        QVERIFY(m_view->Image() != before);
        // Without a fix: the destination, and Unknown for everything that needs a position.
        QCOMPARE(m_view->Guidance().distance, std::string("Unknown"));
        QCOMPARE(m_view->Guidance().fieldText, std::string("Unknown"));

        m_view->SetNavigationField(3);
        QCOMPARE(m_view->Guidance().fieldLabel, std::string("ERD"));
        FillTrack(*m_fixture, 2, 1);
        m_view->SetDistanceUnits(3);
        const std::string nauticalMiles = m_view->Guidance().distance;
        m_view->SetDistanceUnits(1);
        QVERIFY(m_view->Guidance().distance != nauticalMiles);
        QVERIFY(QString::fromStdString(m_view->Guidance().fieldText).endsWith("km"));
    }

    void ChoosingATripDataFieldKeepsThePanelsLines() {
        FillTrack(*m_fixture, 1, 5);
        Select(command_ids::kViewRecordedTrack);
        m_view->SetTripDataField(3);
        const QImage chosen = m_view->Image();
        m_view->RedrawTrack(1);
        QCOMPARE(chosen, m_view->Image());
    }

    void RefreshTimerStopsWhenNoSourceRuns() {
        m_view->StartRefreshTimer();
        QVERIFY(m_view->IsRefreshing());
        QTRY_VERIFY_WITH_TIMEOUT(!m_view->IsRefreshing(), 10000);
    }

    void LiveCrossStaysOnTheNewestDrawnPoint() {
        FillTrack(*m_fixture, 2, 5);
        Select(command_ids::kViewRecordingTrack);
        const TrackPoint drawn = m_fixture->Points(2).back();
        // Recorded after the last refresh: no screen point yet.
        AddPoint(*m_fixture, 2, 100, 50.0025, 10.005, 100.0, 1.0);
        m_view->MovePlaybackMarker(2, m_fixture->Points(2).front());
        const QImage& image = m_view->Image();
        QCOMPARE(image.pixel(drawn.PlotPoint().x, drawn.PlotPoint().y), qRgb(255, 0, 0));
        for (int i = 0; i <= 5; ++i) {
            QVERIFY(image.pixel(i, 0) != qRgb(255, 0, 0));
            QVERIFY(image.pixel(0, i) != qRgb(255, 0, 0));
        }
    }

    void LiveTrackPlotIsDrawnAnewOnlyWhenItLeavesItsBox() {
        FillTrack(*m_fixture, 2, 20);
        Select(command_ids::kViewRecordingTrack);
        const int full = m_view->FullRedraws();
        // Back and forth inside the box, climbing: the odometer and the highest altitude
        // change, the plot's scale does not.
        for (int second = 30; second < 36; ++second) {
            const double latitude = second % 2 == 0 ? 50.005 : 50.012;
            AddPoint(*m_fixture, 2, second, latitude, 10.02, 500.0 + second, 10.0);
            m_view->RefreshTick();
        }
        QCOMPARE(m_view->FullRedraws(), full);
        const TrackPoint inside = m_fixture->Points(2).back();
        QCOMPARE(m_view->Image().pixel(inside.PlotPoint().x, inside.PlotPoint().y),
                 qRgb(255, 0, 0));
        AddPoint(*m_fixture, 2, 40, 50.05, 10.02, 500.0, 10.0);
        m_view->RefreshTick();
        QCOMPARE(m_view->FullRedraws(), full + 1);
    }

    void ProfileLabelsLieOverThePoints() {
        // Descending from the highest point at the start: the first points run under the
        // label of the top altitude.
        FillTrack(*m_fixture, 1, 100, -1.0);
        Select(command_ids::kViewRecordedAltitude);
        const auto points = m_fixture->Points(1);
        const PixelArea area = AltitudeProfileArea(m_view->TrackRegion());
        int covered = 0;
        for (int i = 1; i <= 3; ++i) {
            const ScreenPoint at = points[static_cast<std::size_t>(i)].ProfilePoint();
            QVERIFY(at.y < area.top + 12);
            covered += m_view->Image().pixel(at.x, at.y) !=
                               DayPalette().Band(SpeedBandOfKnots(points[i].SpeedOverGround()))
                           ? 1
                           : 0;
        }
        QCOMPARE(covered, 3);
    }

    void ProfileMiddleLinesForAnOddNumberOfDivisions() {
        // 120 x 120 pixels of area: five divisions each way.
        QImage image(138, 138, QImage::Format_RGB32);
        DrawAltitudeProfileFrame(image, image.rect(), DayPalette());
        const PixelArea area = AltitudeProfileArea(image.rect());
        QCOMPARE(GridDivisions(area.width, 24), 5);
        const int middleX = area.left + (area.width - 1) / 2;
        const int middleY = area.top + area.height - 1 - (area.height - 1) / 2;
        int across = 0;
        int down = 0;
        for (int d = 0; d < area.height; ++d) {
            down += image.pixel(middleX, area.top + d) == DayPalette().middle.rgb() ? 1 : 0;
            across += image.pixel(area.left + d, middleY) == DayPalette().middle.rgb() ? 1 : 0;
        }
        QVERIFY(down > area.height / 3);
        QVERIFY(across > area.width / 3);
    }

    void NightColoursAreSavedAndDrawTheViewsDark() {
        const auto& night = NightPalette();
        for (int band = 0; band < kSpeedBandCount; ++band) {
            // Relative luminance: readable on the dark background without glaring.
            const QRgb colour = night.Band(band);
            const double luminance =
                0.2126 * qRed(colour) + 0.7152 * qGreen(colour) + 0.0722 * qBlue(colour);
            QVERIFY(luminance >= 80.0 && luminance <= 150.0);
            for (int other = band + 1; other < kSpeedBandCount; ++other) {
                QVERIFY(night.Band(band) != night.Band(other));
            }
        }
        FillTrack(*m_fixture, 1, 5);
        Select(command_ids::kViewRecordedTrack);
        m_view->SetNightColours(true);
        QVERIFY(m_view->NightColours());
        const QRect region = m_view->TrackRegion();
        QCOMPARE(m_view->Image().pixel(region.left() + 1, region.top() + 1),
                 night.background.rgb());
        const QRect panel = m_view->PanelRegion();
        QCOMPARE(m_view->Image().pixel(panel.right() - 1, panel.bottom() - 1),
                 night.background.rgb());
        const TrackPoint last = m_fixture->Points(1).back();
        QCOMPARE(m_view->Image().pixel(last.PlotPoint().x, last.PlotPoint().y),
                 night.Band(SpeedBandOfKnots(last.SpeedOverGround())));
        // The choice comes back with the settings.
        CObrin2View restored(*m_fixture->app);
        restored.resize(480, 640);
        restored.ApplySettings(LoadSettings(*m_fixture->registry));
        QVERIFY(restored.NightColours());
        m_view->SetNightColours(false);
        QCOMPARE(m_view->Image().pixel(region.left() + 1, region.top() + 1), qRgb(255, 255, 255));
    }

    void OrientationTurnsTheDrawing() {
        m_view->SetOrientation(90);
        QCOMPARE(m_view->Image().size(), QSize(640, 480));
        QVERIFY(m_view->PanelRegion().left() > m_view->TrackRegion().left());
        m_view->SetOrientation(180);
        QCOMPARE(m_view->Image().size(), QSize(480, 640));
    }

    void RightButtonAsksForTheMenu() {
        QSignalSpy menu(m_view.get(), &CObrin2View::ContextMenuRequested);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), QPoint(110, 210));
        QApplication::sendEvent(m_view.get(), &event);
        QCOMPARE(menu.count(), 1);
        QCOMPARE(menu.at(0).at(0).toPoint(), QPoint(110, 210));
    }
};

ZRV_QTEST_MAIN(ViewTest)
#include "ViewTest.moc"
