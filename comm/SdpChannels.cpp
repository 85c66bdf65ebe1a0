#include "comm/SdpChannels.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

// Data element types: the upper five bits of an element's header byte.
enum ElementType : std::uint8_t {
    kNil = 0,
    kUnsigned = 1,
    kSigned = 2,
    kUuid = 3,
    kSequence = 6,
    kAlternative = 7,
};

constexpr std::uint16_t kProtocolDescriptorList = 0x0004;
constexpr std::uint32_t kRfcommUuid = 0x0003;
// The Bluetooth base UUID with the 32-bit value 0x00000003: RFCOMM in its 128-bit form.
constexpr std::array<std::uint8_t, 16> kRfcommUuid128 = {
    0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB};

struct Element {
    std::uint8_t type = kNil;
    std::span<const std::uint8_t> data;
};

// Takes the element at the front of `bytes`, or nothing when its header or its data is cut
// short; `bytes` then keeps what follows the element.
std::optional<Element> TakeElement(std::span<const std::uint8_t>& bytes) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    const std::uint8_t header = bytes[0];
    const auto sizeIndex = static_cast<std::uint8_t>(header & 0x07);
    Element element{static_cast<std::uint8_t>(header >> 3), {}};
    std::size_t offset = 1;
    std::size_t size = 0;
    if (element.type == kNil) {
        size = 0;
    } else if (sizeIndex <= 4) {
        size = std::size_t{1} << sizeIndex; // 1, 2, 4, 8 or 16 bytes
    } else {
        const std::size_t lengthBytes = std::size_t{1} << (sizeIndex - 5); // 1, 2 or 4
        if (bytes.size() < offset + lengthBytes) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < lengthBytes; ++i) {
            size = size << 8 | bytes[offset + i];
        }
        offset += lengthBytes;
    }
    if (bytes.size() - offset < size) {
        return std::nullopt;
    }
    element.data = bytes.subspan(offset, size);
    bytes = bytes.subspan(offset + size);
    return element;
}

bool IsContainer(const Element& element) {
    return element.type == kSequence || element.type == kAlternative;
}

// The big-endian value of an element of 1, 2 or 4 bytes.
std::uint32_t SmallValue(const Element& element) {
    std::uint32_t value = 0;
    for (const std::uint8_t byte : element.data) {
        value = value << 8 | byte;
    }
    return value;
}

bool IsSmallInteger(const Element& element) {
    const std::size_t size = element.data.size();
    return (element.type == kUnsigned || element.type == kSigned) &&
           (size == 1 || size == 2 || size == 4);
}

bool IsRfcommUuid(const Element& element) {
    if (element.type != kUuid) {
        return false;
    }
    const std::size_t size = element.data.size();
    if (size == 2 || size == 4) {
        return SmallValue(element) == kRfcommUuid;
    }
    return size == kRfcommUuid128.size() &&
           std::equal(element.data.begin(), element.data.end(), kRfcommUuid128.begin());
}

void Append(std::vector<std::uint8_t>& channels, std::uint8_t channel) {
    if (channels.empty() || channels.back() != channel) {
        channels.push_back(channel);
    }
}

// One protocol descriptor: its first RFCOMM UUID and the integer after it. False when the
// descriptor is malformed.
bool ReadDescriptor(std::span<const std::uint8_t> descriptor, std::vector<std::uint8_t>& channels) {
    while (!descriptor.empty()) {
        const std::optional<Element> element = TakeElement(descriptor);
        if (!element) {
            return false;
        }
        if (!IsRfcommUuid(*element)) {
            continue;
        }
        if (descriptor.empty()) {
            return true;
        }
        const std::optional<Element> channel = TakeElement(descriptor);
        if (!channel) {
            return false;
        }
        if (IsSmallInteger(*channel)) {
            Append(channels, static_cast<std::uint8_t>(SmallValue(*channel) & 0xFF));
        }
        return true;
    }
    return true;
}

// A protocol descriptor list: the descriptors among its elements. False when malformed.
bool ReadDescriptorList(std::span<const std::uint8_t> list, std::vector<std::uint8_t>& channels) {
    while (!list.empty()) {
        const std::optional<Element> element = TakeElement(list);
        if (!element) {
            return false;
        }
        if (IsContainer(*element) && !ReadDescriptor(element->data, channels)) {
            return false;
        }
    }
    return true;
}

// One record's attribute id and value pairs. False when malformed.
bool ReadRecord(std::span<const std::uint8_t> attributes, std::vector<std::uint8_t>& channels) {
    while (!attributes.empty()) {
        const std::optional<Element> id = TakeElement(attributes);
        const std::optional<Element> value =
            id ? TakeElement(attributes) : std::optional<Element>();
        if (!value) {
            return false;
        }
        const bool isDescriptorList = id->type == kUnsigned && id->data.size() == 2 &&
                                      SmallValue(*id) == kProtocolDescriptorList;
        if (isDescriptorList && IsContainer(*value) && !ReadDescriptorList(value->data, channels)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<std::uint8_t> RfcommChannels(std::span<const std::uint8_t> attributeLists) {
    std::vector<std::uint8_t> channels;
    const std::optional<Element> records = TakeElement(attributeLists);
    if (!records || !IsContainer(*records)) {
        return channels;
    }
    for (std::span<const std::uint8_t> rest = records->data; !rest.empty();) {
        const std::optional<Element> record = TakeElement(rest);
        if (!record || (IsContainer(*record) && !ReadRecord(record->data, channels))) {
            break;
        }
    }
    return channels;
}
