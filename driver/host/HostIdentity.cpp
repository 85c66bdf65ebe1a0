#include "driver/host/HostIdentity.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sys/random.h>
#include <system_error>

namespace {

std::optional<std::string_view> ValueOf(std::string_view text, std::string_view key) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            line[key.size()] == '=') {
            return line.substr(key.size() + 1);
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return std::nullopt;
}

bool IsToken(std::string_view text) {
    return text.size() == 32 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

std::string FormatHostIdentity(const HostIdentity& identity) {
    return "pid=" + std::to_string(identity.pid) + "\ntoken=" + identity.token +
           "\ndevice=" + identity.device + "\nlink=" + identity.link + "\nslave=" + identity.slave +
           "\ninput=" + identity.input + "\n";
}

std::optional<HostIdentity> ParseHostIdentity(std::string_view text) {
    const auto pid = ValueOf(text, "pid");
    const auto token = ValueOf(text, "token");
    const auto device = ValueOf(text, "device");
    const auto link = ValueOf(text, "link");
    const auto slave = ValueOf(text, "slave");
    if (!pid || !token || !device || !link || !slave || !IsToken(*token) || device->empty() ||
        link->empty() || slave->empty()) {
        return std::nullopt;
    }
    HostIdentity identity;
    const auto [end, ec] = std::from_chars(pid->data(), pid->data() + pid->size(), identity.pid);
    if (ec != std::errc() || end != pid->data() + pid->size() || identity.pid <= 0) {
        return std::nullopt;
    }
    identity.token = *token;
    identity.device = *device;
    identity.link = *link;
    identity.slave = *slave;
    identity.input = ValueOf(text, "input").value_or("");
    return identity;
}

std::optional<HostIdentity> ReadHostIdentity(const std::filesystem::path& record) {
    std::ifstream in(record, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ParseHostIdentity(text);
}

std::string NewHostToken() {
    std::array<std::uint8_t, 16> bytes{};
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::system_error(errno, std::generic_category(), "getrandom");
        }
        filled += static_cast<std::size_t>(got);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string token;
    for (const std::uint8_t byte : bytes) {
        token += kDigits[byte >> 4];
        token += kDigits[byte & 0xF];
    }
    return token;
}
