#include "navigation/RouteGuidance.h"
#include "navigation/Geodesy.h"
#include "navigation/TextFormat.h"
#include "tests/navigation/StoreTestSupport.h"

#include <gmock/gmock.h>

#include <cmath>

namespace {

// Degrees of latitude per nautical mile near the equator, as GetDistance measures it.
double DegreesPerMile() {
    return 1.0 / GetDistance(0.0, 0.0, 1.0, 0.0);
}

GuidanceFix FixAt(double latitude, double longitude, double speed = 10.0, double track = 0.0) {
    return GuidanceFix{latitude, longitude, speed, track};
}

GuidanceTarget GoToTarget(const std::string& name, const CLatLong& position) {
    GuidanceTarget target;
    target.mode = NavigationMode::GoTo;
    target.destination = NamedPoint{name, position};
    return target;
}

CalendarTime Clock(int day, int hour, int minute) {
    return MakeCalendarTime({2026, 5, day, hour, minute, 0});
}

// ---- Arrival and automatic advance ------------------------------------------------------

TEST_F(StoreTest, TheRouteMovesOnInsideTheArrivalRadiusOfItsKind) {
    struct Case {
        int kind;
        double metres;
        bool advances;
    };
    const Case cases[] = {{1, 19, true},  {1, 21, false}, {2, 49, true},
                          {2, 51, false}, {3, 299, true}, {3, 301, false},
                          {7, 49, true},  {7, 51, false}}; // another kind is Drive
    AddWaypoint("A", 0.0, 0.0);
    AddWaypoint("B", 1.0, 0.0);
    AddRoute("R", {"A", "B"});
    const FixedClock clock(Clock(1, 10, 0));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " at " << c.metres << " m");
        store.SetNavigationTarget(2, 0);
        CRouteGuidance guidance(clock);
        guidance.SetSettings({c.kind, true, DistanceUnit::Kilometers, GuidanceField::ETE});
        const double latitude = -c.metres / 1852.0 * DegreesPerMile();
        const GuidanceDisplay display = guidance.Update(store, FixAt(latitude, 0.0)).display;
        EXPECT_EQ(display.distance, Format("%.3f", c.metres / 1000.0));
        EXPECT_EQ(store.Route(0).ActiveIndex(), c.advances ? 1 : 0);
    }
}

TEST_F(StoreTest, NoAdvanceWithoutFollowingOrAtTheLastWaypoint) {
    AddWaypoint("A", 0.0, 0.0);
    AddWaypoint("B", 0.0, 0.01);
    AddRoute("R", {"A", "B"});
    const FixedClock clock(Clock(1, 10, 0));
    CRouteGuidance guidance(clock);
    store.SetNavigationTarget(2, 0);
    guidance.SetSettings({2, false, DistanceUnit::NauticalMiles, GuidanceField::ETE});
    guidance.Update(store, FixAt(0.0, 0.0));
    EXPECT_EQ(store.Route(0).ActiveIndex(), 0);

    guidance.SetSettings({2, true, DistanceUnit::NauticalMiles, GuidanceField::ETE});
    guidance.Update(store, FixAt(0.0, 0.0));
    EXPECT_EQ(store.Route(0).ActiveIndex(), 1);
    guidance.Update(store, FixAt(0.0, 0.01));
    EXPECT_EQ(store.Route(0).ActiveIndex(), 1);
}

TEST_F(StoreTest, WithoutAFixTheDestinationIsShownAndNothingThatNeedsAPosition) {
    // The arrival test would see the distance from a blank point: the route must stay put.
    AddWaypoint("A", 0.0, 0.0);
    AddWaypoint("B", 0.0, 0.01);
    AddRoute("R", {"A", "B"});
    store.SetNavigationTarget(2, 0);
    const FixedClock clock(Clock(1, 10, 0));
    CRouteGuidance guidance(clock);
    guidance.SetSettings({2, true, DistanceUnit::NauticalMiles, GuidanceField::XTK});
    GuidanceFix noFix = FixAt(0.0, 0.0);
    noFix.hasPosition = false;
    const GuidanceDisplay display = guidance.Update(store, noFix).display;
    EXPECT_TRUE(display.hasDestination);
    const GuidanceTarget target = store.CurrentGuidanceTarget();
    EXPECT_EQ(display.destinationLabel, DestinationLabel(target));
    EXPECT_EQ(display.arrivalText, target.destination.name);
    for (const std::string& value :
         {display.bearing, display.distance, display.track, display.speed, display.fieldText}) {
        EXPECT_EQ(value, "Unknown");
    }
    EXPECT_EQ(IndicatorText(display.indicator), "Unknown");
    EXPECT_FALSE(display.nextIndicator);
    EXPECT_EQ(store.Route(0).ActiveIndex(), 0);
}

TEST_F(StoreTest, TheTargetOfARouteNamesItsNeighboursAndTheRemainingLegs) {
    AddWaypoint("A", 0.0, 0.0);
    AddWaypoint("B", 0.0, 0.1);
    AddWaypoint("D", 0.0, 0.3);
    AddRoute("R", {"A", "B", "C", "D"}); // C does not resolve
    store.SetNavigationTarget(2, 0);
    store.GoToRouteRow(0, 1);
    const GuidanceTarget target = store.CurrentGuidanceTarget();
    EXPECT_EQ(DestinationLabel(target), "Dst: R: A -> B -> C");
    EXPECT_TRUE(target.from.position);
    EXPECT_FALSE(target.next.position);
    // B to D directly, stepping over C.
    EXPECT_DOUBLE_EQ(target.remainingRoute, GetDistance(0.0, 0.1, 0.0, 0.3));

    const FixedClock clock(Clock(1, 10, 0));
    CRouteGuidance guidance(clock);
    const GuidanceFix fix = FixAt(0.0, 0.05, 10.0, 90.0);
    const GuidanceValues values = ComputeGuidanceValues(target, fix, true);
    EXPECT_DOUBLE_EQ(values.guidanceDistance, values.distance + target.remainingRoute);
    EXPECT_EQ(guidance.FieldLabel(GuidanceField::ETE, target), "ETE(all route)");
    EXPECT_EQ(guidance.FieldLabel(GuidanceField::ETA, GoToTarget("A", At(0, 0))), "ETA");

    store.SetNavigationTarget(0, 0);
    EXPECT_EQ(guidance.Update(store, fix).display.destinationLabel, "No destination");
}

// ---- Steering indicator -----------------------------------------------------------------

TEST(RouteGuidanceTest, TheIndicatorAndTurnFollowTheOffCourseAngle) {
    struct Case {
        double bearingFromNorth; // where the destination lies; the track is north
        const char* indicator;
        const char* turn;
    };
    const Case cases[] = {
        {0.0, "135.0", "0.0\xC2\xB0"},
        {10.0, "145.0", "10.0\xC2\xB0 ->"},
        {350.0, "125.0", "<- 10.0\xC2\xB0"},
        {134.0, "269.0", "134.0\xC2\xB0 ->"},
        {136.0, "turn back", "136.0\xC2\xB0 ->"},
        {224.0, "turn back", "<- 136.0\xC2\xB0"},
    };
    const FixedClock clock(Clock(1, 10, 0));
    CRouteGuidance guidance(clock);
    guidance.SetSettings({2, true, DistanceUnit::NauticalMiles, GuidanceField::TRN});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bearingFromNorth);
        double lat = 0.0;
        double lon = 0.0;
        GetDestinationPoint(0.0, 0.0, 5.0, c.bearingFromNorth, lat, lon);
        const GuidanceDisplay display =
            guidance.Show(GoToTarget("T", At(lat, lon)), FixAt(0.0, 0.0, 10.0, 0.0));
        EXPECT_EQ(IndicatorText(display.indicator), c.indicator);
        EXPECT_EQ(display.fieldText, c.turn);
    }
    EXPECT_EQ(IndicatorText(IndicatorFor(std::nullopt, Side::None)), "Unknown");
}

TEST(RouteGuidanceTest, SidesOfTheCourseAndOfTheLegComeFromTheGeometry) {
    GuidanceTarget target;
    target.mode = NavigationMode::GoAlong;
    target.from = NamedPoint{"F", At(0.0, -0.1)};
    target.destination = NamedPoint{"D", At(0.0, 0.0)};
    // North of an eastbound leg, heading east: the destination is to the right of both.
    const GuidanceValues north = ComputeGuidanceValues(target, FixAt(0.01, -0.05, 5, 90), true);
    ASSERT_TRUE(north.leg && north.offCourse);
    EXPECT_NEAR(*north.leg, 90.0, 1e-9);
    EXPECT_EQ(north.steer, Side::Right);
    EXPECT_EQ(north.legSide, Side::Right);
    EXPECT_NEAR(north.legOffset, north.bearing - 90.0, 1e-9);
    // South of it: to the left of both.
    const GuidanceValues south = ComputeGuidanceValues(target, FixAt(-0.01, -0.05, 5, 90), true);
    EXPECT_EQ(south.steer, Side::Left);
    EXPECT_EQ(south.legSide, Side::Left);
    // At the destination there is no course.
    const GuidanceValues there = ComputeGuidanceValues(target, FixAt(0.0, 0.0), true);
    EXPECT_EQ(there.bearing, -1.0);
    EXPECT_FALSE(there.offCourse);
}

// ---- Field texts --------------------------------------------------------------------------

struct FieldCase {
    const char* label;
    GuidanceField field;
    DistanceUnit unit;
    double distance;
    std::optional<double> leg;
    std::optional<double> offCourse;
    Side steer;
    double legOffset;
    Side legSide;
    double speed;
    const char* expected;
};

TEST(RouteGuidanceTest, EachFieldShowsItsTextInTheUnit) {
    const double far = 10.0; // beyond every radius of Drive
    const auto km = DistanceUnit::Kilometers;
    const auto mi = DistanceUnit::StatuteMiles;
    const auto nmi = DistanceUnit::NauticalMiles;
    const FieldCase cases[] = {
        {"CTS left of the leg, turning left", GuidanceField::CTS, nmi, far, 90.0, 5.0, Side::Left,
         10.0, Side::Left, 8.0, "<- 65.0\xC2\xB0"},
        {"CTS left of the leg, turning right past it", GuidanceField::CTS, nmi, far, 90.0, 70.0,
         Side::Right, 10.0, Side::Left, 8.0, "10.0\xC2\xB0 ->"},
        {"CTS right of the leg", GuidanceField::CTS, nmi, far, 90.0, 5.0, Side::Right, 10.0,
         Side::Right, 8.0, "65.0\xC2\xB0 ->"},
        {"CTS right of the leg, turning left past it", GuidanceField::CTS, nmi, far, 90.0, 70.0,
         Side::Left, 10.0, Side::Right, 8.0, "<- 10.0\xC2\xB0"},
        {"CTS close to the leg shows the angle", GuidanceField::CTS, nmi, far, 90.0, 4.0,
         Side::Right, 3.0, Side::Left, 8.0, "4.0\xC2\xB0 ->"},
        {"CTS without a leg", GuidanceField::CTS, nmi, far, std::nullopt, 12.0, Side::Left, 0.0,
         Side::None, 8.0, "<- 12.0\xC2\xB0"},
        {"CTS standing still", GuidanceField::CTS, nmi, far, 90.0, 5.0, Side::Left, 10.0,
         Side::Left, 0.0, "Unknown"},
        {"CTS without a course", GuidanceField::CTS, nmi, far, 90.0, std::nullopt, Side::None, 0.0,
         Side::None, 8.0, "Unknown"},
        {"XTK towards, leg on the right", GuidanceField::XTK, km, 2.0, 90.0, 10.0, Side::Right,
         30.0, Side::Right, 8.0, "1.852km ->"},
        {"XTK towards, leg on the left", GuidanceField::XTK, mi, 2.0, 90.0, 10.0, Side::Left, 30.0,
         Side::Left, 8.0, "<- 1.151mi"},
        {"XTK heading away swaps the arrow", GuidanceField::XTK, nmi, 2.0, 90.0, 120.0, Side::Left,
         30.0, Side::Right, 8.0, "<- 1.000nmi"},
        {"XTK without a leg", GuidanceField::XTK, km, 2.0, std::nullopt, 30.0, Side::Right, 0.0,
         Side::None, 8.0, "0.000km"},
        {"XTK behind the leg's start", GuidanceField::XTK, km, 2.0, 90.0, 10.0, Side::Right, 95.0,
         Side::Right, 8.0, "Unknown"},
        {"VMG without a leg", GuidanceField::VMG, km, far, std::nullopt, 60.0, Side::Right, 0.0,
         Side::None, 10.0, "9.3km/h"},
        {"VMG going away", GuidanceField::VMG, nmi, far, std::nullopt, 180.0, Side::Right, 0.0,
         Side::None, 10.0, "-10.0kn"},
        {"VMG below a tenth is 0", GuidanceField::VMG, mi, far, std::nullopt, 89.9, Side::Right,
         0.0, Side::None, 10.0, "0.0mph"},
        {"VMG standing still", GuidanceField::VMG, nmi, far, std::nullopt, 0.0, Side::None, 0.0,
         Side::None, 0.0, "0.0kn"},
        {"ERD", GuidanceField::ERD, km, far, std::nullopt, 0.0, Side::None, 0.0, Side::None, 8.0,
         "18.520km"},
        {"TRN standing still", GuidanceField::TRN, nmi, far, std::nullopt, 3.0, Side::Left, 0.0,
         Side::None, 0.0, "Unknown"},
        {"arrived", GuidanceField::XTK, km, 0.02, 90.0, 10.0, Side::Right, 30.0, Side::Right, 8.0,
         "GOAL"},
        {"ETE", GuidanceField::ETE, nmi, 6.003, std::nullopt, 0.0, Side::None, 0.0, Side::None,
         12.0, "0, 00:30"},
        {"ETE over days", GuidanceField::ETE, nmi, 613.0, std::nullopt, 0.0, Side::None, 0.0,
         Side::None, 12.0, "2, 03:05"},
        {"ETE turned away", GuidanceField::ETE, nmi, far, std::nullopt, 90.0, Side::Right, 0.0,
         Side::None, 12.0, "eternity"},
        {"ETA without speed", GuidanceField::ETA, nmi, far, std::nullopt, 0.0, Side::None, 0.0,
         Side::None, 0.0, "remote future"},
    };
    const FixedClock clock(Clock(1, 10, 0));
    CRouteGuidance guidance(clock);
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.label);
        guidance.SetSettings({2, true, c.unit, c.field});
        GuidanceValues values;
        values.bearing = 45.0;
        values.distance = c.distance;
        values.guidanceDistance = c.distance;
        values.leg = c.leg;
        values.offCourse = c.offCourse;
        values.steer = c.steer;
        values.legOffset = c.legOffset;
        values.legSide = c.legSide;
        const GuidanceFix fix = FixAt(0.0, 0.0, c.speed, 45.0);
        EXPECT_EQ(guidance.FieldText(c.field, GoToTarget("GOAL", At(1, 1)), values, fix),
                  c.expected);
    }
}

TEST(RouteGuidanceTest, ArrivalTimeIsTodayTomorrowOrADate) {
    struct Case {
        CalendarTime now;
        double distance; // at 12 knots, straight ahead
        const char* expected;
    };
    const Case cases[] = {
        {Clock(1, 10, 0), 6.003, "10:30"},
        {Clock(1, 23, 50), 6.003, "tomrw at 00:20"},
        {Clock(1, 10, 0), 12.0 * 50.51, "May 03, 12:30"},
    };
    for (const Case& c : cases) {
        const FixedClock clock(c.now);
        CRouteGuidance guidance(clock);
        guidance.SetSettings({2, true, DistanceUnit::NauticalMiles, GuidanceField::ETA});
        GuidanceValues values;
        values.distance = values.guidanceDistance = c.distance;
        values.offCourse = 0.0;
        EXPECT_EQ(guidance.FieldText(GuidanceField::ETA, GoToTarget("T", At(1, 1)), values,
                                     FixAt(0, 0, 12.0)),
                  c.expected);
    }
}

TEST(RouteGuidanceTest, NearTheDestinationETEAlternatesWithTheArrivalText) {
    const FixedClock clock(Clock(1, 10, 0));
    CRouteGuidance guidance(clock);
    guidance.SetSettings({2, true, DistanceUnit::Kilometers, GuidanceField::ETE});
    const GuidanceTarget near = GoToTarget("T", At(100.0 / 1852.0 * DegreesPerMile(), 0.0));
    const GuidanceFix fix = FixAt(0.0, 0.0, 10.0, 0.0);
    EXPECT_EQ(guidance.Show(near, fix).fieldText, "0, 00:00");
    EXPECT_EQ(guidance.Show(near, fix).fieldText, "T");
    EXPECT_EQ(guidance.Show(near, fix).fieldText, "0, 00:00");

    const GuidanceDisplay display = guidance.Show(near, fix);
    EXPECT_EQ(display.destinationLabel, "Dst: T");
    EXPECT_EQ(display.bearing, "0.0\xC2\xB0");
    EXPECT_EQ(display.distance, "0.100");
    EXPECT_TRUE(display.distanceRed);
    EXPECT_EQ(display.speed, "18.5");
    EXPECT_EQ(display.track, "0.0\xC2\xB0");

    const GuidanceTarget arrived = GoToTarget("T", At(10.0 / 1852.0 * DegreesPerMile(), 0.0));
    EXPECT_EQ(guidance.Show(arrived, fix).fieldText, "T");
    EXPECT_EQ(guidance.Show(arrived, fix).fieldText, "T");
    EXPECT_EQ(guidance.Show(arrived, FixAt(0.0, 0.0, 0.0, 0.0)).track, "Unknown");
}

TEST(RouteGuidanceTest, GoingToASingleWaypointHasNoCrossTrackAndVmgFromTheAngle) {
    const FixedClock clock(Clock(1, 10, 0));
    CRouteGuidance guidance(clock);
    double lat = 0.0;
    double lon = 0.0;
    GetDestinationPoint(0.0, 0.0, 20.0, 60.0, lat, lon);
    const GuidanceTarget target = GoToTarget("T", At(lat, lon));
    const GuidanceFix fix = FixAt(0.0, 0.0, 10.0, 0.0);
    const GuidanceValues values = ComputeGuidanceValues(target, fix, true);
    EXPECT_EQ(guidance.FieldText(GuidanceField::XTK, target, values, fix), "0.000nmi");
    guidance.SetSettings({2, true, DistanceUnit::Kilometers, GuidanceField::VMG});
    EXPECT_EQ(guidance.FieldText(GuidanceField::VMG, target, values, fix),
              Format("%.1fkm/h", 10.0 * std::cos(*values.offCourse * 0.01745329252) * 1.852));
}

TEST(RouteGuidanceTest, ANextLegMarkerAppearsWhenTheTurnIsNear) {
    GuidanceTarget target;
    target.mode = NavigationMode::GoAlong;
    target.destination = NamedPoint{"D", At(0.0, 0.0)};
    target.next = NamedPoint{"N", At(0.0, 0.1)};
    const FixedClock clock(Clock(1, 10, 0));
    CRouteGuidance guidance(clock);
    guidance.SetSettings({2, true, DistanceUnit::NauticalMiles, GuidanceField::ETE});
    const double latitudeAt = -0.4 * DegreesPerMile();
    EXPECT_TRUE(guidance.Show(target, FixAt(latitudeAt, 0.0, 5.0, 0.0)).nextIndicator);
    EXPECT_FALSE(
        guidance.Show(target, FixAt(-0.6 * DegreesPerMile(), 0.0, 5.0, 0.0)).nextIndicator);
    guidance.SetSettings({2, false, DistanceUnit::NauticalMiles, GuidanceField::ETE});
    EXPECT_FALSE(guidance.Show(target, FixAt(latitudeAt, 0.0, 5.0, 0.0)).nextIndicator);
}

} // namespace
