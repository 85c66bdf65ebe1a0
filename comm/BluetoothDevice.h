#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A Bluetooth device as an inquiry finds it and the settings keep it.
struct BluetoothDevice {
    std::string name;          // "Unknown" when the device reports none
    std::uint64_t address = 0; // the 48-bit device address; 0: no device

    bool operator==(const BluetoothDevice&) const = default;
};

inline constexpr const char* kUnknownDeviceName = "Unknown";

// "%04X%08X": the upper 16 bits of the address, then the lower 32 bits (12 upper-case digits).
std::string BluetoothAddressText(std::uint64_t address);

// An address as a person types it: the 12 digits the program lists ("001122334455") or the
// six colon-separated pairs that the Linux tools write ("00:11:22:33:44:55"), in either case.
// Nothing for any other text and for the null address.
std::optional<std::uint64_t> ParseBluetoothAddress(std::string_view text);
