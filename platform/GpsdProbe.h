#pragma once

#include "platform/PlatformPaths.h"

// True when gpsd answers at the address: a connection is accepted and its greeting (the
// VERSION report) arrives within the time limit. Used to tell whether the built-in GPS is
// there; never throws.
bool GpsdAnswers(const GpsdAddress& address, int timeoutMs = 1000);
