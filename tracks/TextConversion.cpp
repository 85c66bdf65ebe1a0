#include "tracks/TextConversion.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `pos`, advancing it; a malformed sequence yields U+FFFD and
// consumes one byte, so decoding resynchronises at the next byte.
char32_t DecodeOne(std::string_view utf8, std::size_t& pos) {
    const auto lead = static_cast<std::uint8_t>(utf8[pos]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + length > utf8.size()) {
        ++pos;
        return kReplacement;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(utf8[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += length;
    return value;
}

// Text is mostly ASCII: blocks of that many units are tested and copied at once, in loops
// of fixed length that the compiler turns into vector instructions.
constexpr std::size_t kBlock = 16;

template <typename Unit>
bool IsAsciiBlock(const Unit* units) {
    unsigned any = 0;
    for (std::size_t i = 0; i < kBlock; ++i) {
        any |= units[i];
    }
    return any < 0x80;
}

// Bytes of one code point in UTF-8.
std::size_t Utf8Length(char32_t value) {
    return value < 0x80 ? 1 : value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
}

char* WriteUtf8(char32_t value, char* out) {
    if (value < 0x80) {
        *out++ = static_cast<char>(value);
    } else if (value < 0x800) {
        *out++ = static_cast<char>(0xC0 | (value >> 6));
        *out++ = static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (value >> 12));
        *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (value & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (value >> 18));
        *out++ = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (value & 0x3F));
    }
    return out;
}

// The code point of the UTF-16 text at `pos`, advancing past a surrogate pair.
char32_t CodePointAt(std::u16string_view utf16, std::size_t& pos) {
    const char16_t unit = utf16[pos];
    if (unit < 0xD800 || unit > 0xDFFF) {
        return unit;
    }
    if (unit <= 0xDBFF && pos + 1 < utf16.size() && utf16[pos + 1] >= 0xDC00 &&
        utf16[pos + 1] <= 0xDFFF) {
        ++pos;
        return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
               (static_cast<char32_t>(utf16[pos]) - 0xDC00);
    }
    return kReplacement;
}

} // namespace

// Both conversions write through a pointer into text sized beforehand: these run over whole
// documents of many megabytes.
std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out(utf8.size(), u'\0'); // never more units than bytes
    char16_t* next = out.data();
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        while (pos + kBlock <= utf8.size() && IsAsciiBlock(bytes + pos)) {
            std::copy(bytes + pos, bytes + pos + kBlock, next);
            next += kBlock;
            pos += kBlock;
        }
        if (pos == utf8.size()) {
            break;
        }
        const unsigned char byte = bytes[pos];
        if (byte < 0x80) {
            *next++ = byte;
            ++pos;
            continue;
        }
        const char32_t value = DecodeOne(utf8, pos);
        if (value < 0x10000) {
            *next++ = static_cast<char16_t>(value);
        } else {
            *next++ = static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
            *next++ = static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
        }
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    const char16_t* units = utf16.data();
    std::size_t length = 0;
    for (std::size_t pos = 0; pos < utf16.size(); ++pos) {
        while (pos + kBlock <= utf16.size() && IsAsciiBlock(units + pos)) {
            length += kBlock;
            pos += kBlock;
        }
        if (pos < utf16.size()) {
            length += utf16[pos] < 0x80 ? 1 : Utf8Length(CodePointAt(utf16, pos));
        }
    }
    std::string out(length, '\0');
    char* next = out.data();
    for (std::size_t pos = 0; pos < utf16.size(); ++pos) {
        while (pos + kBlock <= utf16.size() && IsAsciiBlock(units + pos)) {
            std::copy(units + pos, units + pos + kBlock, next);
            next += kBlock;
            pos += kBlock;
        }
        if (pos == utf16.size()) {
            break;
        }
        const char16_t unit = utf16[pos];
        if (unit < 0x80) {
            *next++ = static_cast<char>(unit);
        } else {
            next = WriteUtf8(CodePointAt(utf16, pos), next);
        }
    }
    return out;
}
