// The navigation dialogs over a real store: what each command does to it, the questions it
// asks, the texts the lists show and the settings they keep.
#include "app/AnswersInTurn.h"
#include "app/QtTestMain.h"

#include "app/CMainFrame.h"
#include "app/CObrin2App.h"
#include "app/CommandIds.h"
#include "app/dialogs/CCoordinateEdit.h"
#include "app/dialogs/CMarkPositionDlg.h"
#include "app/dialogs/CNavigationListView.h"
#include "app/dialogs/CNearestWaypointListDlg.h"
#include "app/dialogs/CNewNavigationItemDlg.h"
#include "app/dialogs/CRenameDlg.h"
#include "app/dialogs/CRouteListDlg.h"
#include "app/dialogs/CRouteWaypointsDlg.h"
#include "app/dialogs/CTextRowsModel.h"
#include "app/dialogs/CWaypointListDlg.h"
#include "app/dialogs/CWaypointListModel.h"
#include "app/dialogs/RouteUploadWait.h"
#include "comm/TestLogs.h"
#include "navigation/NavigationDataBase.h"
#include "nmea/Sentence.h"
#include "platform/ListLayouts.h"
#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"
#include "support/CommaLocale.h"
#include "support/TestPaths.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <fstream>

#include <memory>

namespace {

// OK as the user presses it: true when the dialog closed accepted.
bool PressOk(QDialog& dialog) {
    dialog.accept();
    return dialog.result() == QDialog::Accepted;
}

} // namespace

class NavigationDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void DestinationsCommandsOpenTheirDialogs();
    void CoordinateFieldShowsEachStyleWithItsStepsAndBounds();
    void PasteTakesOnlyAWellFormedPositionAndCopyWritesIt();
    void CoordinateFieldAndPasteUseADecimalPointInACommaLocale();
    void WaypointListShowsTheStoreOrItsEmptyText();
    void WaypointListDeleteAsksThenRemovesTheNameFromEveryRoute();
    void WaypointListNewStoresAndMovesTheCounterAndStyleOn();
    void WaypointListEditAsksBeforeReplacingAnotherWaypoint();
    void NewWaypointRefusesAPositionPastThePoleOrTheAntimeridian();
    void WaypointListKeepsItsColumnWidths();
    void EnterRunsTheFirstCommandAndDeleteDeletesWithTheDialogOpen();
    void SelectionModeReturnsTheWaypointsInTheOrderChosen();
    void NearestListOrdersByDistanceAndNeedsAPosition();
    void RouteListDeleteCanTakeTheWaypointsFromEveryRoute();
    void RouteWaypointsShowTheLegsAndKeepTheRouteAtItsEdges();
    void RouteWaypointsAddAppendsTheChosenWaypointsInOrder();
    void SaveRouteWritesTheFileOrReportsThatItCouldNot();
    void UploadWaitKeepsTheWindowAliveAndEndsThreeWays();
    void MarkPositionCancelGivesBackTheTrackRouteAndItsNumber();
    void MarkPositionCollectsTheTracksWaypointsInItsRoute();
    void MarkPositionConfirmStoresTheAverageInTheChosenRoute();
    void MarkPositionKeepsARefusedNameOpenForCorrection();
    void MarkPositionStaysOpenWithItsSamplesWhenNothingWasStored();
    void NewEditAndRenameRefuseANameBeforeTheyClose();
    void WaypointListCommandsActOnTheWaypointShownAfterTheStoreMovedIt();
    void RouteListCommandsActOnTheRouteShownAfterTheStoreMovedIt();
    void RouteSavePathGetsItsSuffixBeforeTheOverwriteQuestion();

private:
    CNavigationDataBase& Store() { return m_app->Core().Document().Store(); }
    NavigationDialogContext Context() {
        return {m_app->Core(), [this] { ++m_guidanceShown; }};
    }
    void AddWaypoint(const std::string& name, double latitude, double longitude);
    std::uint32_t ReadDword(const std::string& key, const char* name);
    void WriteDword(const std::string& key, const char* name, std::uint32_t value);
    void AddRoute(const std::string& name, std::vector<std::string> names);
    // A live fix at 48.1 N, 11.5 E.
    void ReceiveFix();
    // A WPL sentence as a receive thread hands it to the store.
    void ReceiveWaypoint(const std::string& name, const std::string& coordinates);

    std::unique_ptr<testpaths::TempDir> m_dir;
    std::unique_ptr<CObrin2App> m_app;
    std::vector<PromptRequest> m_asked;
    std::vector<PromptAnswer> m_answers;
    int m_guidanceShown = 0;
};

void NavigationDialogsTest::init() {
    m_dir = std::make_unique<testpaths::TempDir>();
    m_app = std::make_unique<CObrin2App>(PlatformPaths::Below(m_dir->Path()));
    m_asked.clear();
    m_answers.clear();
    m_guidanceShown = 0;
    m_app->Prompts().SetPresenter(AnswersInTurn(m_asked, m_answers));
}

void NavigationDialogsTest::cleanup() {
    m_app.reset();
    m_dir.reset();
}

void NavigationDialogsTest::AddWaypoint(const std::string& name, double latitude,
                                        double longitude) {
    QVERIFY(
        Store().StoreWaypoint(CWaypoint(name, CLatLong::FromDecimalDegrees(latitude, longitude)),
                              true, "/tmp/a.txt") >= 0);
}

std::uint32_t NavigationDialogsTest::ReadDword(const std::string& key, const char* name) {
    CRegistryAccessor accessor(m_app->Registry());
    accessor.SetKey(key);
    accessor.SetValueName(name);
    std::uint32_t value = 0xFFFFFFFF;
    accessor.ReadDword(value);
    return value;
}

void NavigationDialogsTest::AddRoute(const std::string& name, std::vector<std::string> names) {
    CRoute route(name, std::move(names));
    route.SetComplete(true);
    QVERIFY(Store().StoreRoute(route, true, "/tmp/r.txt") >= 0);
}

void NavigationDialogsTest::WriteDword(const std::string& key, const char* name,
                                       std::uint32_t value) {
    CRegistryAccessor accessor(m_app->Registry());
    accessor.SetKey(key);
    accessor.SetValueName(name);
    QCOMPARE(accessor.WriteDword(value), 0);
}

void NavigationDialogsTest::ReceiveFix() {
    std::lock_guard lock(m_app->Core().TrackLock(kEngineTrack2));
    const std::string lines = testlogs::SyntheticDrive(1);
    std::size_t start = 0;
    while (start < lines.size()) {
        const std::size_t end = lines.find('\n', start);
        bool outOfMemory = false;
        // Each line with its CR LF, as the receive threads hand it on.
        m_app->Core().Document().DecodeLine(kEngineTrack2, lines.substr(start, end + 1 - start),
                                            outOfMemory, {});
        start = end + 1;
    }
    QVERIFY(m_app->Core().Document().Track(kEngineTrack2).CurrentFix().HasPosition());
}

void NavigationDialogsTest::ReceiveWaypoint(const std::string& name,
                                            const std::string& coordinates) {
    bool outOfMemory = false;
    QVERIFY(m_app->Core().Document().DecodeLine(
        kEngineStore, *FinishLine("$GPWPL," + coordinates + "," + name + "*"), outOfMemory,
        "/tmp/a.txt"));
}

void NavigationDialogsTest::DestinationsCommandsOpenTheirDialogs() {
    QVERIFY(m_app->InitInstance());
    using namespace command_ids;
    const std::pair<int, QString> commands[] = {
        {kWaypointList, "Waypoint List"},
        {kRouteList, "Route List"},
        {kNearestWaypointsFirst, "Nearest Waypoints"},
        {kMarkPosition, "Mark Position"},
    };
    for (const auto& [id, title] : commands) {
        QString shown;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            shown = dialog ? dialog->windowTitle() : QString();
            if (dialog) {
                static_cast<QDialog*>(dialog)->reject();
            }
        });
        QVERIFY(m_app->Frame().ExecuteCommand(id));
        QCOMPARE(shown, title);
    }
    // Current Route needs a followed route.
    QVERIFY(!m_app->Frame().UpdateCommand(kCurrentRoute).enabled);
}

void NavigationDialogsTest::CoordinateFieldShowsEachStyleWithItsStepsAndBounds() {
    CCoordinateEdit latitude(CoordinateAxis::Latitude);
    latitude.SetDecimalDegrees(-33.5);
    QCOMPARE(latitude.HemisphereText(), QString("S"));
    QCOMPARE(latitude.PartCount(), 3);
    QCOMPARE(QStringList({latitude.PartText(0), latitude.PartText(1), latitude.PartText(2)}),
             QStringList({"33", "30", "00.000"}));
    QCOMPARE(latitude.Part(2)->singleStep(), 0.001);
    QCOMPARE(latitude.Part(2)->maximum(), 59.999);

    latitude.SetStyle(CoordinateStyle::DecimalMinutes);
    QCOMPARE(latitude.PartCount(), 2);
    QCOMPARE(latitude.PartText(1), QString("30.0000"));
    QCOMPARE(latitude.Part(1)->singleStep(), 0.0001);
    QCOMPARE(latitude.DecimalDegrees(), -33.5);

    CCoordinateEdit longitude(CoordinateAxis::Longitude);
    longitude.SetStyle(CoordinateStyle::DecimalDegrees);
    longitude.SetDecimalDegrees(7.25);
    QCOMPARE(longitude.HemisphereText(), QString("E"));
    QCOMPARE(longitude.PartText(0), QString("007.25000000"));
    QCOMPARE(longitude.Part(0)->maximum(), 180.0);
    // A south latitude of 0 degrees keeps its hemisphere.
    latitude.SetDecimalDegrees(-0.0);
    QCOMPARE(latitude.HemisphereText(), QString("S"));
    // The parts together never pass the pole.
    latitude.SetStyle(CoordinateStyle::Traditional);
    latitude.Part(0)->setValue(latitude.Part(0)->maximum());
    latitude.Part(1)->setValue(30);
    QCOMPARE(latitude.Part(0)->maximum(), 90.0);
    QCOMPARE(latitude.DecimalDegrees(), -90.0);
}

// The user's locale writes decimals with a comma; the field shows and reads a decimal point,
// as the copied position and every other number text of the program has.
void NavigationDialogsTest::CoordinateFieldAndPasteUseADecimalPointInACommaLocale() {
    const testpaths::CommaLocale comma;
    if (!comma.Unavailable().empty()) {
        QSKIP(comma.Unavailable().c_str());
    }
    struct DefaultLocale {
        QLocale previous;
        DefaultLocale() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
        ~DefaultLocale() { QLocale::setDefault(previous); }
    } german;
    CNewNavigationItemDlg dialog(CNewNavigationItemDlg::Kind::NewWaypoint, "WPL_0000",
                                 CLatLong::FromDecimalDegrees(1.0, 2.0),
                                 CoordinateStyle::DecimalMinutes);
    QApplication::clipboard()->setText(
        QString::fromUtf8("N 49\u00B016.4500', W 123\u00B011.1200';"));
    QVERIFY(dialog.PastePosition());
    CCoordinateEdit& latitude = *dialog.LatitudeEdit();
    QCOMPARE(latitude.PartText(1), QString("16.4500"));
    QDoubleSpinBox* minutes = latitude.Part(1);
    minutes->findChild<QLineEdit*>()->setText(QStringLiteral("17.2500"));
    minutes->interpretText();
    QCOMPARE(minutes->value(), 17.25);
    QCOMPARE(latitude.PartText(1), QString("17.2500"));
    dialog.CopyPosition();
    QCOMPARE(QApplication::clipboard()->text(),
             QString::fromUtf8("N 49\u00B017.2500',W 123\u00B011.1200';"));
}

void NavigationDialogsTest::PasteTakesOnlyAWellFormedPositionAndCopyWritesIt() {
    CNewNavigationItemDlg dialog(CNewNavigationItemDlg::Kind::NewWaypoint, "WPL_0000",
                                 CLatLong::FromDecimalDegrees(1.0, 2.0),
                                 CoordinateStyle::DecimalMinutes);
    for (const char* malformed : {"49\u00B016.45',W 123\u00B011.12';", "N 49\u00B016.45' W 1';",
                                  "N 49\u00B016.45',X 123\u00B011.12';", ""}) {
        QApplication::clipboard()->setText(QString::fromUtf8(malformed));
        QVERIFY2(!dialog.PastePosition(), malformed);
        QCOMPARE(dialog.Position(), CLatLong::FromDecimalDegrees(1.0, 2.0));
    }
    QApplication::clipboard()->setText(
        QString::fromUtf8("N 49\u00B016.4500', W 123\u00B011.1200';"));
    QVERIFY(dialog.PastePosition());
    QCOMPARE(dialog.LatitudeEdit()->PartText(1), QString("16.4500"));
    QCOMPARE(dialog.LongitudeEdit()->HemisphereText(), QString("W"));
    QCOMPARE(dialog.LongitudeEdit()->PartText(0), QString("123"));

    dialog.CopyPosition();
    QCOMPARE(QApplication::clipboard()->text(),
             QString::fromUtf8("N 49\u00B016.4500',W 123\u00B011.1200';"));
}

void NavigationDialogsTest::WaypointListShowsTheStoreOrItsEmptyText() {
    CWaypointListDlg empty(Context());
    QCOMPARE(empty.windowTitle(), QString("Waypoint List"));
    QCOMPARE(empty.Model()->rowCount(), 0);
    QCOMPARE(empty.List()->EmptyText(), QString("There are not Waypoints"));

    AddWaypoint("Home", 49.274166666, -123.185333333);
    AddWaypoint("Hut", -33.5, 7.25);
    CWaypointListDlg dialog(Context());
    CWaypointListModel& model = *dialog.Model();
    QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
             QString("Place to store waypoints"));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(1, 0).data().toString(), QString("Hut"));
    QCOMPARE(model.index(0, 1).data().toString(), QString::fromUtf8("N 49\u00B016.4500'"));
    QCOMPARE(model.index(0, 2).data().toString(), QString::fromUtf8("W 123\u00B011.1200'"));
    QCOMPARE(model.index(0, 3).data().toString(), QString("/tmp/a.txt"));

    // Go To starts guidance on the row and makes it blink; the same again cancels it.
    dialog.GoTo(1);
    QCOMPARE(Store().Mode(), NavigationMode::GoTo);
    QCOMPARE(m_guidanceShown, 1);
    QTRY_COMPARE(model.HighlightedRow(), 1);
    QTRY_COMPARE(model.HighlightedRow(), -1);
    dialog.GoTo(1);
    QCOMPARE(Store().Mode(), NavigationMode::None);
}

void NavigationDialogsTest::WaypointListDeleteAsksThenRemovesTheNameFromEveryRoute() {
    AddWaypoint("A", 1, 1);
    AddWaypoint("B", 2, 2);
    CRoute route("R", {"A", "B", "A"});
    route.SetComplete(true);
    QVERIFY(Store().StoreRoute(route, true, "x") >= 0);
    CWaypointListDlg dialog(Context());

    m_answers = {PromptAnswer::No};
    dialog.DeleteWaypoint(0);
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 2);
    QCOMPARE(m_asked.back().text,
             std::string("Are you sure you want to delete the 'A' waypoint from system?"));
    QCOMPARE(m_asked.back().caption, std::string("Question"));
    QVERIFY(m_asked.back().defaultNo);
    QCOMPARE(m_asked.back().icon, PromptIcon::Question);

    m_answers = {PromptAnswer::Yes};
    dialog.DeleteWaypoint(0);
    QCOMPARE(dialog.Model()->rowCount(), 1);
    QCOMPARE(dialog.Model()->index(0, 0).data().toString(), QString("B"));
    QCOMPARE(Store().Route(0).WaypointNames(), std::vector<std::string>{"B"});
}

void NavigationDialogsTest::WaypointListNewStoresAndMovesTheCounterAndStyleOn() {
    CRegistryAccessor accessor(m_app->Registry());
    accessor.SetKey(settings_keys::kNavigatorWaypoints);
    accessor.SetValueName("StartNumber");
    accessor.WriteDword(9999);
    CWaypointListDlg dialog(Context());
    QString proposed;
    QString title;
    dialog.SetItemDialogRunner([&](CNewNavigationItemDlg& item) {
        proposed = item.NameEdit()->text();
        title = item.windowTitle();
        item.LatitudeEdit()->SetDecimalDegrees(10.5);
        return PressOk(item);
    });
    dialog.NewWaypoint();
    QCOMPARE(proposed, QString("WPL_9999"));
    QCOMPARE(title, QString("New Waypoint"));
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 1);
    QCOMPARE(Store().Waypoint(0).PlaceToStore(), std::string("self-created"));
    QCOMPARE(Store().Waypoint(0).Position().Latitude().DecimalDegrees(), 10.5);
    QCOMPARE(ReadDword(settings_keys::kNavigatorWaypoints, "StartNumber"), 0u);
    QCOMPARE(ReadDword(settings_keys::kGeneral, "CoordinateStyles"), 0u);
    QCOMPARE(dialog.Model()->rowCount(), 1);

    // A name that cannot travel in the store file is refused and nothing moves on.
    dialog.SetItemDialogRunner([](CNewNavigationItemDlg& item) {
        item.NameEdit()->setText("a,b");
        return PressOk(item);
    });
    dialog.NewWaypoint();
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 1);
    QCOMPARE(ReadDword(settings_keys::kNavigatorWaypoints, "StartNumber"), 0u);
}

// Each question is asked while the dialog is open: No leaves it open with what was typed.
void NavigationDialogsTest::WaypointListEditAsksBeforeReplacingAnotherWaypoint() {
    AddWaypoint("A", 1, 1);
    AddWaypoint("B", 2, 2);
    CWaypointListDlg dialog(Context());
    QString title;
    bool keptOpen = false;
    dialog.SetItemDialogRunner([&](CNewNavigationItemDlg& item) {
        title = item.windowTitle();
        item.show();
        item.NameEdit()->setText("B");
        m_answers = {PromptAnswer::No};
        keptOpen = !PressOk(item) && item.isVisible() && item.NameEdit()->text() == "B" &&
                   Store().Count(NavItemKind::Waypoint) == 2;
        m_answers = {PromptAnswer::Yes};
        return PressOk(item);
    });
    dialog.EditWaypoint(0);
    QCOMPARE(title, QString("Edit"));
    QVERIFY(keptOpen);
    QCOMPARE(m_asked.front().text,
             std::string("A waypoint whit the same name 'B' exists already!\n\nReplace?"));
    QCOMPARE(m_asked.size(), std::size_t{2});
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 1);
    QCOMPARE(Store().Waypoint(0).Position().Latitude().DecimalDegrees(), 1.0);
    QCOMPARE(dialog.Model()->rowCount(), 1);

    // New: No to both conflict questions stores nothing and keeps the dialog open.
    dialog.SetItemDialogRunner([&](CNewNavigationItemDlg& item) {
        item.show();
        item.NameEdit()->setText("B");
        item.LatitudeEdit()->SetDecimalDegrees(5.0);
        m_answers = {PromptAnswer::No, PromptAnswer::No};
        keptOpen = !PressOk(item) && item.isVisible() && item.NameEdit()->text() == "B";
        item.reject();
        return false;
    });
    m_asked.clear();
    dialog.NewWaypoint();
    QVERIFY(keptOpen);
    QCOMPARE(m_asked.size(), std::size_t{2});
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 1);
    QCOMPARE(Store().Waypoint(0).Position().Latitude().DecimalDegrees(), 1.0);

    // Rename: No to "Replace?" keeps the typed name in the open dialog.
    AddRoute("R", {});
    AddRoute("S", {});
    CRouteListDlg routes(Context());
    routes.DialogRunners().rename = [&](CRenameDlg& rename) {
        rename.show();
        rename.NameEdit()->setText("S");
        m_answers = {PromptAnswer::No};
        keptOpen = !PressOk(rename) && rename.isVisible() && rename.NameEdit()->text() == "S";
        rename.NameEdit()->setText("T");
        return PressOk(rename);
    };
    m_asked.clear();
    routes.RenameRoute(0);
    QVERIFY(keptOpen);
    QCOMPARE(m_asked.size(), std::size_t{1});
    QVERIFY(Store().FindRoute("T") >= 0);
    QVERIFY(Store().FindRoute("S") >= 0);
}

// 90 degrees 30 minutes north is no latitude: refused with the dialog open, not cut to the pole.
void NavigationDialogsTest::NewWaypointRefusesAPositionPastThePoleOrTheAntimeridian() {
    CWaypointListDlg dialog(Context());
    QStringList told;
    bool keptOpen = true;
    dialog.SetItemDialogRunner([&](CNewNavigationItemDlg& item) {
        item.show();
        CCoordinateEdit& latitude = *item.LatitudeEdit();
        CCoordinateEdit& longitude = *item.LongitudeEdit();
        latitude.Part(0)->setValue(90);
        latitude.Part(1)->setValue(30);
        keptOpen = !PressOk(item) && item.isVisible();
        told << QString::fromStdString(m_asked.back().text);
        latitude.Part(1)->setValue(0);
        longitude.SetStyle(CoordinateStyle::DecimalMinutes);
        longitude.Part(0)->setValue(180);
        longitude.Part(1)->setValue(0.0001);
        keptOpen = keptOpen && !PressOk(item) && item.isVisible();
        told << QString::fromStdString(m_asked.back().text);
        longitude.Part(1)->setValue(0);
        return PressOk(item);
    });
    dialog.NewWaypoint();
    QVERIFY(keptOpen);
    QCOMPARE(told, QStringList({QString::fromUtf8("The latitude cannot be more than 90\u00B0. "
                                                  "Please! Correct the position."),
                                QString::fromUtf8("The longitude cannot be more than 180\u00B0. "
                                                  "Please! Correct the position.")}));
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 1);
    QCOMPARE(Store().Waypoint(0).Position(), CLatLong::FromDecimalDegrees(90.0, 180.0));
}

void NavigationDialogsTest::WaypointListKeepsItsColumnWidths() {
    const std::string key = std::string(settings_keys::kSettings) + "\\ListLayouts\\WaypointList";
    {
        CWaypointListDlg dialog(Context());
        dialog.List()->setColumnWidth(1, 77);
        dialog.List()->setColumnWidth(3, 133);
        dialog.reject();
    }
    QCOMPARE(ReadDword(key, "LatitudeColumnWidth"), 77u);
    QCOMPARE(ReadDword(key, "PlaceToStoreColumnWidth"), 133u);
    CWaypointListDlg again(Context());
    QCOMPARE(again.List()->columnWidth(3), 133);
    const int nameWidth = again.List()->columnWidth(0);

    // A width of 0 or less stored by hand would hide its column for good: the default instead.
    WriteDword(key, "LatitudeColumnWidth", 0);
    WriteDword(key, "PlaceToStoreColumnWidth", 0xFFFFFFF6); // -10
    WriteDword(key, "WaypointNameColumnWidth", 0x80000000);
    CWaypointListDlg hidden(Context());
    const auto dpi = static_cast<int>(hidden.List()->screen()->logicalDotsPerInch());
    for (const int column : {1, 3}) {
        QCOMPARE(hidden.List()->columnWidth(column),
                 ScaleToScreen(kWaypointListLayout.columns[column].defaultWidth, dpi));
    }
    QCOMPARE(hidden.List()->columnWidth(0), nameWidth);
    QCOMPARE(hidden.List()->columnWidth(2), again.List()->columnWidth(2));
}

void NavigationDialogsTest::EnterRunsTheFirstCommandAndDeleteDeletesWithTheDialogOpen() {
    AddWaypoint("A", 48.1, 11.5);
    AddWaypoint("B", 48.2, 11.5);
    AddWaypoint("C", 48.3, 11.5);
    AddRoute("R", {"A", "B"});
    AddRoute("S", {"C"});
    ReceiveFix();
    const auto press = [](CNavigationListDlg& dialog, int row, Qt::Key key,
                          Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        dialog.show();
        dialog.List()->SelectRow(row);
        dialog.List()->setFocus();
        QTest::keyClick(dialog.List(), key, modifiers);
        return dialog.isVisible();
    };
    const auto target = [this] {
        return Store().Mode() == NavigationMode::GoTo
                   ? Store().Waypoint(Store().TargetIndex()).Name()
                   : Store().Route(Store().TargetIndex()).Name();
    };

    CWaypointListDlg waypoints(Context());
    QVERIFY(press(waypoints, 1, Qt::Key_Return));
    QCOMPARE(Store().Mode(), NavigationMode::GoTo);
    QCOMPARE(target(), std::string("B"));
    m_answers = {PromptAnswer::No};
    QVERIFY(press(waypoints, 2, Qt::Key_Delete));
    QCOMPARE(m_asked.back().text,
             std::string("Are you sure you want to delete the 'C' waypoint from system?"));
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 3);
    waypoints.reject();

    CRouteListDlg routes(Context());
    QVERIFY(press(routes, 1, Qt::Key_Enter, Qt::KeypadModifier));
    QCOMPARE(Store().Mode(), NavigationMode::GoAlong);
    QCOMPARE(target(), std::string("S"));
    m_answers = {PromptAnswer::Yes, PromptAnswer::No};
    QVERIFY(press(routes, 1, Qt::Key_Delete));
    QCOMPARE(Store().FindRoute("S"), -1);
    QCOMPARE(routes.Model()->rowCount(), 1);
    routes.reject();

    CRouteWaypointsDlg legs(Context(), 0);
    QVERIFY(press(legs, 1, Qt::Key_Return));
    QCOMPARE(target(), std::string("R"));
    QCOMPARE(Store().Route(0).ActiveIndex(), 1);
    m_answers = {PromptAnswer::Yes, PromptAnswer::No};
    QVERIFY(press(legs, 0, Qt::Key_Delete));
    QCOMPARE(Store().Route(0).WaypointNames(), std::vector<std::string>{"B"});
    legs.reject();

    CNearestWaypointListDlg nearest(Context(), 10);
    QCOMPARE(nearest.Model()->Rows().at(2).at(0), QString("C"));
    QVERIFY(press(nearest, 2, Qt::Key_Return));
    QCOMPARE(target(), std::string("C"));
    m_answers = {PromptAnswer::Yes};
    QVERIFY(press(nearest, 2, Qt::Key_Delete));
    QCOMPARE(Store().FindWaypoint("C"), -1);
    // Without a selected row Enter closes the list as before.
    nearest.List()->SelectRow(-1);
    QTest::keyClick(nearest.List(), Qt::Key_Return);
    QVERIFY(!nearest.isVisible());
}

void NavigationDialogsTest::SelectionModeReturnsTheWaypointsInTheOrderChosen() {
    AddWaypoint("A", 1, 1);
    AddWaypoint("B", 2, 2);
    AddWaypoint("C", 3, 3);
    CWaypointListDlg dialog(Context(), CWaypointListDlg::Mode::Select, "R");
    QCOMPARE(dialog.windowTitle(), QString("Add to the 'R' route"));
    dialog.List()->selectRow(2);
    dialog.List()->selectRow(0);
    dialog.List()->selectRow(1);
    dialog.List()->selectRow(0); // chosen again: undone
    QCOMPARE(dialog.ChosenWaypoints(), (std::vector<int>{2, 1}));
    // Select All adds the rest after them, in row order.
    dialog.List()->selectAll();
    QCOMPARE(dialog.ChosenWaypoints(), (std::vector<int>{2, 1, 0}));
    dialog.List()->selectRow(1);
    QCOMPARE(dialog.ChosenWaypoints(), (std::vector<int>{2, 0}));
}

void NavigationDialogsTest::NearestListOrdersByDistanceAndNeedsAPosition() {
    AddWaypoint("Far", 48.3, 11.5);
    AddWaypoint("Tie1", 48.12, 11.5);
    AddWaypoint("Near", 48.101, 11.5);
    AddWaypoint("Tie2", 48.12, 11.5);
    {
        CNearestWaypointListDlg noFix(Context(), 10);
        QCOMPARE(noFix.windowTitle(), QString("Nearest Waypoints"));
        QCOMPARE(noFix.Model()->rowCount(), 0);
        QCOMPARE(noFix.List()->EmptyText(),
                 QString("Either there isn't current position or not Waypoints"));
    }
    ReceiveFix();
    CNearestWaypointListDlg dialog(Context(), 10);
    QStringList names;
    for (const QStringList& row : dialog.Model()->Rows()) {
        names << row[0];
    }
    QCOMPARE(names, QStringList({"Near", "Tie1", "Tie2", "Far"}));
    QCOMPARE(dialog.Model()->Rows()[0][1], QString("0.060")); // nautical miles, the default

    // Deleting a row asks, and the list follows the store.
    m_answers = {PromptAnswer::Yes};
    dialog.DeleteWaypoint(0);
    QCOMPARE(dialog.Model()->rowCount(), 3);
    QCOMPARE(Store().FindWaypoint("Near"), -1);

    // "All" asks first; No opens nothing.
    m_answers = {PromptAnswer::No};
    QVERIFY(!NearestCountOfChoice(m_app->Prompts(), 6));
    QCOMPARE(m_asked.back().text, std::string("If the Data Base of Navigation is too big, it could "
                                              "take a big amount of time!\n\nContinue?"));
    QCOMPARE(NearestCountOfChoice(m_app->Prompts(), 5), std::optional<std::size_t>(100));
}

void NavigationDialogsTest::RouteListDeleteCanTakeTheWaypointsFromEveryRoute() {
    {
        CRouteListDlg empty(Context());
        QCOMPARE(empty.List()->EmptyText(), QString("There are not Routes"));
        QCOMPARE(empty.Model()->rowCount(), 0);
    }
    AddWaypoint("A", 1, 1);
    AddWaypoint("B", 2, 2);
    AddWaypoint("C", 3, 3);
    AddRoute("R1", {"A", "B"});
    AddRoute("R2", {"B", "C"});
    CRouteListDlg dialog(Context());
    QCOMPARE(dialog.Model()->Rows()[1], QStringList({"R2", "/tmp/r.txt"}));

    m_answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    dialog.DeleteRoute(0);
    QCOMPARE(m_asked[0].text, std::string("Are you sure you want to delete the 'R1' route from "
                                          "system?"));
    QCOMPARE(m_asked[1].text, std::string("Are the waypoints of the 'R1' route final to be "
                                          "deleted from system?"));
    QVERIFY(m_asked[1].defaultNo);
    QCOMPARE(dialog.Model()->rowCount(), 1);
    QCOMPARE(dialog.List()->CurrentRow(), 0);
    QCOMPARE(Store().Route(0).WaypointNames(), std::vector<std::string>{"C"});
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 1);
}

void NavigationDialogsTest::RouteWaypointsShowTheLegsAndKeepTheRouteAtItsEdges() {
    AddWaypoint("A", 0, 0);
    AddWaypoint("B", 0, 1);
    AddWaypoint("C", 1, 1);
    AddRoute("One", {"A"});
    AddRoute("R", {"A", "B", "C"});
    {
        CRouteWaypointsDlg single(Context(), 0);
        QCOMPARE(single.windowTitle(), QString("Waypoints of 'One' route"));
        QCOMPARE(single.Model()->Rows().at(0),
                 QStringList({"1", "A", "", "", "0.000nmi", "0.000nmi"}));
    }
    CRouteWaypointsDlg dialog(Context(), 1);
    const auto& rows = dialog.Model()->Rows();
    QCOMPARE(rows.size(), std::size_t(3));
    QCOMPARE(rows[1][2], QString::fromUtf8("90.00\u00B0"));
    QVERIFY(rows[1][3].endsWith("nmi"));
    // The whole route is the first row's way to the end and the last row's way from the begin.
    QCOMPARE(dialog.TotalDistanceText(), rows[0][5]);
    QCOMPARE(dialog.TotalDistanceText(), rows[2][4]);
    QVERIFY(dialog.TotalDistanceText() != rows[1][3]);

    dialog.MoveUp(0);
    dialog.MoveDown(2);
    QCOMPARE(Store().Route(1).WaypointNames(), (std::vector<std::string>{"A", "B", "C"}));
    dialog.MoveDown(0);
    QCOMPARE(Store().Route(1).WaypointNames(), (std::vector<std::string>{"B", "A", "C"}));
    QCOMPARE(dialog.List()->CurrentRow(), 1);
    dialog.Invert();
    QCOMPARE(dialog.Model()->Rows()[0][1], QString("C"));

    // Removing a row asks twice: from the route, then from the system.
    m_answers = {PromptAnswer::Yes, PromptAnswer::No};
    dialog.DeleteRow(0);
    QCOMPARE(m_asked[0].text,
             std::string("Are you sure you want to delete the 'C' waypoint from the 'R' route?"));
    QCOMPARE(dialog.Model()->rowCount(), 2);
    QVERIFY(Store().FindWaypoint("C") >= 0);
}

void NavigationDialogsTest::RouteWaypointsAddAppendsTheChosenWaypointsInOrder() {
    AddWaypoint("A", 0, 0);
    AddWaypoint("B", 0, 1);
    AddWaypoint("C", 1, 1);
    AddRoute("R", {"A"});
    CRouteWaypointsDlg dialog(Context(), 0);
    QString title;
    dialog.SetChooserRunner([&](CWaypointListDlg& chooser) {
        title = chooser.windowTitle();
        chooser.List()->selectRow(2);
        chooser.List()->selectRow(1);
        return true;
    });
    dialog.AddWaypoints();
    QCOMPARE(title, QString("Add to the 'R' route"));
    QCOMPARE(Store().Route(0).WaypointNames(), (std::vector<std::string>{"A", "C", "B"}));
    QCOMPARE(dialog.List()->CurrentRow(), 2);
    QCOMPARE(Store().LastUsedIndex(NavItemKind::Route), 0);
}

void NavigationDialogsTest::SaveRouteWritesTheFileOrReportsThatItCouldNot() {
    AddWaypoint("A", 0, 0);
    AddRoute("R", {"A"});
    CRouteListDlg dialog(Context());
    const std::filesystem::path path = m_dir->Path() / "route.txt";
    {
        std::ofstream old(path);
        old << "old content that is longer than the export";
    }
    dialog.DialogRunners().chooseSavePath = [&](QWidget*) {
        return QString::fromStdString(path.string());
    };
    dialog.SaveRoute(0);
    QCOMPARE(m_asked.back().icon, PromptIcon::Information);
    QCOMPARE(
        m_asked.back().text,
        "The file '" + path.string() +
            "' was successfully saved. Please! Use the File Explorer to copy or move the file.");
    QCOMPARE(testpaths::ReadFileBytes(path), *Store().RouteExportText(0));

    dialog.DialogRunners().chooseSavePath = [&](QWidget*) {
        return QString::fromStdString((m_dir->Path() / "missing" / "route.txt").string());
    };
    dialog.SaveRoute(0);
    QCOMPARE(m_asked.back().caption, std::string("Irreparable Error"));
    QVERIFY(m_asked.back().text.starts_with("WriteFile failed"));
}

void NavigationDialogsTest::UploadWaitKeepsTheWindowAliveAndEndsThreeWays() {
    CommEndpoint& connection = m_app->Core().SerialDestination();
    // The connection's report arrives through the window's own event loop, which therefore
    // kept running during the wait.
    QCOMPARE(WaitForRouteUpload(
                 connection, nullptr, std::chrono::minutes(10),
                 [&](QWidget&) { QTimer::singleShot(0, [&] { connection.PostUploadDone(1); }); }),
             UploadOutcome::Completed);
    QCOMPARE(WaitForRouteUpload(connection, nullptr, std::chrono::milliseconds(100)),
             UploadOutcome::TimedOut);
    QCOMPARE(WaitForRouteUpload(connection, nullptr, std::chrono::minutes(10),
                                [](QWidget& box) { static_cast<QDialog&>(box).reject(); }),
             UploadOutcome::Closed);
}

void NavigationDialogsTest::MarkPositionCancelGivesBackTheTrackRouteAndItsNumber() {
    WriteDword(settings_keys::kNavigatorRoutes, "StartNumber", 9999);
    WriteDword(settings_keys::kNavigatorWaypoints, "StartNumber", 5);
    CLatLong latest;
    CMarkPositionDlg dialog(
        Context(), [&] { return latest; }, "/tmp/track.txt");
    QVERIFY(dialog.SamplingTimer().isActive());
    QCOMPARE(dialog.SamplingTimer().interval(), 1000);
    dialog.Tick();
    QVERIFY(!dialog.CanConfirm());
    QVERIFY(dialog.NameEdit()->text().isEmpty());

    latest = CLatLong::FromDecimalDegrees(48.1, 11.5);
    dialog.Tick();
    QVERIFY(dialog.CanConfirm());
    QCOMPARE(dialog.NameEdit()->text(), QString("WPL_0005"));
    QCOMPARE(dialog.LatitudeField()->text(), QString::fromUtf8("N 48\u00B006.0000'"));
    QVERIFY(Store().FindRoute("RTE_9999") >= 0);
    QCOMPARE(ReadDword(settings_keys::kNavigatorRoutes, "StartNumber"), 0u);

    // Switching averaging off asks first; the answer is kept when the dialog closes.
    m_answers = {PromptAnswer::Yes};
    dialog.ToggleAveraging();
    QVERIFY(m_asked.back().text.starts_with("The positioning averaging function"));
    QVERIFY(m_asked.back().defaultNo);
    dialog.reject();
    QVERIFY(!dialog.SamplingTimer().isActive());
    QCOMPARE(Store().FindRoute("RTE_9999"), -1);
    QCOMPARE(ReadDword(settings_keys::kNavigatorRoutes, "StartNumber"), 9999u);
    QCOMPARE(ReadDword(settings_keys::kNavigatorWaypoints, "StartNumber"), 5u);
    QCOMPARE(ReadDword(settings_keys::kGeneral, "Averaging"), 0u);
}

void NavigationDialogsTest::MarkPositionConfirmStoresTheAverageInTheChosenRoute() {
    AddRoute("Trip", {});
    CLatLong latest = CLatLong::FromDecimalDegrees(10.0, 20.0);
    CMarkPositionDlg dialog(
        Context(), [&] { return latest; }, "/tmp/track.txt");
    dialog.Tick();
    latest = CLatLong::FromDecimalDegrees(10.0, 20.002);
    dialog.Tick();
    QCOMPARE(dialog.Session().Samples().size(), std::size_t(2));
    dialog.RouteChoice()->setCurrentText("Trip");
    dialog.NameEdit()->setText("Camp");
    dialog.accept();
    const int index = Store().FindWaypoint("Camp");
    QVERIFY(index >= 0);
    QCOMPARE(Store().Waypoint(index).PlaceToStore(), std::string("/tmp/track.txt"));
    // The midpoint of the two samples, not the latest fix.
    QVERIFY(std::abs(Store().Waypoint(index).Position().Longitude().DecimalDegrees() - 20.001) <
            1e-5);
    QCOMPARE(Store().Route(Store().FindRoute("Trip")).WaypointNames(),
             std::vector<std::string>{"Camp"});
    QCOMPARE(ReadDword(settings_keys::kNavigatorWaypoints, "StartNumber"), 1u);
    QCOMPARE(ReadDword(settings_keys::kGeneral, "Averaging"), 1u);
}

void NavigationDialogsTest::MarkPositionCollectsTheTracksWaypointsInItsRoute() {
    AddRoute("Trip", {});
    const CLatLong latest = CLatLong::FromDecimalDegrees(10.0, 20.0);
    for (const char* name : {"First", "Second"}) {
        CMarkPositionDlg dialog(
            Context(), [&] { return latest; }, "/tmp/track.txt");
        QCOMPARE(dialog.RouteChoice()->currentText(), QString());
        dialog.Tick();
        // Made for the track by the first mark, found again by the second.
        QCOMPARE(dialog.RouteChoice()->currentText(), QString("RTE_0000"));
        dialog.NameEdit()->setText(name);
        dialog.accept();
    }
    QCOMPARE(Store().Route(Store().FindRoute("RTE_0000")).WaypointNames(),
             (std::vector<std::string>{"First", "Second"}));
    QCOMPARE(ReadDword(settings_keys::kNavigatorRoutes, "StartNumber"), 1u);
}

void NavigationDialogsTest::MarkPositionKeepsARefusedNameOpenForCorrection() {
    const CLatLong latest = CLatLong::FromDecimalDegrees(10.0, 20.0);
    CMarkPositionDlg dialog(
        Context(), [&] { return latest; }, "/tmp/track.txt");
    dialog.show();
    dialog.Tick();
    const QString refused[] = {"Camp,1", "Camp*", "$Camp", "Camp at the far end of the lake"};
    for (const QString& name : refused) {
        m_asked.clear();
        dialog.NameEdit()->setText(name);
        dialog.accept();
        QVERIFY2(dialog.isVisible(), qPrintable(name));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.NameEdit()->text(), name);
        QVERIFY(dialog.SamplingTimer().isActive());
        QCOMPARE(m_asked.size(), std::size_t{1});
        QVERIFY(m_asked[0].text.starts_with("The name '" + name.toStdString() + "' cannot"));
    }
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 0);
    QCOMPARE(Store().Route(Store().FindRoute("RTE_0000")).WaypointCount(), 0);

    // Corrected, the same dialog stores the waypoint in the track's route.
    dialog.NameEdit()->setText("Camp 1");
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(Store().FindWaypoint("Camp 1") >= 0);
    QCOMPARE(Store().Route(Store().FindRoute("RTE_0000")).WaypointNames(),
             std::vector<std::string>{"Camp 1"});
}

void NavigationDialogsTest::MarkPositionStaysOpenWithItsSamplesWhenNothingWasStored() {
    AddWaypoint("Camp", 1, 1);
    WriteDword(settings_keys::kNavigatorWaypoints, "StartNumber", 7);
    CLatLong latest;
    CMarkPositionDlg dialog(
        Context(), [&] { return latest; }, "/tmp/track.txt");
    dialog.show();
    // Typed while waiting for the fix: the default name does not replace it.
    dialog.Tick();
    dialog.NameEdit()->setText("Camp");
    latest = CLatLong::FromDecimalDegrees(10.0, 20.0);
    dialog.Tick();
    dialog.Tick();
    QCOMPARE(dialog.NameEdit()->text(), QString("Camp"));
    QCOMPARE(dialog.RouteChoice()->currentText(), QString("RTE_0000"));

    // No to "Replace?" and to "Save with an another name?": told, and nothing is lost.
    m_answers = {PromptAnswer::No, PromptAnswer::No};
    dialog.accept();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(m_asked.size(), std::size_t{3});
    QCOMPARE(m_asked[2].text, std::string("The waypoint 'Camp' was not stored: a waypoint of that "
                                          "name exists already. Please! Type another name."));
    QCOMPARE(dialog.NameEdit()->text(), QString("Camp"));
    QCOMPARE(dialog.Session().Samples().size(), std::size_t{2});
    QVERIFY(dialog.SamplingTimer().isActive());
    QCOMPARE(Store().Waypoint(0).Position(), CLatLong::FromDecimalDegrees(1.0, 1.0));
    QVERIFY(Store().FindRoute("RTE_0000") >= 0);
    QCOMPARE(ReadDword(settings_keys::kNavigatorWaypoints, "StartNumber"), 7u);

    dialog.NameEdit()->setText("Camp 2");
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Store().Route(Store().FindRoute("RTE_0000")).WaypointNames(),
             std::vector<std::string>{"Camp 2"});
    QCOMPARE(ReadDword(settings_keys::kNavigatorWaypoints, "StartNumber"), 8u);

    // Without a track nothing can be stored: told, and the dialog stays for Cancel.
    m_asked.clear();
    CMarkPositionDlg noTrack(
        Context(), [&] { return latest; }, std::nullopt);
    noTrack.show();
    noTrack.Tick();
    noTrack.accept();
    QVERIFY(noTrack.isVisible());
    QCOMPARE(m_asked.size(), std::size_t{1});
    QCOMPARE(m_asked[0].text, std::string("The position cannot be stored: no track is being "
                                          "recorded or played back."));
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 2);
}

void NavigationDialogsTest::NewEditAndRenameRefuseANameBeforeTheyClose() {
    AddWaypoint("A", 1, 1);
    AddRoute("R", {"A"});
    // OK pressed with a refused name, then with a good one: the dialog closes only then.
    const auto pressOkTwice = [this](QDialog& dialog, QLineEdit& name, const QString& good) {
        dialog.show();
        name.setText("a,b");
        dialog.accept();
        const bool stayedOpen = dialog.isVisible() && name.text() == "a,b";
        const bool told = !m_asked.empty() && m_asked.back().text.starts_with("The name 'a,b'");
        m_asked.clear();
        name.setText(good);
        dialog.accept();
        return stayedOpen && told && dialog.result() == QDialog::Accepted;
    };
    CWaypointListDlg waypoints(Context());
    bool ok = false;
    waypoints.SetItemDialogRunner([&](CNewNavigationItemDlg& item) {
        ok = pressOkTwice(item, *item.NameEdit(), "B");
        return item.result() == QDialog::Accepted;
    });
    waypoints.NewWaypoint();
    QVERIFY(ok);
    QVERIFY(Store().FindWaypoint("B") >= 0);
    waypoints.SetItemDialogRunner([&](CNewNavigationItemDlg& item) {
        ok = pressOkTwice(item, *item.NameEdit(), "C");
        return item.result() == QDialog::Accepted;
    });
    ok = false;
    waypoints.EditWaypoint(0);
    QVERIFY(ok);
    QCOMPARE(Store().FindWaypoint("A"), -1);
    QVERIFY(Store().FindWaypoint("C") >= 0);

    CRouteListDlg routes(Context());
    routes.DialogRunners().newRoute = [&](CNewNavigationItemDlg& item) {
        ok = pressOkTwice(item, *item.NameEdit(), "S");
        return item.result() == QDialog::Accepted;
    };
    ok = false;
    routes.NewRoute();
    QVERIFY(ok);
    QVERIFY(Store().FindRoute("S") >= 0);
    routes.DialogRunners().rename = [&](CRenameDlg& rename) {
        ok = pressOkTwice(rename, *rename.NameEdit(), "T");
        return rename.result() == QDialog::Accepted;
    };
    ok = false;
    routes.RenameRoute(0);
    QVERIFY(ok);
    QCOMPARE(Store().FindRoute("R"), -1);
    QVERIFY(Store().FindRoute("T") >= 0);
}

void NavigationDialogsTest::WaypointListCommandsActOnTheWaypointShownAfterTheStoreMovedIt() {
    constexpr const char* kA = "4806.0000,N,01130.0000,E";
    constexpr const char* kB = "4812.0000,N,01136.0000,E";
    constexpr const char* kC = "4818.0000,N,01142.0000,E";
    ReceiveWaypoint("A", kA);
    ReceiveWaypoint("B", kB);
    ReceiveWaypoint("C", kC);
    CWaypointListDlg dialog(Context());
    // A receiver sends A again, unchanged: the store moves it to the end, the rows stay.
    ReceiveWaypoint("A", kA);
    QCOMPARE(Store().Waypoint(2).Name(), std::string("A"));
    CWaypointListModel& model = *dialog.Model();
    QCOMPARE(model.index(0, 0).data().toString(), QString("A"));
    QCOMPARE(model.index(0, 1).data().toString(), QString::fromUtf8("N 48\u00B006.0000'"));
    QCOMPARE(model.index(1, 0).data().toString(), QString("B"));

    dialog.GoTo(1);
    QCOMPARE(Store().Mode(), NavigationMode::GoTo);
    QCOMPARE(Store().Waypoint(Store().TargetIndex()).Name(), std::string("B"));
    // Go To refreshed the rows: B C A.
    QTRY_COMPARE(model.HighlightedRow(), 0);
    dialog.GoTo(0); // the same again cancels it
    QCOMPARE(Store().Mode(), NavigationMode::None);

    ReceiveWaypoint("B", kB); // C A B in the store, rows B C A
    ReceiveWaypoint("A", kA); // C B A
    QString edited;
    dialog.SetItemDialogRunner([&](CNewNavigationItemDlg& item) {
        edited = item.NameEdit()->text();
        return false;
    });
    dialog.EditWaypoint(0);
    QCOMPARE(edited, QString("B"));

    ReceiveWaypoint("C", kC); // rows C B A after the edit, store B A C
    m_answers = {PromptAnswer::Yes};
    dialog.DeleteWaypoint(0);
    QCOMPARE(m_asked.back().text,
             std::string("Are you sure you want to delete the 'C' waypoint from system?"));
    QCOMPARE(Store().FindWaypoint("C"), -1);
    QCOMPARE(Store().Count(NavItemKind::Waypoint), 2);
}

void NavigationDialogsTest::RouteListCommandsActOnTheRouteShownAfterTheStoreMovedIt() {
    AddWaypoint("A", 0, 0);
    AddWaypoint("B", 1, 1);
    AddRoute("First", {"A"});
    AddRoute("Second", {"B"});
    AddRoute("Third", {"A", "B"});
    CRouteListDlg dialog(Context());
    // Elsewhere the first route goes; the list still shows it in its first row.
    QVERIFY(Store().DeleteItem(NavItemKind::Route, Store().FindRoute("First")));

    const std::filesystem::path path = m_dir->Path() / "second.txt";
    dialog.DialogRunners().chooseSavePath = [&](QWidget*) {
        return QString::fromStdString(path.string());
    };
    dialog.SaveRoute(1);
    QCOMPARE(testpaths::ReadFileBytes(path), *Store().RouteExportText(Store().FindRoute("Second")));

    dialog.GoAlong(2);
    QCOMPARE(Store().Mode(), NavigationMode::GoAlong);
    QCOMPARE(Store().Route(Store().TargetIndex()).Name(), std::string("Third"));
    QTRY_COMPARE(dialog.Model()->HighlightedRow(), 2);

    // The row of a route that went does nothing.
    const std::size_t asked = m_asked.size();
    dialog.DeleteRoute(0);
    QCOMPARE(m_asked.size(), asked);
    QCOMPARE(Store().Count(NavItemKind::Route), 2);
}

void NavigationDialogsTest::RouteSavePathGetsItsSuffixBeforeTheOverwriteQuestion() {
    AddWaypoint("A", 0, 0);
    AddRoute("R", {"A"});
    const std::filesystem::path existing = m_dir->Path() / "trip.txt";
    testpaths::WriteFileBytes(existing, "kept");
    CRouteListDlg dialog(Context());
    const auto chooseSavePath = dialog.DialogRunners().chooseSavePath;

    // "trip" typed in the file dialog, OK: the dialog asks about trip.txt; No, then Cancel.
    QString question;
    bool typed = false;
    QTimer typing;
    typing.setInterval(10);
    QObject::connect(&typing, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            question = box->text();
            box->button(QMessageBox::No)->click();
        } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            if (!typed) {
                typed = true;
                files->selectFile(QString::fromStdString((m_dir->Path() / "trip").string()));
                // Queued: the question it may ask runs a loop of its own, in which this
                // timer must fire again.
                QMetaObject::invokeMethod(
                    files, [files] { static_cast<QDialog*>(files)->accept(); },
                    Qt::QueuedConnection);
            } else if (!question.isEmpty()) {
                files->reject();
            }
        }
    });
    typing.start();
    QCOMPARE(chooseSavePath(&dialog), QString());
    typing.stop();
    QVERIFY2(question.contains("trip.txt"), qPrintable(question));
    QCOMPARE(testpaths::ReadFileBytes(existing), std::string("kept"));
}

ZRV_QTEST_MAIN(NavigationDialogsTest)
#include "NavigationDialogsTest.moc"
