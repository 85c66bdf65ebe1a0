#pragma once

#include "navigation/NavigationSettings.h"
#include "platform/CalendarTime.h"
#include "tracks/Track.h"
#include "tracks/XmlMarkup.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CNavigationDataBase;
class IPrompts;

// Import of GPX 1.0 and 1.1 files: waypoints go to the navigation store, each route to a route
// of the store, and the points of every track (all segments, in order) to track 1.

// A document is read whole, as its bytes and then as UTF-16 text beside the element table;
// larger ones are refused before anything is allocated for them.
inline constexpr std::size_t kMaxGpxDocumentBytes = std::size_t{128} << 20;
// GPX itself nests six levels; extensions of other programs add a few.
inline constexpr std::size_t kMaxGpxDepth = 64;

inline constexpr const char* kGpxTooLarge = "The GPX file is larger than 128 MB";
inline constexpr const char* kGpxTooManyElements = "The GPX file holds more than 2000000 elements";
inline constexpr const char* kGpxTooDeep = "The GPX file nests elements more than 64 levels deep";
inline constexpr const char* kGpxWithDocumentType =
    "The GPX file holds a document type declaration, which is not read (it may declare "
    "entities)";
inline constexpr const char* kGpxNotGpx = "The file is not a GPX document";

// What an import takes at most; the rest of the file is left out with a message.
struct GpxLimits {
    std::size_t waypoints = 100'000;
    std::size_t routePoints = 100'000; // of all routes together
    std::size_t trackPoints = 1'000'000;
};

struct GpxPoint {
    double latitude = 0.0;  // degrees, -90..90
    double longitude = 0.0; // degrees, -180..180
    std::string name;       // as the file has it; may be empty
};

struct GpxRoute {
    std::string name;
    std::vector<GpxPoint> points;
};

struct GpxTrackPoint {
    double latitude = 0.0;
    double longitude = 0.0;
    std::optional<double> altitude;          // metres
    std::optional<double> geoidalSeparation; // metres
    std::optional<CalendarTime> time;        // UTC
    std::optional<int> satellites;
    std::optional<double> speedKnots;
    std::optional<double> courseDegrees;
};

struct GpxData {
    std::vector<GpxPoint> waypoints;
    std::vector<GpxRoute> routes;
    std::vector<GpxTrackPoint> track; // every segment of every track, one after another
    std::size_t withoutPosition = 0;  // points left out for a missing or bad lat/lon
    // Why the collection stopped before the end of the document; empty when it read it all.
    std::string stopped;
};

// Collects what the "gpx" element holds (the current element, or the first "gpx" from
// there), in document order, within the limits.
GpxData CollectGpxData(CXmlMarkup& markup, const GpxLimits& limits = {});

// Parses GPX text and makes its "gpx" element current: empty on success, else the message.
std::string ParseGpxDocument(std::u16string text, CXmlMarkup& markup);

// Reads and collects a GPX file; on failure shows the message and returns nothing. When the
// collection stopped at a limit, or points were left out, shows why and returns the rest.
std::optional<GpxData> ReadGpxFile(const std::filesystem::path& path, IPrompts& prompts,
                                   const GpxLimits& limits = {});

// A GPX time ("2024-05-01T12:00:00Z", fractions and a zone offset allowed) as UTC.
std::optional<CalendarTime> ParseGpxTime(std::u16string_view text);

// The name the store can keep: control characters and "," "*" "$" (which would break the
// sentences of the store file) become "_", and it is cut to 20 bytes without cutting a UTF-8
// sequence. Empty stays empty.
std::string StorableName(std::string_view name);

struct GpxStoreResult {
    int waypoints = 0;
    int routes = 0;
    int routeWaypoints = 0;
    // Names the store could not keep, with what they became.
    std::vector<std::pair<std::string, std::string>> renamed;
};

// Stores the waypoints, then each route with its points as waypoints. An item without a name
// gets the default name of its kind; a name the store cannot keep is made storable. Name
// conflicts are answered through the store's own prompts: a waypoint not stored is left out,
// and ends the points of its route there; a route with no stored point is not stored.
GpxStoreResult StoreGpxItems(const GpxData& data, const std::filesystem::path& path,
                             CNavigationDataBase& store, INavigationSettings& settings,
                             std::uint32_t tick);

// "Names the store cannot keep were changed: 'a,b' to 'a_b', ..." (the first ten); empty when
// none was.
std::string RenamedNamesMessage(const GpxStoreResult& result);

// The fix a track point becomes. What the file does not say comes from the previous point:
// the course toward this one, and the speed over the time between them; 0 for the first.
// A point without a time has the time of a fix without a date.
TrackPoint GpxTrackFix(const GpxTrackPoint& point, const GpxTrackPoint* previous);

// Resets the track, adds every point (exact repeats collapse, as the track's rule says) and
// names the track after the file. False when memory ran out; the points added before stay.
// The caller holds the track's lock and says "Out of memory" after releasing it.
bool FillTrackFromGpx(const std::vector<GpxTrackPoint>& points, const std::filesystem::path& path,
                      CTrack& track);
