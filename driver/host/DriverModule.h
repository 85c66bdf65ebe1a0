#pragma once

#include "driver/StreamInterface.h"

#include <filesystem>

// The entry points of a loaded stream driver that a pseudo-terminal can drive. A terminal
// shows its host no seeks, control requests or power events, so those are only checked for.
struct StreamEntryPoints {
    decltype(&COM_Init) init = nullptr;
    decltype(&COM_Deinit) deinit = nullptr;
    decltype(&COM_Open) open = nullptr;
    decltype(&COM_Close) close = nullptr;
    decltype(&COM_Read) read = nullptr;
    decltype(&COM_Write) write = nullptr;
};

// A driver library loaded with dlopen; a library that lacks any of the ten entry points is
// refused, as the device manager refused it.
class DriverModule {
public:
    // Throws std::runtime_error with the loader's message.
    explicit DriverModule(const std::filesystem::path& library);
    ~DriverModule();
    DriverModule(const DriverModule&) = delete;
    DriverModule& operator=(const DriverModule&) = delete;

    const StreamEntryPoints& EntryPoints() const { return m_entryPoints; }

private:
    void* m_handle = nullptr;
    StreamEntryPoints m_entryPoints;
};
