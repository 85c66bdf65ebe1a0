#pragma once

#include "navigation/NavigationDataBase.h"
#include "navigation/NavigationSettings.h"
#include "platform/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

// Settings kept in memory, so that a test sees every counter and index the store writes.
class MemorySettings final : public INavigationSettings {
public:
    std::uint32_t StartNumber(NavItemKind kind) override {
        const auto it = startNumbers.find(kind);
        return it == startNumbers.end() ? 0 : it->second;
    }
    void SetStartNumber(NavItemKind kind, std::uint32_t value) override {
        startNumbers[kind] = value;
    }
    std::optional<int> LastUsedIndex(NavItemKind kind) override {
        const auto it = lastUsed.find(kind);
        return it == lastUsed.end() ? std::nullopt : std::optional<int>(it->second);
    }
    void SetLastUsedIndex(NavItemKind kind, int index) override { lastUsed[kind] = index; }

    std::map<NavItemKind, std::uint32_t> startNumbers;
    std::map<NavItemKind, int> lastUsed;
};

inline CLatLong At(double latitude, double longitude) {
    return CLatLong::FromDecimalDegrees(latitude, longitude);
}

// A store with scripted prompts and settings in memory; random names are seeded with a fixed
// tick.
class StoreTest : public ::testing::Test {
protected:
    StoreTest() {
        store.SetTickSource([] { return 4242u; });
    }

    int AddWaypoint(const std::string& name, double latitude, double longitude,
                    const std::string& place = "/data/import.txt") {
        return store.StoreWaypoint(CWaypoint(name, At(latitude, longitude)), false, place);
    }
    int AddRoute(const std::string& name, std::vector<std::string> names,
                 const std::string& place = "/data/import.txt") {
        return store.StoreRoute(CRoute(name, std::move(names)), false, place);
    }
    std::vector<std::string> WaypointNames() const {
        std::vector<std::string> names;
        store.ForEachWaypoint([&](const CWaypoint& w) { names.push_back(w.Name()); });
        return names;
    }
    std::string TargetName() const {
        const int index = store.TargetIndex();
        return store.Mode() == NavigationMode::GoTo ? store.Waypoint(index).Name()
                                                    : store.Route(index).Name();
    }

    ScriptedPrompts prompts;
    MemorySettings settings;
    CNavigationDataBase store{prompts, settings};
};
