#include "tracks/KmlExport.h"

#include "platform/ClassicLocaleScope.h"
#include "tracks/KmlCoordinates.h"
#include "tracks/KmlFileText.h"
#include "tracks/KmlSegments.h"
#include "tracks/KmlSpeedBands.h"
#include "tracks/TextConversion.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kKnotsToKmh = 1.852;
constexpr int kWholeTrackStep = 10;

// The ASCII text of the export as the XML component's text.
std::u16string Wide(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

double AltitudeOrDefault(const TrackPoint& point) {
    return point.HasAltitude() ? point.Altitude() : kKmlDefaultAltitude;
}

// One Style with a LineStyle of that colour and width, left as the current element.
void AddLineStyle(CXmlMarkup& markup, std::u16string_view id, std::string_view colour,
                  std::u16string_view width) {
    markup.AddElement(u"Style");
    markup.SetTagValue(u"Style", u"id", id);
    markup.EnterElement();
    markup.AddElement(u"LineStyle");
    markup.EnterElement();
    markup.AddElement(u"color", Wide(colour));
    markup.AddElement(u"width", width);
    markup.LeaveElement();
    markup.LeaveElement();
}

void AddLinePlacemark(CXmlMarkup& markup, std::u16string_view name, std::u16string_view styleUrl,
                      const KmlExportOptions& options, const std::string& coordinates) {
    markup.AddElement(u"Placemark");
    markup.EnterElement();
    markup.AddElement(u"name", name);
    markup.AddElement(u"styleUrl", styleUrl);
    markup.AddElement(u"LineString");
    markup.EnterElement();
    markup.AddElement(u"tessellate", u"1");
    if (options.altitudeMode == KmlAltitudeMode::Absolute) {
        markup.AddElement(u"altitudeMode", u"absolute");
    }
    markup.AddElement(u"coordinates", Wide(coordinates));
    markup.LeaveElement();
    markup.LeaveElement();
}

void AddWholeTrack(CXmlMarkup& markup, std::span<const TrackPoint> points,
                   const KmlExportOptions& options) {
    std::string coordinates = "\r\n";
    coordinates.reserve((points.size() / kWholeTrackStep + 1) * 36);
    for (std::size_t index = 0; index < points.size(); index += kWholeTrackStep) {
        const TrackPoint& point = points[index];
        if (point.Position().IsValid()) {
            AppendKmlPosition(point, coordinates);
        }
    }
    std::u16string styleUrl = u"#";
    styleUrl += kKmlWholeTrackStyle;
    AddLinePlacemark(markup, u"All Velmora for Playback", styleUrl, options, coordinates);
}

void AddSegments(CXmlMarkup& markup, std::span<const TrackPoint> points,
                 const KmlExportOptions& options) {
    std::string coordinates;
    for (const TrackSegment& segment : BuildStraightSegments(points)) {
        const TrackPoint& start = points[static_cast<std::size_t>(segment.start)];
        coordinates.clear();
        AppendKmlPosition(start, coordinates);
        AppendKmlPosition(points[static_cast<std::size_t>(segment.end)], coordinates);
        const int band = SpeedBandIndex(start.SpeedOverGround() * kKnotsToKmh);
        AddLinePlacemark(markup, Wide(KmlSegmentLabel(start, options)),
                         u"#" + Wide(SpeedBandAt(band).styleName), options, coordinates);
    }
}

bool HasKmzExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".kmz";
}

} // namespace

void AppendKmlPosition(const TrackPoint& point, std::string& out) {
    const double longitude = point.Position().Longitude().DecimalDegrees();
    const double latitude = point.Position().Latitude().DecimalDegrees();
    // A receiver's absurd coordinate is not written: the import refuses it, and what the
    // export writes is read back.
    if (!(std::fabs(latitude) <= 90.0) || !(std::fabs(longitude) <= 180.0)) {
        return;
    }
    // Room for any finite altitude in whole metres (309 digits at most), so that a position
    // is never cut short and run into the next one.
    char text[kLongestKmlPosition + 1];
    const ClassicLocaleScope classic;
    const int length = std::snprintf(text, sizeof text, "%.6f,%.6f,%.0f ", longitude, latitude,
                                     std::trunc(AltitudeOrDefault(point)));
    if (length > 0) {
        out.append(text, std::min(static_cast<std::size_t>(length), sizeof text - 1));
    }
}

std::string KmlSegmentLabel(const TrackPoint& start, const KmlExportOptions& options) {
    static constexpr const char* kDistance[] = {"%.3fkm", "%.3fmi", "%.3fnmi"};
    static constexpr const char* kSpeed[] = {"%.1fkmh", "%.1fmph", "%.1fkn"};
    const DistanceUnit units = options.units;
    const auto unit = static_cast<std::size_t>(std::clamp(static_cast<int>(units), 1, 3) - 1);
    char text[160];
    std::string label;
    const ClassicLocaleScope classic;
    std::snprintf(text, sizeof text, kDistance[unit], ToDisplayUnit(start.TripDistance(), units));
    label += text;
    label += ", ";
    std::snprintf(text, sizeof text, kSpeed[unit], ToDisplayUnit(start.SpeedOverGround(), units));
    label += text;
    if (options.altitudeMode == KmlAltitudeMode::Absolute) {
        std::snprintf(text, sizeof text, units == DistanceUnit::Kilometers ? ", %.1fm" : ", %.1fft",
                      AltitudeInUnits(AltitudeOrDefault(start), units));
        label += text;
    }
    label += ";";
    return label;
}

std::vector<TrackPoint> CopyTrackPoints(const CTrack& track) {
    std::vector<TrackPoint> points;
    points.reserve(static_cast<std::size_t>(track.PointCount()));
    for (int index = 0; index < track.PointCount(); ++index) {
        points.push_back(track.PointAt(index));
    }
    return points;
}

CXmlMarkup BuildKmlDocument(std::span<const TrackPoint> points, std::string_view documentName,
                            const KmlExportOptions& options) {
    CXmlMarkup markup;
    // The declaration alone holds no element yet, so SetDocument keeps it and reports false.
    markup.SetDocument(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    markup.AddElement(u"kml");
    markup.SetTagValue(u"kml", u"xmlns", Wide(kKmlNamespace));
    markup.EnterElement();
    markup.AddElement(u"Document");
    markup.EnterElement();
    markup.AddElement(u"name", Utf8ToUtf16(documentName));
    if (options.speedColoured) {
        AddLineStyle(markup, kKmlWholeTrackStyle, "00ffffff", u"1");
        for (int band = 0; band < kSpeedBandCount; ++band) {
            const SpeedBand& style = SpeedBandAt(band);
            AddLineStyle(markup, Wide(style.styleName), KmlColourText(style.colour), u"6");
        }
    } else {
        AddLineStyle(markup, kKmlWholeTrackStyle, "ffff0000", u"6");
    }
    AddWholeTrack(markup, points, options);
    if (options.speedColoured) {
        AddSegments(markup, points, options);
    }
    return markup;
}

std::string ExportPointsToFile(std::span<const TrackPoint> points,
                               const std::filesystem::path& path, const KmlExportOptions& options,
                               CalendarTime modified) {
    if (HasKmzExtension(path)) {
        const std::string name = path.stem().string() + ".kml";
        return WriteKmzFile(path, BuildKmlDocument(points, name, options), modified);
    }
    return WriteKmlFile(path, BuildKmlDocument(points, path.filename().string(), options));
}

std::string ExportTrackToFile(const CTrack& track, const std::filesystem::path& path,
                              const KmlExportOptions& options, CalendarTime modified) {
    return ExportPointsToFile(CopyTrackPoints(track), path, options, modified);
}
