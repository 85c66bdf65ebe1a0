#pragma once

#include "nmea/Coordinates.h"
#include "nmea/SentenceType.h"

#include <string>
#include <utility>

// A named position of the navigation store. The name is the key: compared exactly, byte for
// byte. The place to store tells where the waypoint came from: the file it was read from, the
// track file active when it was marked, or "self-created".
class CWaypoint {
public:
    CWaypoint() = default;
    CWaypoint(std::string name, const CLatLong& position, std::string placeToStore = {})
        : m_name(std::move(name)), m_position(position), m_placeToStore(std::move(placeToStore)) {}

    const std::string& Name() const { return m_name; }
    const CLatLong& Position() const { return m_position; }
    const std::string& PlaceToStore() const { return m_placeToStore; }
    // Known to be in the store file as it is.
    bool IsStored() const { return m_stored; }

    // A different name or position is a change: the waypoint is no longer known to be stored.
    // True when it changed.
    bool SetName(std::string name);
    bool SetPosition(const CLatLong& position);
    void SetPlaceToStore(std::string placeToStore) { m_placeToStore = std::move(placeToStore); }
    void SetStored(bool stored) { m_stored = stored; }

    // What a WPL sentence is composed from; valid while the waypoint is.
    StoreItemView View() const {
        StoreItemView view;
        view.name = m_name;
        view.position = m_position;
        return view;
    }

private:
    std::string m_name;
    CLatLong m_position;
    std::string m_placeToStore;
    bool m_stored = false;
};

// The place to store of waypoints and routes made in the New dialogs.
inline constexpr const char* kSelfCreated = "self-created";
