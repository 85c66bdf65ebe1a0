#include "navigation/Route.h"

#include <algorithm>

bool CRoute::SetActiveIndex(int index) {
    if (index < -1 || index >= WaypointCount()) {
        return false;
    }
    m_activeIndex = index;
    return true;
}

void CRoute::SetName(std::string name) {
    if (name != m_name) {
        m_name = std::move(name);
        m_stored = false;
    }
}

void CRoute::AppendWaypoint(std::string waypointName) {
    m_waypointNames.push_back(std::move(waypointName));
    m_stored = false;
}

void CRoute::SwapRows(int a, int b) {
    if (a == b || a < 0 || b < 0 || a >= WaypointCount() || b >= WaypointCount()) {
        return;
    }
    std::swap(m_waypointNames[static_cast<std::size_t>(a)],
              m_waypointNames[static_cast<std::size_t>(b)]);
    m_stored = false;
}

void CRoute::RemoveRow(int row) {
    if (row < 0 || row >= WaypointCount()) {
        return;
    }
    m_waypointNames.erase(m_waypointNames.begin() + row);
    m_stored = false;
    if (m_activeIndex > row) {
        --m_activeIndex;
    }
    m_activeIndex = std::min(m_activeIndex, WaypointCount() - 1);
}

bool CRoute::RemoveWaypointName(const std::string& waypointName) {
    bool removed = false;
    for (int row = WaypointCount() - 1; row >= 0; --row) {
        if (m_waypointNames[static_cast<std::size_t>(row)] == waypointName) {
            RemoveRow(row);
            removed = true;
        }
    }
    return removed;
}

bool CRoute::RenameWaypoint(const std::string& from, const std::string& to) {
    bool renamed = false;
    for (std::string& name : m_waypointNames) {
        if (name == from) {
            name = to;
            renamed = true;
        }
    }
    if (renamed) {
        m_stored = false;
    }
    return renamed;
}

void CRoute::Invert() {
    std::reverse(m_waypointNames.begin(), m_waypointNames.end());
    const int count = WaypointCount();
    if (m_activeIndex >= 0 && count - m_activeIndex < count) {
        m_activeIndex = count - m_activeIndex;
    }
    m_stored = false;
}
