#include "driver/StreamInterface.h"

#include "driver/ChunkQueue.h"
#include "driver/DriverTrace.h"
#include "driver/ReversalEcho.h"

// Only the entry points leave the library; everything else is built hidden.
#define COM_EXPORT __attribute__((visibility("default")))

namespace {

ChunkQueue& TheQueue() {
    static ChunkQueue queue;
    return queue;
}

constexpr const char* kOpenContextLabel = "hOpenContext";
constexpr const char* kDeviceContextLabel = "hDeviceContext";

} // namespace

extern "C" {

COM_EXPORT std::uint32_t COM_Init(const char* registryContext) {
    const EntryTrace trace("COM_Init", registryContext);
    return kComDeviceContext;
}

COM_EXPORT int COM_Deinit(std::uint32_t /*deviceContext*/) {
    const EntryTrace trace("COM_Deinit");
    return 1;
}

COM_EXPORT std::uint32_t COM_Open(std::uint32_t deviceContext, std::uint32_t /*accessCode*/,
                                  std::uint32_t /*shareMode*/) {
    const EntryTrace trace("COM_Open", kDeviceContextLabel, deviceContext);
    TheQueue().Clear();
    return kComOpenContext;
}

COM_EXPORT int COM_Close(std::uint32_t openContext) {
    const EntryTrace trace("COM_Close", kOpenContextLabel, openContext);
    TheQueue().Clear();
    return 1;
}

COM_EXPORT std::uint32_t COM_Read(std::uint32_t openContext, void* buffer, std::uint32_t count) {
    const EntryTrace trace("COM_Read", kOpenContextLabel, openContext);
    if (buffer == nullptr) {
        return 0;
    }
    return TheQueue().Take(static_cast<std::uint8_t*>(buffer), count);
}

COM_EXPORT std::uint32_t COM_Write(std::uint32_t openContext, const void* buffer,
                                   std::uint32_t count) {
    const EntryTrace trace("COM_Write", kOpenContextLabel, openContext);
    if (buffer == nullptr || count == 0) {
        return 0;
    }
    return TheQueue().Append(static_cast<const std::uint8_t*>(buffer), count) ? count : 0;
}

COM_EXPORT std::uint32_t COM_Seek(std::uint32_t openContext, std::int32_t /*amount*/,
                                  std::uint32_t /*method*/) {
    const EntryTrace trace("COM_Seek", kOpenContextLabel, openContext);
    return 0;
}

COM_EXPORT int COM_IOControl(std::uint32_t openContext, std::uint32_t code,
                             const std::uint8_t* inBuffer, std::uint32_t inLength,
                             std::uint8_t* outBuffer, std::uint32_t outLength,
                             std::uint32_t* actualOutLength) {
    const EntryTrace trace("COM_IOControl", kOpenContextLabel, openContext);
    if (code != kComReversalEchoCode) {
        // The serial requests (state, time-outs, event mask, waits) succeed without effect.
        TraceLine("Unknown IOCTL\n");
        return 1;
    }
    TraceLine("DRIVER ZRV IOCTL...\n");
    if (!ReversalEcho(inBuffer, inLength, outBuffer, outLength)) {
        return 0;
    }
    if (actualOutLength != nullptr) {
        *actualOutLength = inLength;
    }
    return 1;
}

COM_EXPORT void COM_PowerUp(std::uint32_t deviceContext) {
    const EntryTrace trace("COM_PowerUp", kDeviceContextLabel, deviceContext);
}

COM_EXPORT void COM_PowerDown(std::uint32_t deviceContext) {
    const EntryTrace trace("COM_PowerDown", kDeviceContextLabel, deviceContext);
}

} // extern "C"
