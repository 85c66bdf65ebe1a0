#pragma once

#include "cli/ConflictPrompts.h"
#include "navigation/DistanceUnits.h"
#include "platform/Settings.h"

#include <optional>
#include <string>
#include <string_view>

// The value of a --kind option, as the "KindOfRouteGuidance" setting stores it: "walk" 1,
// "drive" 2, "flight" 3; nothing for any other text.
std::optional<int> ParseKindOption(std::string_view text);

// The value of a --units option: "km", "mi" or "nmi"; nothing for any other text.
std::optional<DistanceUnit> ParseUnitOption(std::string_view text);

// The conflict policy of a --replace, --rename or --skip option; nothing for any other text.
std::optional<Conflicts> ParseConflictOption(std::string_view text);

// The value of a --follow option: "yes" true, "no" false; nothing for any other text.
std::optional<bool> ParseYesNoOption(std::string_view text);

class IPrompts;

// The General settings of the user's registry file (their defaults where it has none).
GeneralSettings LoadGeneralSettings(IPrompts& prompts);

// The unit a command shows distances in: the --units option when given, else the
// "DistanceUnits" setting, as the window shows them.
DistanceUnit UnitOrSetting(std::optional<DistanceUnit> option, IPrompts& prompts);

class CNavigationDataBase;

// The target of guidance on the command line: a waypoint to go to, or a route to go along from
// its row `activeRow` (from 1).
struct GuidanceTargetChoice {
    std::optional<std::string> waypoint;
    std::optional<std::string> route;
    int activeRow = 1;
};

// Makes it the store's navigation target; false, with the reason printed, when the store holds
// no such waypoint or route row.
bool SetGuidanceTarget(CNavigationDataBase& store, const GuidanceTargetChoice& choice);
