#include "app/view/CObrin2View.h"
#include "app/view/PositionMarker.h"
#include "app/view/TrackDrawing.h"
#include "comm/DrivingViews.h"
#include "platform/SettingsStore.h"
#include "tests/app/QtTestMain.h"
#include "tests/comm/AppFixture.h"
#include "tests/tracks/NmeaLines.h"

#include <QSignalSpy>

#include <mutex>
#include <random>

namespace {

// Points along a diagonal, one a second, faster and higher as they go.
void FillTrack(AppFixture& fixture, int engine, int count) {
    std::lock_guard lock(fixture.app->TrackLock(engine));
    CTrack& track = fixture.app->Document().Track(engine);
    bool outOfMemory = false;
    for (int i = 0; i <= count; ++i) {
        const double latitude = 50.0 + 0.001 * i;
        const double longitude = 10.0 + 0.002 * i;
        char altitude[16];
        std::snprintf(altitude, sizeof altitude, "%.1f", 100.0 + 10.0 * i);
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
                         SpeedBandColour(SpeedBandOfKnots(point.SpeedOverGround())));
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
        DrawTrackPlotFrame(image, image.rect(), 3, {}, 96);
        QVERIFY(inked(topLeft) > 0);
        QCOMPARE(inked(topRight), 0);
        // A track through the top left corner keeps it: the legend moves to the top right.
        std::vector<PlottedPoint> points;
        for (int i = 0; i < 60; ++i) {
            points.push_back({{area.left + i, area.top + i}, 0});
        }
        DrawTrackPlotFrame(image, image.rect(), 3, points, 96);
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
