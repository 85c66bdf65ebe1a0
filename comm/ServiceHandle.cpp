#include "comm/ServiceHandle.h"

#include "platform/PlatformPaths.h"

#include <charconv>

namespace {

constexpr int kIndexBits = 4;
constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr int kHighestIndex = 9;
// Seven hexadecimal digits: the 28 bits above the index.
constexpr std::size_t kTokenDigits = 7;

} // namespace

std::filesystem::path ServiceRecordFolder(const PlatformPaths& paths) {
    return paths.configDir / "services";
}

std::filesystem::path ServiceRecordPath(const PlatformPaths& paths, int index) {
    return ServiceRecordFolder(paths) / ("COM" + std::to_string(index) + ".host");
}

std::uint32_t ServiceHandleOf(int index, std::string_view token) {
    const std::string_view digits = token.substr(0, kTokenDigits);
    std::uint32_t high = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), high, 16);
    const auto low = static_cast<std::uint32_t>(index) & kIndexMask;
    return (high << kIndexBits) | low | (high == 0 && low == 0 ? (1u << kIndexBits) : 0u);
}

int PortIndexOfHandle(std::uint32_t handle) {
    const auto index = static_cast<int>(handle & kIndexMask);
    return handle == 0 || index > kHighestIndex ? -1 : index;
}
