// Imports arbitrary bytes as a KML document: its point placemarks into a route of a fresh
// store, its lines into a track. Nothing may crash, and the import may never store more than
// the document holds.
#include "navigation/NavigationDataBase.h"
#include "platform/ScriptedPrompts.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/NoNavigationSettings.h"
#include "tracks/KmlFileText.h"
#include "tracks/KmlImport.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const KmlText decoded =
        DecodeKmlBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    CXmlMarkup markup;
    if (!decoded.error.empty() || !markup.SetDocument(decoded.text)) {
        return 0;
    }
    const KmlGeometry geometry = CollectKmlGeometry(markup);

    ScriptedPrompts prompts; // conflicts take the default answer
    NoNavigationSettings settings;
    CNavigationDataBase store(prompts, settings);
    store.SetTickSource([] { return 7u; });
    const KmlRouteImport route =
        StoreKmlRoute(geometry.points, "/fuzz/imported.route.kml", 0, store, 7u);
    Require(route.waypointsStored >= 0 &&
            static_cast<std::size_t>(route.waypointsStored) <= geometry.points.size());
    if (route.routeIndex >= 0) {
        Require(store.Route(route.routeIndex).WaypointCount() == route.waypointsStored);
    }

    const auto track = std::make_unique<CTrack>();
    Require(FillTrackFromKmlLines(geometry.lines, "/fuzz/imported.kml", *track));
    Require(static_cast<std::size_t>(track->PointCount()) <= geometry.lines.size());
    return 0;
}
