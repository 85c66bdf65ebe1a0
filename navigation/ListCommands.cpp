#include "navigation/ListCommands.h"

#include "navigation/DefaultNames.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/TextFormat.h"
#include "platform/Prompts.h"

#include <algorithm>

namespace {

bool Ask(IPrompts& prompts, const std::string& text) {
    return prompts.AskYesNo(text, PromptIcon::Question, true);
}

bool AskReplace(IPrompts& prompts, const char* question, const std::string& name) {
    return prompts.AskYesNo(FillMessage(question, name), PromptIcon::Exclamation, true);
}

// Degrees, minutes and seconds together, in degrees.
double DegreesOfParts(std::span<const double> parts) {
    double degrees = 0.0;
    double scale = 1.0;
    for (const double part : parts) {
        degrees += part / scale;
        scale *= 60.0;
    }
    return degrees;
}

} // namespace

bool CheckTypedName(IPrompts& prompts, const std::string& name) {
    // Every byte of UTF-8 text but the continuation bytes begins a character.
    const auto characters =
        static_cast<std::size_t>(std::count_if(name.begin(), name.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    const bool usable = characters >= 1 && characters <= kLongestTypedName &&
                        std::none_of(name.begin(), name.end(), [](char c) {
                            const auto code = static_cast<unsigned char>(c);
                            return code < 0x20 || code == 0x7F || c == ',' || c == '*' || c == '$';
                        });
    if (!usable) {
        prompts.ShowError(FillMessage("The name '%1' cannot be used. A name has 1 to 20 "
                                      "characters and no ',', '*' or '$'.",
                                      name));
        return false;
    }
    if (name.size() > kLongestTypedNameBytes) {
        prompts.ShowError(FillMessage("The name '%1' cannot be used: its letters take more room "
                                      "than the store file has for a name. Please! Use a shorter "
                                      "name.",
                                      name));
        return false;
    }
    return true;
}

bool CheckTypedPosition(IPrompts& prompts, std::span<const double> latitudeParts,
                        std::span<const double> longitudeParts) {
    // Written so that a part that is not a number is refused too.
    if (!(DegreesOfParts(latitudeParts) <= 90.0)) {
        prompts.ShowError("The latitude cannot be more than 90" + std::string(kDegreeSign) +
                          ". Please! Correct the position.");
        return false;
    }
    if (!(DegreesOfParts(longitudeParts) <= 180.0)) {
        prompts.ShowError("The longitude cannot be more than 180" + std::string(kDegreeSign) +
                          ". Please! Correct the position.");
        return false;
    }
    return true;
}

bool DeleteWaypointAsked(CNavigationDataBase& store, IPrompts& prompts, int index) {
    const std::string name = store.Waypoint(index).Name();
    if (name.empty() ||
        !Ask(prompts,
             FillMessage("Are you sure you want to delete the '%1' waypoint from system?", name))) {
        return false;
    }
    return store.DeleteWaypointFromSystem(name);
}

std::optional<int> DeleteRouteAsked(CNavigationDataBase& store, IPrompts& prompts, int index) {
    const CRoute route = store.Route(index);
    if (route.Name().empty() ||
        !Ask(prompts, FillMessage("Are you sure you want to delete the '%1' route from system?",
                                  route.Name()))) {
        return std::nullopt;
    }
    if (Ask(prompts, FillMessage("Are the waypoints of the '%1' route final to be deleted from "
                                 "system?",
                                 route.Name()))) {
        for (const std::string& name : route.WaypointNames()) {
            store.DeleteWaypointFromSystem(name);
        }
    }
    const int current = store.FindRoute(route.Name());
    store.DeleteItem(NavItemKind::Route, current);
    const int remaining = store.Count(NavItemKind::Route);
    const int select = std::min(current, remaining - 1);
    store.Select(NavItemKind::Route, select);
    return select;
}

bool DeleteRouteRowAsked(CNavigationDataBase& store, IPrompts& prompts, int routeIndex, int row) {
    const CRoute route = store.Route(routeIndex);
    if (row < 0 || row >= route.WaypointCount()) {
        return false;
    }
    const std::string name = route.WaypointNames()[static_cast<std::size_t>(row)];
    if (!Ask(prompts, FillMessage("Are you sure you want to delete the '%1' waypoint from the "
                                  "'%2' route?",
                                  name, route.Name())) ||
        !store.RemoveRouteRow(routeIndex, row)) {
        return false;
    }
    if (Ask(prompts, FillMessage("Are you sure you want final to delete the '%1' waypoint from "
                                 "system?",
                                 name))) {
        store.DeleteWaypointFromSystem(name);
    }
    return true;
}

int MoveRouteRow(CNavigationDataBase& store, int routeIndex, int row, RowMove move) {
    const int other = move == RowMove::Up ? row - 1 : row + 1;
    return store.SwapRouteRows(routeIndex, row, other) ? other : row;
}

int AddWaypointsToRoute(CNavigationDataBase& store, int routeIndex,
                        std::span<const int> waypointIndices) {
    const std::string routeName = store.Route(routeIndex).Name();
    if (routeName.empty()) {
        return -1;
    }
    bool added = false;
    for (const int index : waypointIndices) {
        const std::string name = store.Waypoint(index).Name();
        if (!name.empty()) {
            added |= store.AddWaypointToRoute(routeName, name).has_value();
        }
    }
    if (!added) {
        return -1;
    }
    const int route = store.FindRoute(routeName);
    store.SetLastUsed(NavItemKind::Route, route, true);
    return store.Route(route).WaypointCount() - 1;
}

bool EditWaypointAsked(CNavigationDataBase& store, IPrompts& prompts, int index,
                       const std::string& name, const CLatLong& position) {
    const CWaypoint waypoint = store.Waypoint(index);
    if (waypoint.Name().empty() || !CheckTypedName(prompts, name)) {
        return false;
    }
    const int other = store.FindWaypoint(name);
    if (other >= 0 && other != index &&
        !AskReplace(prompts, "A waypoint whit the same name '%1' exists already!\n\nReplace?",
                    name)) {
        return false;
    }
    // The list may have changed while the user was asked.
    const int current = store.FindWaypoint(waypoint.Name());
    return current >= 0 && store.EditWaypoint(current, name, position);
}

bool RenameRouteAsked(CNavigationDataBase& store, IPrompts& prompts, int index,
                      const std::string& name) {
    const CRoute route = store.Route(index);
    if (route.Name().empty() || !CheckTypedName(prompts, name)) {
        return false;
    }
    const int other = store.FindRoute(name);
    if (other >= 0 && other != index &&
        !AskReplace(prompts, "A route whit the same name '%1' exists already!\n\nReplace?", name)) {
        return false;
    }
    const int current = store.FindRoute(route.Name());
    return current >= 0 && store.RenameRoute(current, name);
}

std::string NewItemName(INavigationSettings& settings, NavItemKind kind) {
    return DefaultItemName(kind, settings.StartNumber(kind));
}

int CreateWaypoint(CNavigationDataBase& store, INavigationSettings& settings, IPrompts& prompts,
                   const std::string& name, const CLatLong& position) {
    if (!CheckTypedName(prompts, name) || !position.IsValid()) {
        return -1;
    }
    const int index = store.StoreWaypoint(CWaypoint(name, position), false, kSelfCreated);
    if (index >= 0) {
        store.SetLastUsed(NavItemKind::Waypoint, index, true);
        settings.SetStartNumber(NavItemKind::Waypoint,
                                NextStartNumber(settings.StartNumber(NavItemKind::Waypoint)));
    }
    return index;
}

int CreateRoute(CNavigationDataBase& store, INavigationSettings& settings, IPrompts& prompts,
                const std::string& name) {
    if (!CheckTypedName(prompts, name)) {
        return -1;
    }
    const int index = store.StoreRoute(CRoute(name, {}), false, kSelfCreated);
    if (index >= 0) {
        store.SetLastUsed(NavItemKind::Route, index, true);
        settings.SetStartNumber(NavItemKind::Route,
                                NextStartNumber(settings.StartNumber(NavItemKind::Route)));
    }
    return index;
}
