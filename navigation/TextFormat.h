#pragma once

#include <string>

// printf-style formatting into a std::string (the texts of the lists and the guidance view),
// numbers with a decimal point whatever the locale.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* pattern, ...);

// Replaces the first "%1" (and "%2") of a message with the given texts.
std::string FillMessage(std::string message, const std::string& first,
                        const std::string& second = {});

// The degree sign as the texts show it (UTF-8).
inline constexpr const char* kDegreeSign = "\xC2\xB0";
