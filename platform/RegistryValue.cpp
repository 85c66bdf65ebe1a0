#include "platform/RegistryValue.h"

namespace {

std::string LittleEndian(std::uint64_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
    return bytes;
}

std::uint64_t FromLittleEndian(const std::string& bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) {
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return value;
}

} // namespace

RegistryValue RegistryValue::Dword(std::uint32_t value) {
    return {kRegistryDword, LittleEndian(value, 4)};
}

RegistryValue RegistryValue::Qword(std::uint64_t value) {
    return {kRegistryQword, LittleEndian(value, 8)};
}

RegistryValue RegistryValue::String(std::string_view text) {
    return {kRegistryString, std::string(text)};
}

std::optional<std::uint32_t> RegistryValue::AsDword() const {
    if (type != kRegistryDword || bytes.size() != 4) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(FromLittleEndian(bytes));
}

std::optional<std::uint64_t> RegistryValue::AsQword() const {
    if (type != kRegistryQword || bytes.size() != 8) {
        return std::nullopt;
    }
    return FromLittleEndian(bytes);
}

std::optional<std::string> RegistryValue::AsString() const {
    if (type != kRegistryString) {
        return std::nullopt;
    }
    return bytes;
}
