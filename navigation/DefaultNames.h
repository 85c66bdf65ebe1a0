#pragma once

#include "navigation/NavigationSettings.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Names the program makes up for new waypoints and routes.

// "WPL_0007" / "RTE_0007": the prefix and the number with at least four digits.
std::string DefaultItemName(NavItemKind kind, std::uint32_t number);

// The counter after using `number`: number + 1, or 0 once 9999 is reached or passed.
std::uint32_t NextStartNumber(std::uint32_t number);
// The counter given back after an unused name: number - 1, or 9999 for 0.
std::uint32_t PreviousStartNumber(std::uint32_t number);

// A name of `length` letters made one at a time: for character i (from 1) the generator is
// seeded with i x tick x length and one number r is drawn modulo 122, then folded into A-Z and
// a-y. `tick` is a millisecond count.
std::string RandomName(std::size_t length, std::uint32_t tick);

// The machine's millisecond tick count, the seed of RandomName.
std::uint32_t MillisecondTicks();

// The default-name rule for an item whose name is taken: "WPL_%04d" / "RTE_%04d" from the
// kind's "StartNumber", or, when an item of that name exists, a random name of 12 letters
// (drawn again until it is unused); "StartNumber" is written back as NextStartNumber.
std::string TakeDefaultName(NavItemKind kind, INavigationSettings& settings,
                            const std::function<bool(std::string_view)>& exists,
                            std::uint32_t tick);
