#pragma once

#include <string>
#include <string_view>

// Pieces of JSON text for the machine-readable outputs of the command-line companion.

// A JSON string literal: quotes, backslashes and control characters escaped; bytes that are
// not valid UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

// A number at full precision (the shortest text that reads back as the same double); null for
// NaN and infinities, which JSON cannot carry.
std::string JsonNumber(double value);
