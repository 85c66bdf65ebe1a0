#pragma once

#include "platform/CalendarTime.h"

#include <string>

// "10:54.44 PM": the time of day as the sentence descriptions show it ("%I:%M.%S %p" in the
// C locale, whatever locale the process runs in).
std::string DescriptionTime(CalendarTime time);
