#include "tracks/KmlImport.h"

#include "navigation/DefaultNames.h"
#include "navigation/Geodesy.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/RouteGuidance.h"
#include "navigation/TextFormat.h"
#include "platform/Prompts.h"
#include "tracks/KmlExport.h"
#include "tracks/KmlFileText.h"

#include <new>
#include <optional>
#include <utility>

namespace {

constexpr const char* kOutOfMemory = "Out of memory";

constexpr int kLastNumberedPoint = 9999;
constexpr std::size_t kPrefixCharacters = 6;
constexpr std::size_t kRandomNameLength = 12;
// Draws of a random name before one is taken even though it exists (the store then asks).
constexpr int kRandomNameDraws = 1000;

constexpr double kLineSpeedKnots = 60.0;
constexpr int kLineSatellitesInUse = 12;
constexpr double kLineAltitude = 75.0;
constexpr double kLineGeoidalSeparation = 47.5;
constexpr CalendarFields kLineTime{2008, 1, 1, 12, 0, 0};

bool IsWhitespace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// A Point's coordinates, the text of the current element: its first position, whether or not
// whitespace follows it. Read in pieces, so that a hostile text costs no copy of itself.
std::optional<KmlPosition> FirstPosition(const CXmlMarkup& markup) {
    std::u16string first;
    bool overlong = false;
    markup.VisitElementText([&](std::u16string_view piece) {
        for (const char16_t c : piece) {
            if (IsWhitespace(c)) {
                if (!first.empty()) {
                    return false;
                }
            } else if (first.size() == kLongestKmlPosition) {
                overlong = true;
                return false;
            } else {
                first.push_back(c);
            }
        }
        return true;
    });
    return overlong ? std::nullopt : ParseKmlPosition(first);
}

std::string LimitMessage(const char* what, std::size_t limit) {
    return Format("The file holds more than %zu %s: the import stopped there and keeps the "
                  "first %zu",
                  limit, what, limit);
}

// The collection of one document within the limits.
struct Collector {
    KmlGeometry geometry;
    KmlLimits limits;
    // Where the positions of the whole-track line lie in the lines, when the document has one.
    std::optional<std::pair<std::size_t, std::size_t>> wholeTrack;

    bool Stopped() const { return !geometry.stopped.empty(); }
};

// Inside a Placemark: whether it is the whole-track line of an export. The search starts
// afresh among the placemark's children afterwards.
bool IsWholeTrackLine(CXmlMarkup& markup) {
    std::u16string styleUrl = u"#";
    styleUrl += kKmlWholeTrackStyle;
    const bool whole = markup.FindElement(u"styleUrl") && markup.GetElementText() == styleUrl;
    markup.LeaveElement();
    markup.EnterElement();
    return whole;
}

// An export that is speed-coloured holds the track twice: the whole-track line through every
// tenth point, and the straight segments through every point where the track turns. Read both
// and the track would run twice, so the segments alone are kept; without segments the
// whole-track line is the track.
void KeepOneCopyOfTheTrack(Collector& collector) {
    if (!collector.wholeTrack) {
        return;
    }
    std::vector<KmlPosition>& lines = collector.geometry.lines;
    const auto [begin, end] = *collector.wholeTrack;
    if (end - begin < lines.size()) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(begin),
                    lines.begin() + static_cast<std::ptrdiff_t>(end));
    }
}

// The LineStrings among the children of the current parent.
void CollectLineStrings(CXmlMarkup& markup, Collector& collector) {
    while (!collector.Stopped() && markup.FindElement(u"LineString")) {
        markup.EnterElement();
        if (markup.FindElement(u"coordinates")) {
            // Read straight from the document: the text of one list may be most of it.
            KmlCoordinateReader reader(collector.geometry.lines, collector.limits.lines);
            if (!markup.VisitElementText(
                    [&reader](std::u16string_view piece) { return reader.Feed(piece); })) {
                collector.geometry.stopped = LimitMessage("line positions", collector.limits.lines);
            }
        }
        markup.LeaveElement();
    }
}

// Inside a Placemark: its Point, or else its lines.
void CollectPlacemark(CXmlMarkup& markup, Collector& collector, bool pointsOnly) {
    if (markup.FindElement(u"Point")) {
        markup.EnterElement();
        if (markup.FindElement(u"coordinates")) {
            if (const auto position = FirstPosition(markup)) {
                std::vector<KmlPosition>& points = collector.geometry.points;
                if (points.size() < collector.limits.points) {
                    points.push_back(*position);
                } else {
                    collector.geometry.stopped =
                        LimitMessage("point placemarks", collector.limits.points);
                }
            }
        }
        markup.LeaveElement();
        return;
    }
    if (pointsOnly) {
        return;
    }
    // A failed search moves nothing, so each search starts among all of the children.
    if (markup.FindElement(u"MultiGeometry") || markup.FindElement(u"GeometryCollection")) {
        markup.EnterElement();
        CollectLineStrings(markup, collector);
        markup.LeaveElement();
        return;
    }
    CollectLineStrings(markup, collector);
}

void CollectPlacemarks(CXmlMarkup& markup, Collector& collector, bool pointsOnly) {
    while (!collector.Stopped() && markup.FindElement(u"Placemark")) {
        markup.EnterElement();
        const std::size_t before = collector.geometry.lines.size();
        const bool wholeTrack = !pointsOnly && !collector.wholeTrack && IsWholeTrackLine(markup);
        CollectPlacemark(markup, collector, pointsOnly);
        if (wholeTrack) {
            collector.wholeTrack.emplace(before, collector.geometry.lines.size());
        }
        markup.LeaveElement();
    }
}

// The point placemarks of the Folders among the children of the current parent, and of the
// Folders inside them, depth first. A loop, not recursion: Folders may nest arbitrarily deep.
void CollectFolderPoints(CXmlMarkup& markup, Collector& collector) {
    int depth = 0;
    while (!collector.Stopped()) {
        if (markup.FindElement(u"Folder")) {
            markup.EnterElement();
            CollectPlacemarks(markup, collector, true);
            // Back to the Folder and in again, so that its children are searched afresh.
            markup.LeaveElement();
            markup.EnterElement();
            ++depth;
            continue;
        }
        if (depth == 0) {
            return;
        }
        markup.LeaveElement();
        --depth;
    }
}

std::string WaypointPrefix(const std::string& title) {
    const std::string stem = title.substr(0, title.find('.'));
    // Six characters, not bytes: a UTF-8 sequence is never cut.
    std::size_t characters = 0;
    std::size_t end = 0;
    while (end < stem.size()) {
        if ((static_cast<unsigned char>(stem[end]) & 0xC0) != 0x80) {
            if (characters == kPrefixCharacters) {
                break;
            }
            ++characters;
        }
        ++end;
    }
    return stem.substr(0, end);
}

// Successive names from one tick would all be the same; the seed moves on until the name is
// free.
std::string UnusedRandomName(const CNavigationDataBase& store, std::uint32_t& tick) {
    std::string name;
    for (int draw = 0; draw < kRandomNameDraws; ++draw) {
        name = RandomName(kRandomNameLength, tick++);
        if (store.FindWaypoint(name) < 0) {
            break;
        }
    }
    return name;
}

} // namespace

KmlGeometry CollectKmlGeometry(CXmlMarkup& markup, const KmlLimits& limits) {
    Collector collector{{}, limits, std::nullopt};
    if (!markup.FindElement(u"kml") || !markup.EnterElement()) {
        return std::move(collector.geometry);
    }
    if (!markup.FindElement(u"Document")) {
        CollectFolderPoints(markup, collector);
        return std::move(collector.geometry);
    }
    markup.EnterElement();
    CollectPlacemarks(markup, collector, false);
    KeepOneCopyOfTheTrack(collector);
    if (collector.geometry.points.empty() && !collector.Stopped()) {
        markup.LeaveElement();
        markup.EnterElement();
        CollectFolderPoints(markup, collector);
    }
    return std::move(collector.geometry);
}

std::optional<KmlGeometry> ReadKmlGeometry(const std::filesystem::path& path, IPrompts& prompts,
                                           const KmlLimits& limits) {
    try {
        CXmlMarkup markup;
        const std::string error = LoadKmlDocument(path, markup);
        if (!error.empty()) {
            prompts.ShowError(error);
            return std::nullopt;
        }
        KmlGeometry geometry = CollectKmlGeometry(markup, limits);
        if (!geometry.stopped.empty()) {
            prompts.ShowError(geometry.stopped);
        }
        return geometry;
    } catch (const std::bad_alloc&) {
        prompts.ShowError(kOutOfMemory);
        return std::nullopt;
    }
}

std::string KmlFileTitle(const std::filesystem::path& path) {
    return path.filename().string();
}

KmlRouteImport StoreKmlRoute(const std::vector<KmlPosition>& points,
                             const std::filesystem::path& path, int guidanceKind,
                             CNavigationDataBase& store, std::uint32_t tick) {
    KmlRouteImport result;
    const std::string title = KmlFileTitle(path);
    const std::string prefix = WaypointPrefix(title);
    const std::string placeToStore = path.string();
    const double radius = RadiiForKind(guidanceKind).arrival;
    std::vector<std::string> names;
    const KmlPosition* previous = nullptr;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const KmlPosition& point = points[i];
        const double distance = previous == nullptr
                                    ? radius + 0.001
                                    : GetDistance(previous->latitude, previous->longitude,
                                                  point.latitude, point.longitude);
        if (distance <= radius) {
            continue;
        }
        const std::size_t number = i + 1;
        std::string name = number <= kLastNumberedPoint
                               ? Format("%s_%.4d", prefix.c_str(), static_cast<int>(number))
                               : UnusedRandomName(store, tick);
        const int index = store.StoreWaypoint(
            CWaypoint(std::move(name),
                      CLatLong::FromDecimalDegrees(point.latitude, point.longitude), placeToStore),
            false, placeToStore);
        if (index < 0) {
            break;
        }
        // The user may have had it stored under another name.
        names.push_back(store.Waypoint(index).Name());
        previous = &point;
        ++result.waypointsStored;
    }
    if (names.empty()) {
        return result;
    }
    CRoute route(title, std::move(names));
    route.SetPlaceToStore(placeToStore);
    route.SetComplete(true);
    result.routeIndex = store.StoreRoute(std::move(route), false, placeToStore);
    return result;
}

TrackPoint KmlLineFix(const KmlPosition& position, const KmlPosition* previous) {
    TrackPoint fix;
    fix.ApplyEpochRule(MakeCalendarTime(kLineTime));
    fix.SetPosition(CLatLong::FromDecimalDegrees(position.latitude, position.longitude));
    fix.SetSpeedOverGround(kLineSpeedKnots);
    fix.SetCourseOverGround(previous == nullptr
                                ? 0.0
                                : GetAzimuth(previous->latitude, previous->longitude,
                                             position.latitude, position.longitude));
    fix.SetSatellitesInUse(kLineSatellitesInUse);
    fix.SetAltitude(position.altitude.value_or(kLineAltitude));
    fix.SetGeoidalSeparation(kLineGeoidalSeparation);
    fix.SetRmcDataPresent(true);
    fix.SetGgaDataPresent(true);
    fix.UpdateCompleteness();
    return fix;
}

bool FillTrackFromKmlLines(const std::vector<KmlPosition>& lines, const std::filesystem::path& path,
                           CTrack& track) {
    track.Reset();
    bool complete = true;
    const KmlPosition* previous = nullptr;
    for (const KmlPosition& position : lines) {
        bool outOfMemory = false;
        track.AddPoint(KmlLineFix(position, previous), outOfMemory);
        if (outOfMemory) {
            complete = false;
            break;
        }
        previous = &position;
    }
    track.SetFileName(path.string());
    track.SetDisplayName(KmlFileTitle(path));
    return complete;
}
