#include "app/dialogs/NavigationDialogContext.h"

#include "comm/ApplicationCore.h"
#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"

#include <array>
#include <mutex>

namespace {

std::array<CommEndpoint*, 2> OutputConnections(ApplicationCore& core) {
    return {&core.SerialDestination(), &core.BluetoothDestination()};
}

std::uint32_t ReadGeneralValue(RegistryStore& registry, const char* name, std::uint32_t fallback) {
    CRegistryAccessor accessor(registry);
    accessor.SetKey(settings_keys::kGeneral);
    accessor.SetValueName(name);
    std::uint32_t value = fallback;
    accessor.ReadDword(value);
    return value;
}

} // namespace

void ToggleListPlayback(ApplicationCore& core) {
    bool playing = false;
    for (CommEndpoint* endpoint : OutputConnections(core)) {
        playing = playing || (endpoint->IsRunning() && endpoint->IsListPlayback());
    }
    if (playing) {
        StopListPlayback(core);
        return;
    }
    for (CommEndpoint* endpoint : OutputConnections(core)) {
        if (endpoint->IsRunning()) {
            endpoint->SetListPlayback();
        }
    }
}

void StopListPlayback(ApplicationCore& core) {
    for (CommEndpoint* endpoint : OutputConnections(core)) {
        endpoint->ClearListPlayback();
    }
}

void ApplyGuidanceResult(const NavigationDialogContext& context,
                         const GuidanceCommandResult& result) {
    if (result.stopListPlayback) {
        StopListPlayback(context.core);
    }
    if (result.showGuidanceView && context.showGuidanceView) {
        context.showGuidanceView();
    }
}

CoordinateStyle StoredCoordinateStyle(RegistryStore& registry) {
    const std::uint32_t value = ReadGeneralValue(registry, settings_keys::kCoordinateStyles, 0);
    return value <= 2 ? static_cast<CoordinateStyle>(value) : CoordinateStyle::Traditional;
}

void StoreCoordinateStyle(RegistryStore& registry, CoordinateStyle style) {
    CRegistryAccessor accessor(registry);
    accessor.SetKey(settings_keys::kGeneral);
    accessor.SetValueName(settings_keys::kCoordinateStyles);
    accessor.WriteDword(static_cast<std::uint32_t>(style));
}

PositionSource ActivePositionSource(ApplicationCore& core) {
    CommEndpoint* receiving = core.RunningSource();
    if (receiving != nullptr) {
        return {kEngineTrack2, receiving->RecordFileName().string()};
    }
    if (core.IsDestinationRunning()) {
        return {kEngineTrack1, core.PlaybackReader().Path()};
    }
    return {kEngineTrack2, std::nullopt};
}

CLatLong LatestPosition(ApplicationCore& core, int engine) {
    std::lock_guard lock(core.TrackLock(engine));
    const CTrack& track = core.Document().Track(engine);
    const CFixRecord fix = engine == kEngineTrack1 ? track.CurrentPoint() : track.CurrentFix();
    return fix.HasPosition() ? fix.Position() : CLatLong{};
}

CLatLong CurrentPosition(ApplicationCore& core) {
    return LatestPosition(core, ActivePositionSource(core).engine);
}

DistanceUnit StoredDistanceUnit(RegistryStore& registry) {
    return DistanceUnitOfSetting(
        static_cast<int>(ReadGeneralValue(registry, settings_keys::kDistanceUnits, 3)));
}
