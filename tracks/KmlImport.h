#pragma once

#include "tracks/KmlCoordinates.h"
#include "tracks/Track.h"
#include "tracks/XmlMarkup.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class CNavigationDataBase;
class IPrompts;

// Import of KML and KMZ files: point placemarks become the waypoints of a new route of the
// navigation store, the positions of line placemarks become the points of track 1, so that a
// path drawn in Google Earth can be navigated or played back.

// What an import builds at most. A document up to its size limit may still describe far more
// positions than memory holds as waypoints or track points; the import stops at these.
struct KmlLimits {
    std::size_t points = 100'000;  // Point placemarks
    std::size_t lines = 1'000'000; // positions of all LineStrings together
};

// What a document offers the import, in document order.
struct KmlGeometry {
    std::vector<KmlPosition> points; // one per Point placemark
    std::vector<KmlPosition> lines;  // every position of every LineString, one after another
    // Why the collection stopped before the end of the document; empty when it read it all.
    // What was collected up to there is kept.
    std::string stopped;
};

// Collects the positions below "kml": the Placemarks of its "Document" (a Point, else the
// LineStrings of a MultiGeometry or GeometryCollection, else the placemark's own LineStrings);
// of an export that holds both the whole-track line and its segments, only the segments. When
// that gave no point, the point placemarks of the Folders inside the Document (and of
// their Folders). A document without "Document" yields the point placemarks of the Folders
// directly under "kml". Collection stops at the limits.
KmlGeometry CollectKmlGeometry(CXmlMarkup& markup, const KmlLimits& limits = {});

// Reads and collects a KML or KMZ file; on failure shows the message ("Unable to open file",
// "Xml parse failed or empty document", "Out of memory", ...) and returns nothing. When the
// collection stopped at a limit, shows why and returns what was collected.
std::optional<KmlGeometry> ReadKmlGeometry(const std::filesystem::path& path, IPrompts& prompts,
                                           const KmlLimits& limits = {});

// The file title: the name after the last folder separator, extension included.
std::string KmlFileTitle(const std::filesystem::path& path);

struct KmlRouteImport {
    int routeIndex = -1; // the stored route; -1 when none was stored
    int waypointsStored = 0;
};

// Stores the points as the waypoints of a new route named after the file (its title). A point
// is taken only when it lies farther than the arrival radius of the route-guidance kind from
// the waypoint taken before it; the first is always taken. Waypoints are named prefix + "_" +
// the point's number from 1 ("%.4d"), the prefix being the file title before its first "."
// cut to 6 characters; from the 10000th point on they get unused random 12-letter names seeded
// from `tick`. Name conflicts are answered through the store's own prompts; a waypoint that
// is not stored ends the walk.
KmlRouteImport StoreKmlRoute(const std::vector<KmlPosition>& points,
                             const std::filesystem::path& path, int guidanceKind,
                             CNavigationDataBase& store, std::uint32_t tick);

// The fix a line position becomes: time 2008-01-01 12:00:00, 60 knots, the course from the
// previous position (none for the first), 12 satellites in use, the position's altitude (75 m
// when it has none), geoidal separation 47.5 m, complete.
TrackPoint KmlLineFix(const KmlPosition& position, const KmlPosition* previous);

// Resets the track and adds every line position as a point (exact repeats collapse), then
// names the track after the file. False when memory ran out; the points added before stay. The
// caller holds the track's lock and says "Out of memory" after releasing it, so that no thread
// waiting for the track waits on the box.
bool FillTrackFromKmlLines(const std::vector<KmlPosition>& lines, const std::filesystem::path& path,
                           CTrack& track);
