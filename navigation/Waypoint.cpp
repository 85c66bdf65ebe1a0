#include "navigation/Waypoint.h"

bool CWaypoint::SetName(std::string name) {
    if (name == m_name) {
        return false;
    }
    m_name = std::move(name);
    m_stored = false;
    return true;
}

bool CWaypoint::SetPosition(const CLatLong& position) {
    if (position == m_position) {
        return false;
    }
    m_position = position;
    m_stored = false;
    return true;
}
