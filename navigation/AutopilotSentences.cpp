#include "navigation/AutopilotSentences.h"

#include "nmea/NumberText.h"
#include "nmea/Sentence.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t kIdentifierLength = 6;
// The largest cross-track error and range the fields' formats hold.
constexpr double kLargestCrossTrack = 9.99;
constexpr double kLargestRange = 999.9;
constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;

// A waypoint name as a field: printable ASCII without the NMEA delimiters, at most 6
// characters.
std::string Identifier(const std::string& name) {
    std::string id;
    for (const char c : name) {
        const bool printable = c > ' ' && c < 0x7F;
        if (printable && std::string_view(",*$!\\^~").find(c) == std::string_view::npos) {
            id += c;
        }
        if (id.size() == kIdentifierLength) {
            break;
        }
    }
    return id;
}

std::string Course(double degrees) {
    return degrees >= 0.0 && degrees < 360.0 ? FormatFixed(degrees, 1) : std::string();
}

std::string SteerLetter(Side side) {
    return side == Side::Left ? "L" : side == Side::Right ? "R" : "";
}

std::string Flag(bool set) {
    return set ? "A" : "V";
}

std::string Finished(CSentence& sentence) {
    sentence.Finish();
    return sentence.Text();
}

} // namespace

std::string ComposeAutopilotSentences(const GuidanceTarget& target, const GuidanceValues& values,
                                      const GuidanceFix& fix, const GuidanceRadii& radii) {
    if (!target.destination.position) {
        return {};
    }
    const CrossTrack crossTrack = CrossTrackOf(values);
    const std::string valid = Flag(crossTrack.distance.has_value());
    const std::string error =
        crossTrack.distance ? FormatFixed(std::min(*crossTrack.distance, kLargestCrossTrack), 2)
                            : std::string();
    const std::string steer = SteerLetter(crossTrack.steer);
    const std::string arrived = Flag(values.distance <= radii.arrival);
    const std::string destination = Identifier(target.destination.name);
    const bool hasBearing = values.bearing >= 0.0;
    const double closing =
        hasBearing ? fix.speed * std::cos((fix.track - values.bearing) * kDegreesToRadians) : 0.0;

    CSentence rmb;
    rmb.Assign("$GPRMB");
    rmb.AppendText(valid);
    rmb.AppendText(error);
    rmb.AppendText(steer);
    rmb.AppendText(Identifier(target.from.name));
    rmb.AppendText(destination);
    rmb.AppendLatLong(*target.destination.position);
    rmb.AppendText(FormatFixed(std::min(values.distance, kLargestRange), 1));
    rmb.AppendText(Course(values.bearing));
    rmb.AppendText(hasBearing ? FormatFixed(closing, 1) : std::string());
    rmb.AppendText(arrived);
    rmb.AppendText("A");
    std::string out = Finished(rmb);

    CSentence apb;
    apb.Assign("$GPAPB");
    apb.AppendText(valid);
    apb.AppendText("A");
    apb.AppendText(error);
    apb.AppendText(steer);
    apb.AppendText("N");
    apb.AppendText(arrived);
    apb.AppendText(Flag(values.leg && values.legOffset >= 90.0));
    apb.AppendText(Course(values.leg.value_or(values.bearing)));
    apb.AppendText("T");
    apb.AppendText(destination);
    apb.AppendText(Course(values.bearing));
    apb.AppendText("T");
    apb.AppendText(Course(values.bearing));
    apb.AppendText("T");
    apb.AppendText("A");
    out += Finished(apb);

    CSentence xte;
    xte.Assign("$GPXTE");
    xte.AppendText(valid);
    xte.AppendText("A");
    xte.AppendText(error);
    xte.AppendText(steer);
    xte.AppendText("N");
    xte.AppendText("A");
    out += Finished(xte);
    return out;
}
