#pragma once

#include <cstdint>
#include <optional>

// The two kinds of items of the navigation store, numbered as the store's operations take them.
enum class NavItemKind : int { Waypoint = 1, Route = 2 };

// The settings the navigation store reads and writes: the counters of the default names
// ("StartNumber" of the Waypoints and Routes keys) and the last used waypoint and route
// ("WaypointLastUsedIndex", "RouteLastUsedIndex"). The window and the command-line companion
// use the registry; the tests use a plain object.
class INavigationSettings {
public:
    virtual ~INavigationSettings() = default;

    // 0 when the value is absent.
    virtual std::uint32_t StartNumber(NavItemKind kind) = 0;
    virtual void SetStartNumber(NavItemKind kind, std::uint32_t value) = 0;

    // Nothing when the value is absent.
    virtual std::optional<int> LastUsedIndex(NavItemKind kind) = 0;
    virtual void SetLastUsedIndex(NavItemKind kind, int index) = 0;
};
