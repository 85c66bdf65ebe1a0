#pragma once

#include "platform/CalendarTime.h"
#include "tracks/StatisticsText.h"
#include "tracks/Track.h"
#include "tracks/XmlMarkup.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Export of a track as a KML 2.2 document for Google Earth: one line through the whole track
// (every tenth point) and, speed-coloured, the track cut into straight segments, each
// coloured by the speed at its start and labelled with its trip distance and speed.

inline constexpr const char* kKmlNamespace = "http://www.opengis.net/kml/2.2";
inline constexpr const char* kKmlSavedMessage =
    "The file '%1' was successfully saved. Please! Use the File Explorer to copy or move the "
    "file.";

// A point without an altitude is written at this altitude (metres).
inline constexpr double kKmlDefaultAltitude = 75.0;

// The style of the whole-track line; the import knows the line by it.
inline constexpr std::u16string_view kKmlWholeTrackStyle = u"AllPathStyle";

// AntennaAltitudeMode.
enum class KmlAltitudeMode : int { ClampedToGround = 1, Absolute = 2 };

struct KmlExportOptions {
    bool speedColoured = true; // GoogleTrackLineColored
    KmlAltitudeMode altitudeMode = KmlAltitudeMode::ClampedToGround;
    DistanceUnit units = DistanceUnit::NauticalMiles; // of the segment labels
};

// Appends "longitude,latitude,altitude " (degrees "%.6f", whole metres toward zero); nothing
// for a position outside +-90 / +-180 degrees, which the import would refuse.
void AppendKmlPosition(const TrackPoint& point, std::string& out);

// The label of a segment from its start point: "12.345km, 67.8kmh;" with the units chosen,
// and with ", 123.4m" (or feet) before the ";" in the absolute altitude mode.
std::string KmlSegmentLabel(const TrackPoint& start, const KmlExportOptions& options);

// The points of a track, copied while the caller holds its lock, so that the document is built
// and written without it (a recording goes on meanwhile). Throws std::bad_alloc when memory
// runs out.
std::vector<TrackPoint> CopyTrackPoints(const CTrack& track);

// The whole document of a track's points; `documentName` is the name the document carries (the
// output file's name without its folder).
CXmlMarkup BuildKmlDocument(std::span<const TrackPoint> points, std::string_view documentName,
                            const KmlExportOptions& options);

// Writes a track's points to `path`: a KMZ archive holding "doc.kml" when the extension is
// ".kmz" in any letter case, otherwise a plain KML file. The document is named after the file,
// with ".kml" for an archive ("trip.kmz" holds a document named "trip.kml"). Empty on success,
// else the message for the user; a failed archive leaves no file behind.
std::string ExportPointsToFile(std::span<const TrackPoint> points,
                               const std::filesystem::path& path, const KmlExportOptions& options,
                               CalendarTime modified);
// The same for a track that no other thread changes.
std::string ExportTrackToFile(const CTrack& track, const std::filesystem::path& path,
                              const KmlExportOptions& options, CalendarTime modified);
