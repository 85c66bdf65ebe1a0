#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The value types of the registry as numbered there. Values of other types (edited in by hand)
// are kept byte for byte but never read by the program.
enum RegistryType : std::uint32_t {
    kRegistryString = 1, // text without a terminator
    kRegistryBinary = 3,
    kRegistryDword = 4,  // 4 bytes, little-endian
    kRegistryQword = 11, // 8 bytes, little-endian
};

struct RegistryValue {
    std::uint32_t type = kRegistryBinary;
    std::string bytes;

    bool operator==(const RegistryValue&) const = default;

    static RegistryValue Dword(std::uint32_t value);
    static RegistryValue Qword(std::uint64_t value);
    static RegistryValue String(std::string_view text);

    // The number or text when the value has that type and size.
    std::optional<std::uint32_t> AsDword() const;
    std::optional<std::uint64_t> AsQword() const;
    std::optional<std::string> AsString() const;
};
