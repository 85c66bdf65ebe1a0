#pragma once

#include "platform/RegistryValue.h"

#include <optional>
#include <string>
#include <string_view>

// The values the program can make sense of for the settings it reads as a choice among a few
// (units, views, fields, kinds, flags, the speed zoom, the device kind): a value outside them
// would be read back as something that no menu or option shows.
//
// What is wrong with `value` for the value `name` of the current-user key `key` (a path from
// the root, as "Software\...\General"), e.g. "DistanceUnits takes a dword 1, 2 or 3"; nothing
// when it is one of them or the setting is not one of these.
std::optional<std::string> SettingValueProblem(std::string_view key, std::string_view name,
                                               const RegistryValue& value);
