#pragma once

#include "navigation/NavigationSettings.h"
#include "nmea/Coordinates.h"

#include <optional>
#include <span>
#include <string>

class CNavigationDataBase;
class IPrompts;

// What the commands of the waypoint, route and route-waypoints lists do to the store, with the
// questions they ask. The dialogs call these and then rebuild their rows.

inline constexpr const char* kNoWaypoints = "There are not Waypoints";
inline constexpr const char* kNoRoutes = "There are not Routes";

// The longest name a user may give a waypoint or route, in characters.
inline constexpr std::size_t kLongestTypedName = 20;
// And in bytes of its UTF-8 text: a route name and a waypoint name of this length still share
// one RTE sentence of 82 characters, even in a route of a million sentences, so that no item
// is left out of the store file.
inline constexpr std::size_t kLongestTypedNameBytes = 26;

// A typed name (UTF-8) that can travel in the sentences of the store file: 1 to 20 characters
// that fit in 26 bytes, none of them a field separator ("," "*" "$") or a control character.
// Otherwise the user is told and the result is false.
bool CheckTypedName(IPrompts& prompts, const std::string& name);

// A position typed in a waypoint dialog, each coordinate as the number parts of its field
// (degrees, then minutes and seconds as far as its style has them): a latitude past 90 degrees
// or a longitude past 180 degrees is refused rather than cut back to the pole or the
// antimeridian. Then the user is told and the result is false.
bool CheckTypedPosition(IPrompts& prompts, std::span<const double> latitudeParts,
                        std::span<const double> longitudeParts);

// Waypoint list, nearest list: "&Delete" asks, then deletes the waypoint and removes its name
// from every route. True when deleted.
bool DeleteWaypointAsked(CNavigationDataBase& store, IPrompts& prompts, int index);

// Route list: "&Delete" asks, then whether the route's waypoints go too (then they are deleted
// and removed from every route), then deletes the route. The row to select afterwards (the
// neighbour; -1 when the list is empty); nothing when the user said No.
std::optional<int> DeleteRouteAsked(CNavigationDataBase& store, IPrompts& prompts, int index);

// Route waypoints: "&Delete" asks, removes the row, then asks whether the waypoint goes from the
// whole system. True when the row was removed.
bool DeleteRouteRowAsked(CNavigationDataBase& store, IPrompts& prompts, int routeIndex, int row);

// Route waypoints: "&Up" / "Do&wn" exchange the row with its neighbour; the row selected
// afterwards (unchanged on the first row going up and the last row going down).
enum class RowMove { Up, Down };
int MoveRouteRow(CNavigationDataBase& store, int routeIndex, int row, RowMove move);

// Route waypoints: "&Add..." appends the chosen waypoints in the order chosen and remembers the
// route as last used. The last row (selected afterwards), -1 when nothing was added.
int AddWaypointsToRoute(CNavigationDataBase& store, int routeIndex,
                        std::span<const int> waypointIndices);

// "&Edit...": a name another waypoint has asks whether to replace that one. True when saved.
bool EditWaypointAsked(CNavigationDataBase& store, IPrompts& prompts, int index,
                       const std::string& name, const CLatLong& position);
// "&Rename...": a name another route has asks whether to replace that one.
bool RenameRouteAsked(CNavigationDataBase& store, IPrompts& prompts, int index,
                      const std::string& name);

// The name the New dialogs propose: "WPL_%04d" / "RTE_%04d" from "StartNumber".
std::string NewItemName(INavigationSettings& settings, NavItemKind kind);
// Confirming "New Waypoint" / "New Route": stored (not silently) as "self-created"; when stored
// it becomes the last used item and "StartNumber" moves on. The index, -1 when not stored.
int CreateWaypoint(CNavigationDataBase& store, INavigationSettings& settings, IPrompts& prompts,
                   const std::string& name, const CLatLong& position);
int CreateRoute(CNavigationDataBase& store, INavigationSettings& settings, IPrompts& prompts,
                const std::string& name);
