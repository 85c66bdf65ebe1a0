// Imports arbitrary bytes as a GPX document: its waypoints and routes into a fresh store, its
// track points into a track. Nothing may crash, and the import may never store more than the
// document holds.
#include "navigation/NavigationDataBase.h"
#include "platform/ScriptedPrompts.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/NoNavigationSettings.h"
#include "tracks/GpxImport.h"
#include "tracks/KmlFileText.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    KmlText decoded = DecodeKmlBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    CXmlMarkup markup;
    if (!decoded.error.empty() || !ParseGpxDocument(std::move(decoded.text), markup).empty()) {
        return 0;
    }
    // Small limits, so that the fuzzer reaches them.
    const GpxData gpx = CollectGpxData(markup, {20, 20, 200});
    Require(gpx.waypoints.size() <= 20 && gpx.track.size() <= 200);

    ScriptedPrompts prompts; // conflicts take the default answer
    NoNavigationSettings settings;
    CNavigationDataBase store(prompts, settings);
    store.SetTickSource([] { return 7u; });
    const GpxStoreResult stored = StoreGpxItems(gpx, "/fuzz/imported.gpx", store, settings, 7u);
    std::size_t routePoints = 0;
    for (const GpxRoute& route : gpx.routes) {
        routePoints += route.points.size();
    }
    Require(stored.waypoints >= 0 &&
            static_cast<std::size_t>(stored.waypoints) <= gpx.waypoints.size());
    Require(stored.routes >= 0 && static_cast<std::size_t>(stored.routes) <= gpx.routes.size());
    Require(static_cast<std::size_t>(stored.routeWaypoints) <= routePoints);
    store.ForEachWaypoint([](const CWaypoint& waypoint) {
        Require(StorableName(waypoint.Name()) == waypoint.Name());
    });
    RenamedNamesMessage(stored);

    const auto track = std::make_unique<CTrack>();
    Require(FillTrackFromGpx(gpx.track, "/fuzz/imported.gpx", *track));
    Require(static_cast<std::size_t>(track->PointCount()) <= gpx.track.size());
    return 0;
}
