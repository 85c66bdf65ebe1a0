#pragma once

#include "cli/ConflictPrompts.h"
#include "navigation/DistanceUnits.h"

#include <optional>
#include <string_view>

// The value of a --kind option, as the "KindOfRouteGuidance" setting stores it: "walk" 1,
// "drive" 2, "flight" 3; nothing for any other text.
std::optional<int> ParseKindOption(std::string_view text);

// The value of a --units option: "km", "mi" or "nmi"; nothing for any other text.
std::optional<DistanceUnit> ParseUnitOption(std::string_view text);

// The conflict policy of a --replace, --rename or --skip option; nothing for any other text.
std::optional<Conflicts> ParseConflictOption(std::string_view text);
