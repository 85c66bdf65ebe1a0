#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Test sentences: a body from "$" up to (not including) "*", finished with its correct checksum
// and CR LF, or with a chosen wrong one.
inline std::uint8_t BodyChecksum(std::string_view body) {
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i < body.size(); ++i) {
        sum ^= static_cast<std::uint8_t>(body[i]);
    }
    return sum;
}

inline std::string WithChecksum(std::string_view body) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", BodyChecksum(body));
    return std::string(body) + "*" + digits + "\r\n";
}

inline std::string WithWrongChecksum(std::string_view body) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", BodyChecksum(body) ^ 0x01);
    return std::string(body) + "*" + digits + "\r\n";
}

inline std::string WithoutChecksum(std::string_view body) {
    return std::string(body) + "\r\n";
}
