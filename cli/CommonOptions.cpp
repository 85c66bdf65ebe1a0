#include "cli/CommonOptions.h"

#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"

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
