#include "tracks/GpxImport.h"

#include "navigation/DefaultNames.h"
#include "navigation/Geodesy.h"
#include "navigation/ListCommands.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/TextFormat.h"
#include "platform/Prompts.h"
#include "tracks/GpxWriter.h"
#include "tracks/KmlFileText.h"
#include "tracks/TextConversion.h"

#include <charconv>
#include <cmath>
#include <new>

namespace {

constexpr const char* kOutOfMemory = "Out of memory";
constexpr double kKnotsPerMetreSecond = 3600.0 / 1852.0;
// Longer values are no number or time of a GPX file: they are left unread.
constexpr std::size_t kLongestValue = 64;
// Names longer than this cannot be kept whole by the store anyway.
constexpr std::size_t kLongestName = 256;
constexpr std::size_t kShownRenames = 10;
constexpr std::size_t kLongestShownName = 40;

bool IsWhitespace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// The text of the current element, or nothing when it is longer than `longest`. Read in
// pieces, so that a hostile text costs no copy of itself.
std::optional<std::u16string> BoundedText(const CXmlMarkup& markup, std::size_t longest) {
    std::u16string text;
    const bool whole = markup.VisitElementText([&](std::u16string_view piece) {
        if (text.size() + piece.size() > longest) {
            return false;
        }
        text.append(piece);
        return true;
    });
    return whole ? std::optional(std::move(text)) : std::nullopt;
}

std::u16string_view Trimmed(std::u16string_view text) {
    while (!text.empty() && IsWhitespace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsWhitespace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A decimal number in the "." notation whatever the locale, the whole text.
std::optional<double> ParseNumber(std::u16string_view text) {
    text = Trimmed(text);
    std::string ascii;
    for (const char16_t c : text) {
        if (c >= 0x80) {
            return std::nullopt;
        }
        ascii.push_back(static_cast<char>(c));
    }
    const char* first = ascii.data();
    const char* last = first + ascii.size();
    if (first != last && *first == '+') {
        ++first;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ElementNumber(const CXmlMarkup& markup) {
    const auto text = BoundedText(markup, kLongestValue);
    return text ? ParseNumber(*text) : std::nullopt;
}

std::string ElementName(const CXmlMarkup& markup) {
    const auto text = BoundedText(markup, kLongestName);
    return text ? Utf16ToUtf8(Trimmed(*text)) : std::string();
}

// A number in a value of the current element's start tag within [-limit, limit].
bool ReadCoordinate(const CXmlMarkup& markup, std::u16string_view name, double limit,
                    double& value) {
    const auto text = markup.GetTagValue(name, kLongestValue);
    if (!text) {
        return false;
    }
    const auto number = ParseNumber(*text);
    if (!number || std::fabs(*number) > limit) {
        return false;
    }
    value = *number;
    return true;
}

// The position in the lat and lon values of the current element's start tag.
bool ReadPosition(const CXmlMarkup& markup, double& latitude, double& longitude) {
    return ReadCoordinate(markup, u"lat", 90.0, latitude) &&
           ReadCoordinate(markup, u"lon", 180.0, longitude);
}

std::string LimitMessage(const char* what, std::size_t limit) {
    return Format("The file holds more than %zu %s: the import stopped there and keeps the "
                  "first %zu",
                  limit, what, limit);
}

struct Collector {
    GpxData data;
    GpxLimits limits;
    std::size_t routePoints = 0;

    bool Stopped() const { return !data.stopped.empty(); }
};

// Inside a wpt or rtept: its name.
void ReadPointName(CXmlMarkup& markup, GpxPoint& point) {
    markup.EnterElement();
    if (markup.FindElement(u"name")) {
        point.name = ElementName(markup);
    }
    markup.LeaveElement();
}

void CollectWaypoint(CXmlMarkup& markup, Collector& collector) {
    GpxPoint point;
    if (!ReadPosition(markup, point.latitude, point.longitude)) {
        ++collector.data.withoutPosition;
        return;
    }
    if (collector.data.waypoints.size() == collector.limits.waypoints) {
        collector.data.stopped = LimitMessage("waypoints", collector.limits.waypoints);
        return;
    }
    ReadPointName(markup, point);
    collector.data.waypoints.push_back(std::move(point));
}

void CollectRoute(CXmlMarkup& markup, Collector& collector) {
    GpxRoute route;
    markup.EnterElement();
    while (!collector.Stopped() && markup.FindElement()) {
        const std::u16string name = markup.GetElementName();
        if (name == u"name") {
            route.name = ElementName(markup);
            continue;
        }
        if (name != u"rtept") {
            continue;
        }
        GpxPoint point;
        if (!ReadPosition(markup, point.latitude, point.longitude)) {
            ++collector.data.withoutPosition;
        } else if (collector.routePoints == collector.limits.routePoints) {
            collector.data.stopped = LimitMessage("route points", collector.limits.routePoints);
        } else {
            ReadPointName(markup, point);
            route.points.push_back(std::move(point));
            ++collector.routePoints;
        }
    }
    markup.LeaveElement();
    collector.data.routes.push_back(std::move(route));
}

// Inside "extensions": the speed and course this program writes.
void ReadOwnExtensions(CXmlMarkup& markup, GpxTrackPoint& point) {
    static const std::u16string kSpeed = Utf8ToUtf16(std::string(kGpxVelmoraPrefix) + ":speed");
    static const std::u16string kCourse = Utf8ToUtf16(std::string(kGpxVelmoraPrefix) + ":course");
    markup.EnterElement();
    while (markup.FindElement()) {
        const std::u16string name = markup.GetElementName();
        if (name == kSpeed) {
            point.speedKnots = ElementNumber(markup);
        } else if (name == kCourse) {
            point.courseDegrees = ElementNumber(markup);
        }
    }
    markup.LeaveElement();
}

// Inside a trkpt: what GPX 1.0 and 1.1 say of the point.
void ReadTrackPointDetails(CXmlMarkup& markup, GpxTrackPoint& point) {
    markup.EnterElement();
    while (markup.FindElement()) {
        const std::u16string name = markup.GetElementName();
        if (name == u"ele") {
            point.altitude = ElementNumber(markup);
        } else if (name == u"time") {
            const auto text = BoundedText(markup, kLongestValue);
            point.time = text ? ParseGpxTime(*text) : std::nullopt;
        } else if (name == u"sat") {
            const auto count = ElementNumber(markup);
            if (count && *count >= 0 && *count <= 999 && *count == std::floor(*count)) {
                point.satellites = static_cast<int>(*count);
            }
        } else if (name == u"geoidheight") {
            point.geoidalSeparation = ElementNumber(markup);
        } else if (name == u"speed") { // GPX 1.0, metres per second
            if (const auto speed = ElementNumber(markup)) {
                point.speedKnots = *speed * kKnotsPerMetreSecond;
            }
        } else if (name == u"course") { // GPX 1.0
            point.courseDegrees = ElementNumber(markup);
        } else if (name == u"extensions") {
            ReadOwnExtensions(markup, point);
        }
    }
    markup.LeaveElement();
}

void CollectTrack(CXmlMarkup& markup, Collector& collector) {
    std::vector<GpxTrackPoint>& track = collector.data.track;
    markup.EnterElement();
    while (!collector.Stopped() && markup.FindElement(u"trkseg")) {
        markup.EnterElement();
        while (!collector.Stopped() && markup.FindElement(u"trkpt")) {
            GpxTrackPoint point;
            if (!ReadPosition(markup, point.latitude, point.longitude)) {
                ++collector.data.withoutPosition;
            } else if (track.size() == collector.limits.trackPoints) {
                collector.data.stopped = LimitMessage("track points", collector.limits.trackPoints);
            } else {
                ReadTrackPointDetails(markup, point);
                track.push_back(point);
            }
        }
        markup.LeaveElement();
    }
    markup.LeaveElement();
}

// Whether a document type declaration comes before the root element. GPX has none; one that
// declares entities could make a small file stand for an enormous text.
bool HasDocumentType(std::u16string_view text) {
    std::size_t pos = 0;
    for (;;) {
        pos = text.find(u'<', pos);
        if (pos == std::u16string_view::npos) {
            return false;
        }
        const std::u16string_view rest = text.substr(pos);
        if (rest.starts_with(u"<?")) {
            pos = text.find(u"?>", pos + 2);
        } else if (rest.starts_with(u"<!--")) {
            pos = text.find(u"-->", pos + 4);
        } else {
            return rest.starts_with(u"<!");
        }
        if (pos == std::u16string_view::npos) {
            return false;
        }
    }
}

// `count` digits at text[at].
bool Digits(std::u16string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return false;
        }
        value = value * 10 + (text[i] - u'0');
    }
    return true;
}

bool IsTerminator(std::u16string_view text, std::size_t at, char16_t c) {
    return at < text.size() && text[at] == c;
}

std::string MakeStorable(NavItemKind kind, const std::string& given, CNavigationDataBase& store,
                         INavigationSettings& settings, std::uint32_t tick,
                         GpxStoreResult& result) {
    const std::string name = StorableName(given);
    if (name.empty()) {
        return TakeDefaultName(
            kind, settings,
            [&store, kind](std::string_view candidate) {
                return kind == NavItemKind::Waypoint ? store.FindWaypoint(candidate) >= 0
                                                     : store.FindRoute(candidate) >= 0;
            },
            tick);
    }
    if (name != given) {
        result.renamed.emplace_back(given, name);
    }
    return name;
}

// The stored waypoint's name (the user may have had it stored under another), or nothing.
std::optional<std::string> StorePoint(const GpxPoint& point, const std::string& place,
                                      CNavigationDataBase& store, INavigationSettings& settings,
                                      std::uint32_t& tick, GpxStoreResult& result) {
    std::string name =
        MakeStorable(NavItemKind::Waypoint, point.name, store, settings, tick++, result);
    const int index = store.StoreWaypoint(
        CWaypoint(std::move(name), CLatLong::FromDecimalDegrees(point.latitude, point.longitude),
                  place),
        false, place);
    if (index < 0) {
        return std::nullopt;
    }
    return store.Waypoint(index).Name();
}

} // namespace

std::optional<CalendarTime> ParseGpxTime(std::u16string_view text) {
    text = Trimmed(text);
    CalendarFields f;
    if (!Digits(text, 0, 4, f.year) || !IsTerminator(text, 4, u'-') ||
        !Digits(text, 5, 2, f.month) || !IsTerminator(text, 7, u'-') ||
        !Digits(text, 8, 2, f.day) || !IsTerminator(text, 10, u'T') ||
        !Digits(text, 11, 2, f.hour) || !IsTerminator(text, 13, u':') ||
        !Digits(text, 14, 2, f.minute) || !IsTerminator(text, 16, u':') ||
        !Digits(text, 17, 2, f.second)) {
        return std::nullopt;
    }
    if (f.month < 1 || f.month > 12 || f.day < 1 || f.day > 31 || f.hour > 23 || f.minute > 59 ||
        f.second > 60) {
        return std::nullopt;
    }
    std::size_t pos = 19;
    if (IsTerminator(text, pos, u'.')) {
        ++pos;
        while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
            ++pos;
        }
    }
    // A leap second is the last second of its minute here.
    f.second = std::min(f.second, 59);
    const CalendarTime time = MakeCalendarTime(f);
    if (pos == text.size() || (IsTerminator(text, pos, u'Z') && pos + 1 == text.size())) {
        return time;
    }
    int hours = 0;
    int minutes = 0;
    const bool east = IsTerminator(text, pos, u'+');
    if (!east && !IsTerminator(text, pos, u'-')) {
        return std::nullopt;
    }
    const std::size_t minutesAt = IsTerminator(text, pos + 3, u':') ? pos + 4 : pos + 3;
    if (!Digits(text, pos + 1, 2, hours) || !Digits(text, minutesAt, 2, minutes) ||
        minutesAt + 2 != text.size() || hours > 23 || minutes > 59) {
        return std::nullopt;
    }
    const CalendarTime offset = (hours * 60 + minutes) * 60;
    return east ? time - offset : time + offset;
}

std::string StorableName(std::string_view name) {
    std::string storable;
    for (const char c : name) {
        const auto code = static_cast<unsigned char>(c);
        storable += code < 0x20 || code == 0x7F || c == ',' || c == '*' || c == '$' ? '_' : c;
    }
    if (storable.size() > kLongestTypedName) {
        std::size_t end = kLongestTypedName;
        // Back to the start of the UTF-8 sequence that would be cut.
        while (end > 0 && (static_cast<unsigned char>(storable[end]) & 0xC0) == 0x80) {
            --end;
        }
        storable.resize(end);
    }
    return storable;
}

GpxData CollectGpxData(CXmlMarkup& markup, const GpxLimits& limits) {
    Collector collector{{}, limits, 0};
    const bool atRoot = markup.GetElementName() == u"gpx";
    if ((!atRoot && !markup.FindElement(u"gpx")) || !markup.EnterElement()) {
        return std::move(collector.data);
    }
    while (!collector.Stopped() && markup.FindElement()) {
        const std::u16string name = markup.GetElementName();
        if (name == u"wpt") {
            CollectWaypoint(markup, collector);
        } else if (name == u"rte") {
            CollectRoute(markup, collector);
        } else if (name == u"trk") {
            CollectTrack(markup, collector);
        }
    }
    return std::move(collector.data);
}

std::string ParseGpxDocument(std::u16string text, CXmlMarkup& markup) {
    if (HasDocumentType(text)) {
        return kGpxWithDocumentType;
    }
    markup.LimitDepth(kMaxGpxDepth);
    if (!markup.SetDocument(std::move(text))) {
        const std::u16string& error = markup.GetLastParseError();
        return error == CXmlMarkup::kTooManyElements ? kGpxTooManyElements
               : error == CXmlMarkup::kTooDeep       ? kGpxTooDeep
                                                     : kXmlParseFailed;
    }
    return markup.FindElement(u"gpx") ? std::string() : kGpxNotGpx;
}

std::optional<GpxData> ReadGpxFile(const std::filesystem::path& path, IPrompts& prompts,
                                   const GpxLimits& limits) {
    try {
        CXmlMarkup markup;
        KmlText text = ReadKmlFileText(path, kMaxGpxDocumentBytes);
        std::string error = text.error == kKmlTooLarge ? kGpxTooLarge : text.error;
        if (error.empty()) {
            error = ParseGpxDocument(std::move(text.text), markup);
        }
        if (!error.empty()) {
            prompts.ShowError(error);
            return std::nullopt;
        }
        GpxData data = CollectGpxData(markup, limits);
        if (data.withoutPosition > 0) {
            prompts.ShowError(Format("%zu points without a valid lat and lon were left out",
                                     data.withoutPosition));
        }
        if (!data.stopped.empty()) {
            prompts.ShowError(data.stopped);
        }
        return data;
    } catch (const std::bad_alloc&) {
        prompts.ShowError(kOutOfMemory);
        return std::nullopt;
    }
}

GpxStoreResult StoreGpxItems(const GpxData& data, const std::filesystem::path& path,
                             CNavigationDataBase& store, INavigationSettings& settings,
                             std::uint32_t tick) {
    GpxStoreResult result;
    const std::string place = path.string();
    for (const GpxPoint& point : data.waypoints) {
        if (StorePoint(point, place, store, settings, tick, result)) {
            ++result.waypoints;
        }
    }
    for (const GpxRoute& gpxRoute : data.routes) {
        std::vector<std::string> names;
        for (const GpxPoint& point : gpxRoute.points) {
            auto name = StorePoint(point, place, store, settings, tick, result);
            if (!name) {
                break;
            }
            names.push_back(std::move(*name));
        }
        if (names.empty()) {
            continue;
        }
        const int count = static_cast<int>(names.size());
        CRoute route(
            MakeStorable(NavItemKind::Route, gpxRoute.name, store, settings, tick++, result),
            std::move(names));
        route.SetPlaceToStore(place);
        route.SetComplete(true);
        if (store.StoreRoute(std::move(route), false, place) >= 0) {
            ++result.routes;
            result.routeWaypoints += count;
        }
    }
    return result;
}

std::string RenamedNamesMessage(const GpxStoreResult& result) {
    if (result.renamed.empty()) {
        return {};
    }
    std::string message = "Names the store cannot keep were changed:";
    for (std::size_t i = 0; i < result.renamed.size() && i < kShownRenames; ++i) {
        const auto& [from, to] = result.renamed[i];
        std::string shown;
        for (const char c : from.substr(0, kLongestShownName)) {
            shown += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
        message += (i == 0 ? " '" : ", '") + Utf16ToUtf8(Utf8ToUtf16(shown)) +
                   (from.size() > kLongestShownName ? "...'" : "'") + " to '" + to + "'";
    }
    if (result.renamed.size() > kShownRenames) {
        message += Format(" and %zu more", result.renamed.size() - kShownRenames);
    }
    return message;
}

TrackPoint GpxTrackFix(const GpxTrackPoint& point, const GpxTrackPoint* previous) {
    TrackPoint fix;
    fix.ApplyEpochRule(point.time.value_or(kNoDateTime));
    fix.SetPosition(CLatLong::FromDecimalDegrees(point.latitude, point.longitude));
    double speed = 0.0;
    double course = 0.0;
    if (previous != nullptr) {
        course =
            GetAzimuth(previous->latitude, previous->longitude, point.latitude, point.longitude);
        if (point.time && previous->time && *point.time > *previous->time) {
            speed = GetDistance(previous->latitude, previous->longitude, point.latitude,
                                point.longitude) *
                    3600.0 / static_cast<double>(*point.time - *previous->time);
        }
    }
    fix.SetSpeedOverGround(point.speedKnots.value_or(speed));
    fix.SetCourseOverGround(point.courseDegrees.value_or(course));
    if (point.satellites) {
        fix.SetSatellitesInUse(*point.satellites);
    }
    if (point.altitude) {
        fix.SetAltitude(*point.altitude);
    }
    if (point.geoidalSeparation) {
        fix.SetGeoidalSeparation(*point.geoidalSeparation);
    }
    fix.SetRmcDataPresent(true);
    fix.SetGgaDataPresent(true);
    fix.UpdateCompleteness();
    return fix;
}

bool FillTrackFromGpx(const std::vector<GpxTrackPoint>& points, const std::filesystem::path& path,
                      CTrack& track) {
    track.Reset();
    track.SetFileName(path.string());
    track.SetDisplayName(path.filename().string());
    const GpxTrackPoint* previous = nullptr;
    for (const GpxTrackPoint& point : points) {
        bool outOfMemory = false;
        track.AddPoint(GpxTrackFix(point, previous), outOfMemory);
        if (outOfMemory) {
            return false;
        }
        previous = &point;
    }
    return true;
}
