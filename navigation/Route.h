#pragma once

#include "nmea/SentenceType.h"

#include <string>
#include <utility>
#include <vector>

// A named, ordered list of waypoint names. A route holds names, not copies: positions are
// looked up in the store when they are used, and a name that no longer resolves contributes
// nothing. The same name may occur more than once.
class CRoute {
public:
    CRoute() = default;
    CRoute(std::string name, std::vector<std::string> waypointNames,
           RouteKind kind = RouteKind::Complete)
        : m_name(std::move(name)), m_waypointNames(std::move(waypointNames)), m_kind(kind) {}

    const std::string& Name() const { return m_name; }
    const std::vector<std::string>& WaypointNames() const { return m_waypointNames; }
    int WaypointCount() const { return static_cast<int>(m_waypointNames.size()); }
    // "C" (complete) or "W" (working) as the RTE sentences carry it.
    RouteKind Kind() const { return m_kind; }
    const std::string& PlaceToStore() const { return m_placeToStore; }
    // Read in full: every RTE sentence of it was seen. Only complete routes are stored.
    bool IsComplete() const { return m_complete; }
    bool IsStored() const { return m_stored; }

    // The row being steered to while the route is followed; -1 for none.
    int ActiveIndex() const { return m_activeIndex; }
    // Refuses (false) an index outside the names; -1 is always accepted.
    bool SetActiveIndex(int index);

    // Content changes: each clears the stored flag.
    void SetName(std::string name);
    void AppendWaypoint(std::string waypointName);
    // Exchanges two rows; the active index stays where it is.
    void SwapRows(int a, int b);
    // Removes one row. The active index keeps naming the same row: a row before it moves it
    // up; when the active row itself goes, the row after it becomes active (the last row when
    // it was the last, -1 when the route becomes empty).
    void RemoveRow(int row);
    // Removes every row of that name, with the same care for the active index. True when any
    // row was removed.
    bool RemoveWaypointName(const std::string& waypointName);
    // Renames every row of that name. True when any row changed.
    bool RenameWaypoint(const std::string& from, const std::string& to);
    // Reverses the rows; an active index k becomes count - k when that is a row (the waypoint
    // before the old destination becomes the destination).
    void Invert();

    void SetPlaceToStore(std::string placeToStore) { m_placeToStore = std::move(placeToStore); }
    void SetComplete(bool complete) { m_complete = complete; }
    void SetStored(bool stored) { m_stored = stored; }

    // What the RTE sentences are composed from; valid while the route is.
    StoreItemView View() const {
        StoreItemView view;
        view.name = m_name;
        view.routeKind = m_kind;
        view.waypointNames = m_waypointNames;
        return view;
    }

    // Same name list in the same order.
    bool SameWaypoints(const CRoute& other) const {
        return m_waypointNames == other.m_waypointNames;
    }

private:
    std::string m_name;
    std::vector<std::string> m_waypointNames;
    RouteKind m_kind = RouteKind::Complete;
    int m_activeIndex = -1;
    std::string m_placeToStore;
    bool m_complete = true;
    bool m_stored = false;
};
