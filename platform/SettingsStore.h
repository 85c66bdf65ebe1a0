#pragma once

#include "platform/Settings.h"

#include <span>

class RegistryStore;

// Loads every setting in the order of the start-up load: remembered Bluetooth devices,
// destination, source, built-in GPS, then the General values and the playback controls.
// Missing values keep their defaults; "KindOfView" and "KindOfEngine" of 0 count as missing.
Settings LoadSettings(RegistryStore& store);

// The driving view shown first: engine 1 or 2 with kind 1 or 2 is that track view; any other
// pair is route guidance (engine 2, kind 3).
DrivingViewChoice InitialDrivingView(const GeneralSettings& general);

// "RouteLastUsedIndex" and "WaypointLastUsedIndex".
LastUsedIndexes LoadLastUsedIndexes(RegistryStore& store);

// Stores the source ("Source") or destination ("Destination") choice: the key is deleted and
// written again with "DeviceKind" and its values, all in one change of the file. A selection of
// kind None leaves the key deleted. Returns 0 or an error number.
int SaveDeviceSelection(RegistryStore& store, const char* direction,
                        const DeviceSelection& selection);

// Replaces the remembered Bluetooth devices by `devices`, indexed from 0 in list order.
int SaveRememberedDevices(RegistryStore& store, std::span<const RememberedDevice> devices);
