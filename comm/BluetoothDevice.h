#pragma once

#include <cstdint>
#include <string>

// A Bluetooth device as an inquiry finds it and the settings keep it.
struct BluetoothDevice {
    std::string name;          // "Unknown" when the device reports none
    std::uint64_t address = 0; // the 48-bit device address; 0: no device

    bool operator==(const BluetoothDevice&) const = default;
};

inline constexpr const char* kUnknownDeviceName = "Unknown";

// "%04X%08X": the upper 16 bits of the address, then the lower 32 bits (12 upper-case digits).
std::string BluetoothAddressText(std::uint64_t address);
