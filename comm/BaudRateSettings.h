#pragma once

#include <string>

class RegistryStore;

// The line rates kept in the settings: the one chosen for the serial source (0: detect it),
// and the one last detected on each port, which the next detection tries first.

// 0 (detect) when none is chosen or the stored one is not supported.
int SourceBaudRateSetting(RegistryStore& registry);
// 0 or an errno value.
int StoreSourceBaudRate(RegistryStore& registry, int baud);

// 0 when the port's rate was never detected.
int DetectedBaudRate(RegistryStore& registry, const std::string& port);
int StoreDetectedBaudRate(RegistryStore& registry, const std::string& port, int baud);
