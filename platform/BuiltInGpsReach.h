#pragma once

#include "platform/PlatformPaths.h"

#include <optional>
#include <string>

class RegistryStore;

// "gpsd does not answer at 127.0.0.1:2947": why the built-in GPS cannot be read.
std::string GpsdSilentText(const GpsdAddress& address);

// When the user chose the built-in GPS as the source ("UseGPSIntermediateDriver" 1, the
// machine's built-in GPS switched on) but its port cannot be found because gpsd does not
// answer: the text that says so. Nothing when another source is chosen or gpsd answers. The
// settings load then leaves the source empty, which would otherwise read as "nothing chosen".
std::optional<std::string> SilentBuiltInGps(RegistryStore& registry, const GpsdAddress& address);
