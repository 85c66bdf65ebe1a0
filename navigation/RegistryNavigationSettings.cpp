#include "navigation/RegistryNavigationSettings.h"

#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"

namespace {

const char* CounterKey(NavItemKind kind) {
    return kind == NavItemKind::Waypoint ? settings_keys::kNavigatorWaypoints
                                         : settings_keys::kNavigatorRoutes;
}

const char* LastUsedName(NavItemKind kind) {
    return kind == NavItemKind::Waypoint ? settings_keys::kWaypointLastUsedIndex
                                         : settings_keys::kRouteLastUsedIndex;
}

CRegistryAccessor Accessor(RegistryStore& registry, const char* key, const char* name) {
    CRegistryAccessor accessor(registry);
    accessor.SetRoot(RegistryRoot::CurrentUser);
    accessor.SetKey(key);
    accessor.SetValueName(name);
    return accessor;
}

} // namespace

std::uint32_t RegistryNavigationSettings::StartNumber(NavItemKind kind) {
    std::uint32_t value = 0;
    Accessor(m_registry, CounterKey(kind), settings_keys::kStartNumber).ReadDword(value);
    return value;
}

void RegistryNavigationSettings::SetStartNumber(NavItemKind kind, std::uint32_t value) {
    Accessor(m_registry, CounterKey(kind), settings_keys::kStartNumber).WriteDword(value);
}

std::optional<int> RegistryNavigationSettings::LastUsedIndex(NavItemKind kind) {
    std::uint32_t value = 0;
    if (Accessor(m_registry, settings_keys::kGeneral, LastUsedName(kind)).ReadDword(value) != 0) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

void RegistryNavigationSettings::SetLastUsedIndex(NavItemKind kind, int index) {
    Accessor(m_registry, settings_keys::kGeneral, LastUsedName(kind))
        .WriteDword(static_cast<std::uint32_t>(index));
}
