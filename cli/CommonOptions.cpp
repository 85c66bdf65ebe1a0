#include "cli/CommonOptions.h"

#include "navigation/NavigationDataBase.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"

#include <cstdio>

std::optional<DistanceUnit> ParseUnitOption(std::string_view text) {
    if (text == "km") {
        return DistanceUnit::Kilometers;
    }
    if (text == "mi") {
        return DistanceUnit::StatuteMiles;
    }
    if (text == "nmi") {
        return DistanceUnit::NauticalMiles;
    }
    return std::nullopt;
}

std::optional<int> ParseKindOption(std::string_view text) {
    if (text == "walk") {
        return 1;
    }
    if (text == "drive") {
        return 2;
    }
    if (text == "flight") {
        return 3;
    }
    return std::nullopt;
}

std::optional<Conflicts> ParseConflictOption(std::string_view text) {
    if (text == "--replace") {
        return Conflicts::Replace;
    }
    if (text == "--rename") {
        return Conflicts::Rename;
    }
    if (text == "--skip") {
        return Conflicts::Skip;
    }
    return std::nullopt;
}

std::optional<bool> ParseYesNoOption(std::string_view text) {
    if (text == "yes") {
        return true;
    }
    if (text == "no") {
        return false;
    }
    return std::nullopt;
}

GeneralSettings LoadGeneralSettings(IPrompts& prompts) {
    RegistryStore registry(PlatformPaths::FromEnvironment(), &prompts);
    return LoadSettings(registry).general;
}

DistanceUnit UnitOrSetting(std::optional<DistanceUnit> option, IPrompts& prompts) {
    return option ? *option : DistanceUnitOfSetting(LoadGeneralSettings(prompts).distanceUnits);
}

bool SetGuidanceTarget(CNavigationDataBase& store, const GuidanceTargetChoice& choice) {
    if (choice.waypoint) {
        const int waypoint = store.FindWaypoint(*choice.waypoint);
        if (waypoint < 0) {
            std::fprintf(stderr, "ppcObrin3-cli: no waypoint '%s'\n", choice.waypoint->c_str());
            return false;
        }
        store.SetNavigationTarget(static_cast<int>(NavItemKind::Waypoint), waypoint);
        return true;
    }
    const int route = choice.route ? store.FindRoute(*choice.route) : -1;
    if (route < 0 || choice.activeRow > store.Route(route).WaypointCount()) {
        std::fprintf(stderr, "ppcObrin3-cli: no route '%s' with a row %d\n",
                     choice.route.value_or("").c_str(), choice.activeRow);
        return false;
    }
    store.SetNavigationTarget(static_cast<int>(NavItemKind::Route), route);
    if (choice.activeRow > 1) {
        store.GoToRouteRow(route, choice.activeRow - 1);
    }
    return true;
}
