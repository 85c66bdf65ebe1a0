#pragma once

#include "navigation/NavigationSettings.h"

class RegistryStore;

// The navigation settings in the registry of the current user, under the key paths and value
// names the program has always used.
class RegistryNavigationSettings final : public INavigationSettings {
public:
    explicit RegistryNavigationSettings(RegistryStore& registry) : m_registry(registry) {}

    std::uint32_t StartNumber(NavItemKind kind) override;
    void SetStartNumber(NavItemKind kind, std::uint32_t value) override;
    std::optional<int> LastUsedIndex(NavItemKind kind) override;
    void SetLastUsedIndex(NavItemKind kind, int index) override;

private:
    RegistryStore& m_registry;
};
