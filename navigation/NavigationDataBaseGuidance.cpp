// The navigation store's target: Go To and Go Along, what route guidance reads, and the edits of
// routes and waypoints that the lists make.
#include "navigation/NavigationDataBase.h"

#include "navigation/Geodesy.h"

#include <algorithm>

namespace {

using Guard = std::unique_lock<NavigationLock>;

double DistanceBetween(const CLatLong& a, const CLatLong& b) {
    return GetDistance(a.Latitude().DecimalDegrees(), a.Longitude().DecimalDegrees(),
                       b.Latitude().DecimalDegrees(), b.Longitude().DecimalDegrees());
}

} // namespace

NavigationMode CNavigationDataBase::Mode() const {
    Guard guard(*m_lock);
    return m_mode;
}

int CNavigationDataBase::TargetIndex() const {
    Guard guard(*m_lock);
    switch (m_mode) {
    case NavigationMode::GoTo:
        return m_waypoints.Mark(ListMark::Target);
    case NavigationMode::GoAlong:
        return m_routes.Mark(ListMark::Target);
    case NavigationMode::None:
        break;
    }
    return -1;
}

CRoute* CNavigationDataBase::FollowedRoute() {
    const int index = m_mode == NavigationMode::GoAlong ? m_routes.Mark(ListMark::Target) : -1;
    return index >= 0 ? &m_routes.At(index) : nullptr;
}

const CRoute* CNavigationDataBase::FollowedRoute() const {
    const int index = m_mode == NavigationMode::GoAlong ? m_routes.Mark(ListMark::Target) : -1;
    return index >= 0 ? &m_routes.At(index) : nullptr;
}

void CNavigationDataBase::StartGoTo(int index) {
    if (CRoute* followed = FollowedRoute()) {
        followed->SetActiveIndex(-1);
    }
    m_mode = NavigationMode::GoTo;
    m_waypoints.SetMark(ListMark::Target, index);
    m_routes.SetMark(ListMark::Target, -1);
    Notify();
}

void CNavigationDataBase::StartGoAlong(int index) {
    m_mode = NavigationMode::GoAlong;
    m_routes.SetMark(ListMark::Target, index);
    m_waypoints.SetMark(ListMark::Target, -1);
    m_routes.At(index).SetActiveIndex(0);
    Notify();
}

void CNavigationDataBase::SetNavigationTarget(int kind, int index) {
    Guard guard(*m_lock);
    if (kind == static_cast<int>(NavItemKind::Waypoint) && m_waypoints.IsValidIndex(index)) {
        StartGoTo(index);
    } else if (kind == static_cast<int>(NavItemKind::Route) && m_routes.IsValidIndex(index)) {
        StartGoAlong(index);
    } else {
        CancelNavigation();
    }
}

std::optional<CLatLong> CNavigationDataBase::NavigationTargetPosition() const {
    Guard guard(*m_lock);
    if (m_mode == NavigationMode::GoTo) {
        const int target = m_waypoints.Mark(ListMark::Target);
        if (target >= 0) {
            return m_waypoints.At(target).Position();
        }
    } else if (const CRoute* route = FollowedRoute()) {
        if (const auto position = RouteRow(*route, route->ActiveIndex()).position) {
            return position;
        }
    }
    return std::nullopt;
}

NamedPoint CNavigationDataBase::RouteRow(const CRoute& route, int row) const {
    NamedPoint point;
    if (row < 0 || row >= route.WaypointCount()) {
        return point;
    }
    point.name = route.WaypointNames()[static_cast<std::size_t>(row)];
    if (const CLatLong* position = PositionOf(point.name)) {
        point.position = *position;
    }
    return point;
}

double CNavigationDataBase::RemainingRoute(const CRoute& route) const {
    double total = 0.0;
    const CLatLong* previous = nullptr;
    for (int row = std::max(route.ActiveIndex(), 0); row < route.WaypointCount(); ++row) {
        const CLatLong* position = PositionOf(route.WaypointNames()[static_cast<std::size_t>(row)]);
        if (position == nullptr) {
            continue;
        }
        if (previous != nullptr) {
            total += DistanceBetween(*previous, *position);
        }
        previous = position;
    }
    return route.ActiveIndex() < 0 ? 0.0 : total;
}

GuidanceTarget CNavigationDataBase::CurrentGuidanceTarget() const {
    Guard guard(*m_lock);
    GuidanceTarget target;
    target.mode = m_mode;
    if (m_mode == NavigationMode::GoTo) {
        const int index = m_waypoints.Mark(ListMark::Target);
        if (index >= 0) {
            const CWaypoint& waypoint = m_waypoints.At(index);
            target.destination = NamedPoint{waypoint.Name(), waypoint.Position()};
        }
    } else if (const CRoute* route = FollowedRoute()) {
        target.routeName = route->Name();
        target.routeIndex = m_routes.Mark(ListMark::Target);
        target.activeIndex = route->ActiveIndex();
        target.from = RouteRow(*route, target.activeIndex - 1);
        target.destination = RouteRow(*route, target.activeIndex);
        target.next = RouteRow(*route, target.activeIndex + 1);
        target.remainingRoute = RemainingRoute(*route);
    }
    return target;
}

bool CNavigationDataBase::AdvanceActiveWaypoint(int routeIndex, int fromRow) {
    Guard guard(*m_lock);
    CRoute* route = FollowedRoute();
    if (route == nullptr || m_routes.Mark(ListMark::Target) != routeIndex ||
        route->ActiveIndex() != fromRow || !route->SetActiveIndex(fromRow + 1)) {
        return false;
    }
    Notify();
    return true;
}

// --- Commands --------------------------------------------------------------------------

GuidanceCommandResult CNavigationDataBase::GoToWaypoint(int index) {
    Guard guard(*m_lock);
    GuidanceCommandResult result;
    if (!m_waypoints.IsValidIndex(index)) {
        return result;
    }
    SetLastUsed(NavItemKind::Waypoint, index, true);
    result.stopListPlayback = m_mode == NavigationMode::GoAlong;
    if (m_mode == NavigationMode::GoTo && m_waypoints.Mark(ListMark::Target) == index) {
        CancelNavigation();
        result.stopListPlayback = true;
        return result;
    }
    StartGoTo(index);
    result.showGuidanceView = true;
    return result;
}

GuidanceCommandResult CNavigationDataBase::GoAlongRoute(int index) {
    Guard guard(*m_lock);
    GuidanceCommandResult result;
    if (!m_routes.IsValidIndex(index)) {
        return result;
    }
    SetLastUsed(NavItemKind::Route, index, true);
    if (m_mode == NavigationMode::GoAlong && m_routes.Mark(ListMark::Target) == index) {
        CancelNavigation();
        result.stopListPlayback = true;
        return result;
    }
    StartGoAlong(index);
    result.showGuidanceView = true;
    return result;
}

GuidanceCommandResult CNavigationDataBase::GoToRouteRow(int routeIndex, int row) {
    Guard guard(*m_lock);
    if (!m_routes.IsValidIndex(routeIndex) || row < 0 ||
        row >= m_routes.At(routeIndex).WaypointCount()) {
        return {};
    }
    const bool followed =
        m_mode == NavigationMode::GoAlong && m_routes.Mark(ListMark::Target) == routeIndex;
    if (followed && m_routes.At(routeIndex).ActiveIndex() == row) {
        return GoAlongRoute(routeIndex); // the active row again: guidance ends
    }
    GuidanceCommandResult result;
    if (!followed) {
        result = GoAlongRoute(routeIndex);
    }
    m_routes.At(routeIndex).SetActiveIndex(row);
    Notify();
    return result;
}

bool CNavigationDataBase::RecalculateRoute(const CLatLong& position) {
    Guard guard(*m_lock);
    CRoute* route = FollowedRoute();
    if (route == nullptr || !position.IsValid()) {
        return false;
    }
    int nearest = -1;
    double best = 0.0;
    for (int row = 0; row < route->WaypointCount(); ++row) {
        const CLatLong* waypoint =
            PositionOf(route->WaypointNames()[static_cast<std::size_t>(row)]);
        if (waypoint == nullptr) {
            continue;
        }
        const double distance = DistanceBetween(position, *waypoint);
        if (nearest < 0 || distance < best) {
            nearest = row;
            best = distance;
        }
    }
    if (nearest < 0 || !route->SetActiveIndex(nearest + 1)) {
        return false;
    }
    Notify();
    return true;
}

bool CNavigationDataBase::InvertRoute(int index) {
    Guard guard(*m_lock);
    if (!m_routes.IsValidIndex(index)) {
        return false;
    }
    CRoute& route = m_routes.At(index);
    route.Invert();
    Changed();
    SetLastUsed(NavItemKind::Route, index, true);
    if (&route == FollowedRoute()) {
        Notify();
    }
    return true;
}

int CNavigationDataBase::ManOverboard(const CLatLong& position, const std::string& placeToStore) {
    if (placeToStore.empty() || !position.IsValid()) {
        return -1;
    }
    // Stored under its own name, or under a default name when the user chose so.
    const int index = StoreWaypoint(CWaypoint(kManOverboardName, position), false, placeToStore);
    Guard guard(*m_lock);
    if (!m_waypoints.IsValidIndex(index) || m_waypoints.At(index).Position() != position) {
        return -1;
    }
    SetLastUsed(NavItemKind::Waypoint, index, true);
    StartGoTo(index);
    return index;
}

// --- Editing ---------------------------------------------------------------------------

std::optional<int> CNavigationDataBase::AddWaypointToRoute(std::string_view routeName,
                                                           const std::string& waypointName) {
    Guard guard(*m_lock);
    const int index = m_routes.Find(routeName);
    if (index < 0) {
        return std::nullopt;
    }
    CRoute& route = m_routes.At(index);
    route.AppendWaypoint(waypointName);
    Changed();
    if (&route == FollowedRoute() && route.WaypointCount() == 1) {
        route.SetActiveIndex(0);
        Notify();
    }
    return index;
}

bool CNavigationDataBase::SwapRouteRows(int routeIndex, int rowA, int rowB) {
    Guard guard(*m_lock);
    if (!m_routes.IsValidIndex(routeIndex)) {
        return false;
    }
    CRoute& route = m_routes.At(routeIndex);
    const int count = route.WaypointCount();
    if (rowA < 0 || rowB < 0 || rowA >= count || rowB >= count) {
        return false;
    }
    route.SwapRows(rowA, rowB);
    Changed();
    return true;
}

bool CNavigationDataBase::RemoveRouteRow(int routeIndex, int row) {
    Guard guard(*m_lock);
    if (!m_routes.IsValidIndex(routeIndex)) {
        return false;
    }
    CRoute& route = m_routes.At(routeIndex);
    if (row < 0 || row >= route.WaypointCount()) {
        return false;
    }
    route.RemoveRow(row);
    Changed();
    if (&route == FollowedRoute()) {
        Notify();
    }
    return true;
}

bool CNavigationDataBase::EditWaypoint(int index, const std::string& name,
                                       const CLatLong& position) {
    Guard guard(*m_lock);
    if (!m_waypoints.IsValidIndex(index) || name.empty()) {
        return false;
    }
    const std::string oldName = m_waypoints.At(index).Name();
    if (name != oldName) {
        const int other = m_waypoints.Find(name);
        if (other >= 0) {
            m_waypoints.RemoveAt(other);
            CancelNavigationIfTargetGone();
            index = m_waypoints.Find(oldName);
        }
    }
    CWaypoint edited = m_waypoints.At(index);
    const bool renamed = edited.SetName(name);
    const bool moved = edited.SetPosition(position);
    if (!renamed && !moved) {
        return true;
    }
    m_waypoints.ReplaceAt(index, std::move(edited));
    Changed();
    if (renamed) {
        // Routes hold names: they keep naming this waypoint.
        m_routes.ForEach([&](CRoute& route) { route.RenameWaypoint(oldName, name); });
    }
    if (m_mode != NavigationMode::None) {
        Notify();
    }
    return true;
}

bool CNavigationDataBase::RenameRoute(int index, const std::string& name) {
    Guard guard(*m_lock);
    if (!m_routes.IsValidIndex(index) || name.empty()) {
        return false;
    }
    const std::string oldName = m_routes.At(index).Name();
    if (name == oldName) {
        return true;
    }
    if (const int other = m_routes.Find(name); other >= 0) {
        m_routes.RemoveAt(other);
        CancelNavigationIfTargetGone();
        index = m_routes.Find(oldName);
    }
    CRoute renamed = m_routes.At(index);
    renamed.SetName(name);
    m_routes.ReplaceAt(index, std::move(renamed));
    Changed();
    return true;
}
