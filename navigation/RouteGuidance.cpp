#include "navigation/RouteGuidance.h"

#include "navigation/Geodesy.h"
#include "navigation/TextFormat.h"

#include <cmath>

namespace {

constexpr double kDegreesToRadians = 0.01745329252;
constexpr double kAngleTolerance = 0.001;
constexpr double kIndicatorCentre = 135.0;
constexpr double kIndicatorWidth = 270.0;
// Beyond this an arrival time is no time at all (a crawl of a few metres a day).
constexpr double kLongestJourneyHours = 24.0 * 36525.0;

bool IsCourse(double degrees) {
    return degrees >= 0.0 && degrees < 360.0;
}

// |a - b| folded into 0..180.
double AngleBetween(double a, double b) {
    double x = std::fmod(std::fabs(a - b), 360.0);
    if (x > 180.0) {
        x = 360.0 - x;
    }
    return x;
}

double Normalized(double degrees) {
    double x = std::fmod(degrees, 360.0);
    return x < 0.0 ? x + 360.0 : x;
}

// Which way from `reference` the angle leads to `target`.
Side SideOf(double reference, double angle, double target) {
    if (angle < kAngleTolerance) {
        return Side::None;
    }
    if (AngleBetween(Normalized(reference + angle), target) < kAngleTolerance) {
        return Side::Right;
    }
    if (AngleBetween(Normalized(reference - angle), target) < kAngleTolerance) {
        return Side::Left;
    }
    return Side::None;
}

double OffCourse(double bearing, double track) {
    const double a = AngleBetween(bearing, track);
    return a < kAngleTolerance ? 0.0 : a;
}

std::string Degrees(const char* pattern, double value) {
    return Format(pattern, value, kDegreeSign);
}

// "<- 12.0°", "12.0° ->" or "12.0°".
std::string TurnText(double value, Side side) {
    switch (side) {
    case Side::Left:
        return Degrees("<- %.1f%s", value);
    case Side::Right:
        return Degrees("%.1f%s ->", value);
    case Side::None:
        break;
    }
    return Degrees("%.1f%s", value);
}

struct JourneyTime {
    long long hours;
    int minutes;
};

// Whole hours and minutes to cover `distance` at the speed made good towards the destination.
std::optional<JourneyTime> TimeToGo(double distance, double speed,
                                    const std::optional<double>& offCourse) {
    if (!(speed > 0.0) || !offCourse || *offCourse >= 90.0) {
        return std::nullopt;
    }
    const double hours = distance / (speed * std::cos(*offCourse * kDegreesToRadians));
    if (!(hours >= 0.0) || hours >= kLongestJourneyHours) {
        return std::nullopt;
    }
    const double whole = std::floor(hours);
    return JourneyTime{static_cast<long long>(whole), static_cast<int>((hours - whole) * 60.0)};
}

std::string DurationText(const JourneyTime& time) {
    return Format("%lld, %02lld:%02d", time.hours / 24, time.hours % 24, time.minutes);
}

std::string ArrivalTimeText(CalendarTime now, const JourneyTime& time) {
    const CalendarTime arrival = now + time.hours * 3600 + time.minutes * 60;
    const std::string day = FormatCalendarTime(arrival, "%Y%m%d");
    if (day == FormatCalendarTime(now, "%Y%m%d")) {
        return FormatCalendarTime(arrival, "%H:%M");
    }
    if (day == FormatCalendarTime(now + 24 * 3600, "%Y%m%d")) {
        return "tomrw at " + FormatCalendarTime(arrival, "%H:%M");
    }
    return FormatCalendarTime(arrival, "%b %d, %H:%M");
}

} // namespace

GuidanceRadii RadiiForKind(int kind) {
    switch (kind) {
    case 1:
        return {0.010799136, 0.05399568, 0.1349892, 0.2699784};
    case 3:
        return {0.16198704, 0.5399568, 2.1598272, 3.7796976};
    default:
        return {0.02699784, 0.1349892, 0.2699784, 0.5399568};
    }
}

GuidanceValues ComputeGuidanceValues(const GuidanceTarget& target, const GuidanceFix& fix,
                                     bool followTheRoute) {
    GuidanceValues values;
    if (!target.destination.position) {
        return values;
    }
    const double lat = target.destination.position->Latitude().DecimalDegrees();
    const double lon = target.destination.position->Longitude().DecimalDegrees();
    values.bearing = GetAzimuth(fix.latitude, fix.longitude, lat, lon);
    values.distance = GetDistance(fix.latitude, fix.longitude, lat, lon);
    if (const auto& next = target.next.position) {
        values.nextBearing =
            GetAzimuth(fix.latitude, fix.longitude, next->Latitude().DecimalDegrees(),
                       next->Longitude().DecimalDegrees());
    }
    if (const auto& from = target.from.position) {
        const double leg = GetAzimuth(from->Latitude().DecimalDegrees(),
                                      from->Longitude().DecimalDegrees(), lat, lon);
        if (IsCourse(leg)) {
            values.leg = leg;
        }
    }
    if (IsCourse(values.bearing)) {
        values.offCourse = OffCourse(values.bearing, fix.track);
        values.steer = SideOf(fix.track, *values.offCourse, values.bearing);
        if (values.leg) {
            values.legOffset = OffCourse(values.bearing, *values.leg);
            values.legSide = SideOf(*values.leg, values.legOffset, values.bearing);
        }
    }
    const bool alongRoute = target.mode == NavigationMode::GoAlong;
    values.remainingRoute = alongRoute ? target.remainingRoute : 0.0;
    values.guidanceDistance =
        values.distance + (followTheRoute && alongRoute ? values.remainingRoute : 0.0);
    return values;
}

CrossTrack CrossTrackOf(const GuidanceValues& values) {
    CrossTrack crossTrack;
    if (values.leg && values.legOffset >= 90.0) {
        return crossTrack;
    }
    crossTrack.distance =
        values.leg ? std::sin(values.legOffset * kDegreesToRadians) * values.distance : 0.0;
    // Heading away from the destination, the way back to the leg is on the other hand.
    const bool towards = !values.offCourse || *values.offCourse <= 90.0;
    if (values.legSide == Side::Left) {
        crossTrack.steer = towards ? Side::Left : Side::Right;
    } else if (values.legSide == Side::Right) {
        crossTrack.steer = towards ? Side::Right : Side::Left;
    }
    return crossTrack;
}

SteeringIndicator IndicatorFor(std::optional<double> offCourse, Side side) {
    SteeringIndicator indicator;
    if (!offCourse) {
        return indicator;
    }
    double position = kIndicatorCentre;
    if (side == Side::Right) {
        position += *offCourse;
    } else if (side == Side::Left) {
        position -= *offCourse;
    }
    if (position < 0.0 || position > kIndicatorWidth) {
        indicator.turnBack = true;
    } else {
        indicator.marker = position;
    }
    return indicator;
}

std::string IndicatorText(const SteeringIndicator& indicator) {
    if (indicator.turnBack) {
        return "turn back";
    }
    return indicator.marker ? Format("%.1f", *indicator.marker) : "Unknown";
}

std::string DestinationLabel(const GuidanceTarget& target) {
    if (target.mode != NavigationMode::GoAlong) {
        return "Dst: " + target.destination.name;
    }
    std::string label = "Dst: " + target.routeName + ": ";
    if (!target.from.name.empty()) {
        label += target.from.name + " -> ";
    }
    label += target.destination.name;
    if (!target.next.name.empty()) {
        label += " -> " + target.next.name;
    }
    return label;
}

std::string CRouteGuidance::FieldLabel(GuidanceField field, const GuidanceTarget& target) const {
    const bool allRoute = m_settings.followTheRoute && target.mode == NavigationMode::GoAlong;
    switch (field) {
    case GuidanceField::ETE:
        return allRoute ? "ETE(all route)" : "ETE";
    case GuidanceField::ETA:
        return allRoute ? "ETA(all route)" : "ETA";
    case GuidanceField::ERD:
        return "ERD";
    case GuidanceField::CTS:
        return "CTS";
    case GuidanceField::XTK:
        return "XTK";
    case GuidanceField::VMG:
        return "VMG";
    case GuidanceField::TRN:
        return "TRN";
    }
    return {};
}

std::string CRouteGuidance::FieldText(GuidanceField field, const GuidanceTarget& target,
                                      const GuidanceValues& values, const GuidanceFix& fix) const {
    if (!target.destination.position) {
        return {};
    }
    const GuidanceRadii radii = RadiiForKind(m_settings.kind);
    const DistanceUnit unit = m_settings.unit;
    const std::string& arrival = target.destination.name;
    const bool arrived = values.distance < radii.arrival;
    const double g = values.guidanceDistance;
    const bool moving = fix.speed > 0.0;

    switch (field) {
    case GuidanceField::ETE:
    case GuidanceField::ETA: {
        if (g < radii.arrival || (g < radii.approach && m_showArrival)) {
            return arrival;
        }
        const auto time = TimeToGo(g, fix.speed, values.offCourse);
        if (field == GuidanceField::ETE) {
            return time ? DurationText(*time) : "eternity";
        }
        return time ? ArrivalTimeText(m_clock.Now(), *time) : "remote future";
    }
    case GuidanceField::ERD:
        return arrived ? arrival : FormatDistance(g, unit);
    case GuidanceField::CTS: {
        if (arrived) {
            return arrival;
        }
        if (!moving || !values.offCourse) {
            return "Unknown";
        }
        const double a = *values.offCourse;
        const double d = values.legOffset;
        if (values.leg && d > 5.0 && d < 90.0 && a < 90.0 && values.legSide != Side::None) {
            const double c = 0.75 * (90.0 - d);
            const Side opposite = values.legSide == Side::Left ? Side::Right : Side::Left;
            const double value = values.steer != opposite ? c + a : c - a;
            // On the left of the leg a positive correction turns left, on the right it turns
            // right.
            const bool turnsLeft = (value >= 0.0) == (values.legSide == Side::Left);
            return TurnText(std::fabs(value), turnsLeft ? Side::Left : Side::Right);
        }
        return TurnText(a, values.steer);
    }
    case GuidanceField::XTK: {
        if (arrived) {
            return arrival;
        }
        const CrossTrack crossTrack = CrossTrackOf(values);
        if (!crossTrack.distance) {
            return "Unknown";
        }
        if (ToDisplayUnit(*crossTrack.distance, unit) < 0.001) {
            return FormatDistance(0.0, unit);
        }
        const std::string text = FormatDistance(*crossTrack.distance, unit);
        return crossTrack.steer == Side::Left    ? "<- " + text
               : crossTrack.steer == Side::Right ? text + " ->"
                                                 : text;
    }
    case GuidanceField::VMG: {
        if (arrived) {
            return arrival;
        }
        double made = 0.0;
        if (moving && values.leg) {
            made = fix.speed * std::cos(AngleBetween(fix.track, *values.leg) * kDegreesToRadians);
        } else if (moving && values.offCourse) {
            made = fix.speed * std::cos(*values.offCourse * kDegreesToRadians);
        }
        double shown = ToDisplayUnit(made, unit);
        if (std::fabs(shown) < 0.1) {
            shown = 0.0;
        }
        return Format(shown < 0.0 ? "-%.1f%s" : "%.1f%s", std::fabs(shown), SpeedSuffix(unit));
    }
    case GuidanceField::TRN:
        if (arrived) {
            return arrival;
        }
        return moving && values.offCourse ? TurnText(*values.offCourse, values.steer) : "Unknown";
    }
    return {};
}

GuidanceDisplay CRouteGuidance::Show(const GuidanceTarget& target, const GuidanceFix& fix) {
    return Display(target, ComputeGuidanceValues(target, fix, m_settings.followTheRoute), fix);
}

GuidanceDisplay CRouteGuidance::Display(const GuidanceTarget& target, const GuidanceValues& values,
                                        const GuidanceFix& fix) {
    m_showArrival = !m_showArrival;
    GuidanceDisplay display;
    if (!target.destination.position) {
        display.destinationLabel = "No destination";
        return display;
    }
    const GuidanceRadii radii = RadiiForKind(m_settings.kind);
    const DistanceUnit unit = m_settings.unit;

    display.hasDestination = true;
    display.destinationLabel = DestinationLabel(target);
    display.arrivalText = target.destination.name;
    display.fieldLabel = FieldLabel(m_settings.field, target);
    if (!fix.hasPosition) {
        display.bearing = display.distance = display.track = display.speed = "Unknown";
        display.fieldText = "Unknown";
        return display;
    }
    display.bearing = IsCourse(values.bearing) ? Degrees("%.1f%s", values.bearing) : "Unknown";
    display.distance = Format("%.3f", ToDisplayUnit(values.distance, unit));
    display.distanceRed = values.distance < radii.near;
    display.track = fix.speed > 0.0 ? Degrees("%.1f%s", fix.track) : "Unknown";
    display.speed = Format("%.1f", ToDisplayUnit(fix.speed, unit));
    display.indicator = IndicatorFor(values.offCourse, values.steer);
    if (target.mode == NavigationMode::GoAlong && m_settings.followTheRoute &&
        target.next.position && values.distance < radii.nextLeg && IsCourse(values.nextBearing)) {
        const double a = OffCourse(values.nextBearing, fix.track);
        display.nextIndicator = IndicatorFor(a, SideOf(fix.track, a, values.nextBearing));
    }
    display.fieldText = FieldText(m_settings.field, target, values, fix);
    return display;
}

GuidanceUpdate CRouteGuidance::Update(CNavigationDataBase& store, const GuidanceFix& fix) {
    GuidanceUpdate update;
    update.target = store.CurrentGuidanceTarget();
    update.values = ComputeGuidanceValues(update.target, fix, m_settings.followTheRoute);
    update.display = Display(update.target, update.values, fix);
    if (update.display.hasDestination && fix.hasPosition &&
        update.target.mode == NavigationMode::GoAlong && m_settings.followTheRoute &&
        update.values.distance < RadiiForKind(m_settings.kind).arrival) {
        store.AdvanceActiveWaypoint(update.target.routeIndex, update.target.activeIndex);
    }
    return update;
}
