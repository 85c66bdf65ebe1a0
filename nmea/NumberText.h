#pragma once

#include <string>

// Number formatting for sentence fields and coordinate texts. Independent of the process
// locale: a sentence always carries a decimal point, whatever the user interface has set.

// "%.<decimals>f", or with width > 0 "%0<width>.<decimals>f" (zeroPad) / "%<width>.<decimals>f".
std::string FormatFixed(double value, int decimals, int width = 0, bool zeroPad = false);

// "%d", or with width > 0 "%0<width>d" (zeroPad) / "%<width>d".
std::string FormatInteger(long long value, int width = 0, bool zeroPad = false);

// Appends the same texts to an existing string.
void AppendFixed(std::string& out, double value, int decimals);
void AppendInteger(std::string& out, long long value);
