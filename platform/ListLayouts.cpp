#include "platform/ListLayouts.h"

#include "platform/RegistryAccessor.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsKeys.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

// The defaults fit each column's header in the window's default font.
constexpr std::array kRouteListColumns{
    ListColumn{"RouteNameColumnWidth", 120},
    ListColumn{"PlaceToStoreColumnWidth", 140},
};
constexpr std::array kRouteWaypointListColumns{
    ListColumn{"NumberColumnWidth", 64},
    ListColumn{"WaypointNameColumnWidth", 110},
    ListColumn{"DesiredTrackOfLegColumnWidth", 138},
    ListColumn{"LegDistanceColumnWidth", 94},
    ListColumn{"DistanceFromTheBeginColumnWidth", 162},
    ListColumn{"DistanceToTheBeginColumnWidth", 136},
};
constexpr std::array kWaypointListColumns{
    ListColumn{"WaypointNameColumnWidth", 110},
    ListColumn{"LatitudeColumnWidth", 108},
    ListColumn{"LongitudeColumnWidth", 116},
    ListColumn{"PlaceToStoreColumnWidth", 162},
};
constexpr std::array kNearestWaypointListColumns{
    ListColumn{"NearestWaypointNameColumnWidth", 110},
    ListColumn{"DSTColumnWidth", 70},
    ListColumn{"BRGColumnWidth", 50},
};
constexpr std::array kBluetoothDeviceListColumns{
    ListColumn{"DeviceNameColumnWidth", 120},
    ListColumn{"DeviceAddressColumnWidth", 120},
};

std::string KeyOf(const ListLayout& layout) {
    return std::string(settings_keys::kSettings) + '\\' + layout.key;
}

} // namespace

const ListLayout kRouteListLayout{"ListLayouts\\RouteList", kRouteListColumns};
const ListLayout kRouteWaypointListLayout{"ListLayouts\\RouteWPList", kRouteWaypointListColumns};
const ListLayout kWaypointListLayout{"ListLayouts\\WaypointList", kWaypointListColumns};
const ListLayout kNearestWaypointListLayout{"ListLayouts\\NearestWaypointList",
                                            kNearestWaypointListColumns};
const ListLayout kBluetoothDeviceListLayout{"ListLayouts\\BluetoothDeviceList",
                                            kBluetoothDeviceListColumns};

int ScaleToScreen(int width96, int dpi) {
    return (width96 * dpi + 48) / 96;
}

std::vector<int> LoadColumnWidths(RegistryStore& store, const ListLayout& layout, int dpi) {
    CRegistryAccessor accessor(store);
    accessor.SetKey(KeyOf(layout));
    std::vector<int> widths;
    for (const ListColumn& column : layout.columns) {
        accessor.SetValueName(column.valueName);
        std::uint32_t stored = 0;
        const bool read = accessor.ReadDword(stored) == 0;
        const auto width = static_cast<std::int32_t>(stored);
        // A width of 0 or less would hide the column with no way to find it again.
        widths.push_back(read && width > 0 ? width : ScaleToScreen(column.defaultWidth, dpi));
    }
    return widths;
}

int SaveColumnWidths(RegistryStore& store, const ListLayout& layout, std::span<const int> widths) {
    const std::string key = KeyOf(layout);
    return store.Edit([&](RegistryEdit& edit) {
        const std::size_t count = std::min(widths.size(), layout.columns.size());
        for (std::size_t i = 0; i < count; ++i) {
            edit.SetValue(key, layout.columns[i].valueName,
                          RegistryValue::Dword(static_cast<std::uint32_t>(widths[i])));
        }
        return 0;
    });
}
