#pragma once

#include "navigation/NavigationSettings.h"

#include <cstdint>
#include <optional>

// Settings that remember nothing: every store a fuzz input builds starts from the same state.
class NoNavigationSettings final : public INavigationSettings {
public:
    std::uint32_t StartNumber(NavItemKind) override { return 0; }
    void SetStartNumber(NavItemKind, std::uint32_t) override {}
    std::optional<int> LastUsedIndex(NavItemKind) override { return std::nullopt; }
    void SetLastUsedIndex(NavItemKind, int) override {}
};
