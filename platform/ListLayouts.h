#pragma once

#include <span>
#include <vector>

class RegistryStore;

// The column widths of the list dialogs, kept under "ListLayouts" with one value per column.

struct ListColumn {
    const char* valueName;
    int defaultWidth; // pixels on a 96-dpi screen
};

struct ListLayout {
    const char* key; // below the settings root, e.g. "ListLayouts\RouteList"
    std::span<const ListColumn> columns;
};

extern const ListLayout kRouteListLayout;
extern const ListLayout kRouteWaypointListLayout;
extern const ListLayout kWaypointListLayout;
extern const ListLayout kNearestWaypointListLayout;
extern const ListLayout kBluetoothDeviceListLayout;

// A width given for 96 dpi on a screen of `dpi`: (w x dpi + 48) / 96, in integers.
int ScaleToScreen(int width96, int dpi);

// The stored widths, each column's default scaled to the screen when it is missing or not
// positive.
std::vector<int> LoadColumnWidths(RegistryStore& store, const ListLayout& layout, int dpi);

// Writes the widths of the columns (in column order); 0 or an error number.
int SaveColumnWidths(RegistryStore& store, const ListLayout& layout, std::span<const int> widths);
