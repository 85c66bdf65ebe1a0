#pragma once

#include "navigation/DistanceUnits.h"
#include "navigation/NavigationDataBase.h"
#include "platform/CalendarTime.h"

#include <optional>
#include <string>

// Route guidance: from the current fix and the store's navigation target to the values and
// texts of the route guidance view. Angles are degrees, distances nautical miles, speeds knots.

// The radii of a kind of route guidance ("KindOfRouteGuidance": 1 Walk, 2 Drive, 3 Flight).
struct GuidanceRadii {
    double arrival;  // T1: the waypoint is reached
    double approach; // T2: ETE and ETA alternate with the arrival text
    double near;     // T3: DST is drawn in red
    double nextLeg;  // T4: the marker towards the next waypoint appears
};
// Any kind other than 1 and 3 is Drive.
GuidanceRadii RadiiForKind(int kind);

// The selectable field of the view ("NavUserSelectableField").
enum class GuidanceField : int { ETE = 1, ETA = 2, ERD = 3, CTS = 4, XTK = 5, VMG = 6, TRN = 7 };

struct GuidanceSettings {
    int kind = 2;               // "KindOfRouteGuidance"
    bool followTheRoute = true; // "AutomaticallyFollowTheRoute"
    DistanceUnit unit = DistanceUnit::NauticalMiles;
    GuidanceField field = GuidanceField::ETE;
};

// The receiver's current values.
struct GuidanceFix {
    double latitude = 0.0;  // decimal degrees, north positive
    double longitude = 0.0; // decimal degrees, east positive
    double speed = 0.0;     // knots over ground
    double track = 0.0;     // course over ground, degrees true
    // False before the receiver's first fix, or with no live track at all: nothing that needs
    // a position can be told then.
    bool hasPosition = true;
};

// 0 on course, 1 steer left, 2 steer right (also the side of the leg).
enum class Side : int { None = 0, Left = 1, Right = 2 };

// The derived values of one update.
struct GuidanceValues {
    double bearing = -1.0;     // BRG; -1 when there is no course (at the destination)
    double distance = 0.0;     // DST
    double nextBearing = -1.0; // to the next waypoint of the route; -1 without one
    std::optional<double> leg; // desired track from the "from" waypoint to the destination
    // |BRG - track| folded into 0..180 (0 below 0.001); nothing without a bearing.
    std::optional<double> offCourse;
    Side steer = Side::None;
    double legOffset = 0.0; // |BRG - leg| folded into 0..180
    Side legSide = Side::None;
    double remainingRoute = 0.0;   // Go Along: along the legs after the destination
    double guidanceDistance = 0.0; // DST plus the remaining route when following the route
};

// The values for a target with a destination position.
GuidanceValues ComputeGuidanceValues(const GuidanceTarget& target, const GuidanceFix& fix,
                                     bool followTheRoute);

// XTK: how far the position lies off the leg (nautical miles) and the side to steer back
// towards it. No distance while the leg lies behind (|BRG - leg| of 90 degrees or more); 0
// without a leg.
struct CrossTrack {
    std::optional<double> distance;
    Side steer = Side::None;
};
CrossTrack CrossTrackOf(const GuidanceValues& values);

// The steering indicator: a scale 270 units wide with the centre at 135.
struct SteeringIndicator {
    std::optional<double> marker; // nothing when "turn back" is shown or there is no course
    bool turnBack = false;
};
SteeringIndicator IndicatorFor(std::optional<double> offCourse, Side side);
// "turn back", the marker position "%.1f", or "Unknown" without a course.
std::string IndicatorText(const SteeringIndicator& indicator);

// What the route guidance view shows after one update.
struct GuidanceDisplay {
    bool hasDestination = false;
    std::string destinationLabel; // "Dst: ..." or "No destination"
    std::string arrivalText;      // the destination waypoint's name
    std::string bearing;          // BRG
    std::string distance;         // DST in the unit
    bool distanceRed = false;     // DST below T3
    std::string track;            // TRK
    std::string speed;            // SPD in the unit
    SteeringIndicator indicator;
    std::optional<SteeringIndicator> nextIndicator;
    std::string fieldLabel;
    std::string fieldText;
};

// One update: the target read from the store, the values derived for the fix (those an
// autopilot is sent), and what the view shows of them.
struct GuidanceUpdate {
    GuidanceTarget target;
    GuidanceValues values;
    GuidanceDisplay display;
};

// The route guidance of one view: the settings, the ETE/ETA alternation toggle flipped on every
// update, and the clock that ETA counts from.
class CRouteGuidance {
public:
    explicit CRouteGuidance(const IClock& clock) : m_clock(clock) {}

    void SetSettings(const GuidanceSettings& settings) { m_settings = settings; }
    const GuidanceSettings& Settings() const { return m_settings; }

    // One update for a new fix: reads the target from the store, computes the values and the
    // display and, when the destination is reached while following the route, moves on to the
    // next waypoint (the update still tells of the target it reached).
    GuidanceUpdate Update(CNavigationDataBase& store, const GuidanceFix& fix);

    // The display for a target (no automatic advance); flips the toggle.
    GuidanceDisplay Show(const GuidanceTarget& target, const GuidanceFix& fix);

    // The label and text of any field for that target and fix, as Show would give them with the
    // toggle as it stands.
    std::string FieldLabel(GuidanceField field, const GuidanceTarget& target) const;
    std::string FieldText(GuidanceField field, const GuidanceTarget& target,
                          const GuidanceValues& values, const GuidanceFix& fix) const;

private:
    GuidanceDisplay Display(const GuidanceTarget& target, const GuidanceValues& values,
                            const GuidanceFix& fix);

    const IClock& m_clock;
    GuidanceSettings m_settings;
    // Flipped before each update: the first update shows the value, the next the arrival text.
    bool m_showArrival = true;
};

// "Dst: " with the waypoint name (Go To) or the route with its from, destination and next
// waypoints (Go Along).
std::string DestinationLabel(const GuidanceTarget& target);
