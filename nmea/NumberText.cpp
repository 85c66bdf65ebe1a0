#include "nmea/NumberText.h"

#include <array>
#include <charconv>

namespace {

// Wide enough for "%.<n>f" of the largest finite double (309 integer digits).
constexpr std::size_t kBufferSize = 400;

std::string Pad(std::string digits, int width, bool zeroPad) {
    const auto size = static_cast<int>(digits.size());
    if (width <= size) {
        return digits;
    }
    const auto fill = static_cast<std::size_t>(width - size);
    if (!zeroPad) {
        return std::string(fill, ' ') + digits;
    }
    // Zeros go after the sign, as printf puts them.
    const std::size_t at = (!digits.empty() && digits[0] == '-') ? 1 : 0;
    digits.insert(at, fill, '0');
    return digits;
}

} // namespace

void AppendFixed(std::string& out, double value, int decimals) {
    std::array<char, kBufferSize> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    out.append(buffer.data(), result.ptr);
}

void AppendInteger(std::string& out, long long value) {
    std::array<char, 24> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

std::string FormatFixed(double value, int decimals, int width, bool zeroPad) {
    std::string digits;
    AppendFixed(digits, value, decimals);
    return Pad(std::move(digits), width, zeroPad);
}

std::string FormatInteger(long long value, int width, bool zeroPad) {
    std::string digits;
    AppendInteger(digits, value);
    return Pad(std::move(digits), width, zeroPad);
}
