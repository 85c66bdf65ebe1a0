#include "comm/BluetoothDevice.h"

#include <cctype>
#include <cstdio>

std::string BluetoothAddressText(std::uint64_t address) {
    char text[24];
    std::snprintf(text, sizeof text, "%04X%08X", static_cast<unsigned>((address >> 32) & 0xFFFF),
                  static_cast<unsigned>(address & 0xFFFFFFFF));
    return text;
}

std::optional<std::uint64_t> ParseBluetoothAddress(std::string_view text) {
    constexpr std::size_t kDigits = 12;
    constexpr std::size_t kColonForm = kDigits + 5;
    const bool colons = text.size() == kColonForm;
    if (!colons && text.size() != kDigits) {
        return std::nullopt;
    }
    std::uint64_t address = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // In the colon form every third character separates two pairs.
        if (colons && i % 3 == 2) {
            if (c != ':') {
                return std::nullopt;
            }
            continue;
        }
        if (!std::isxdigit(c)) {
            return std::nullopt;
        }
        const int digit = std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10;
        address = address << 4 | static_cast<std::uint64_t>(digit);
    }
    if (address == 0) {
        return std::nullopt;
    }
    return address;
}
