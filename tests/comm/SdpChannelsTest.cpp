// The RFCOMM channels read from service search results, as devices encode them and as a
// damaged answer arrives.
#include "comm/SdpChannels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Data elements: header byte (type << 3 | size index), then the data.
Bytes Element(std::uint8_t type, std::uint8_t sizeIndex, const Bytes& data) {
    Bytes out{static_cast<std::uint8_t>(type << 3 | sizeIndex)};
    out.insert(out.end(), data.begin(), data.end());
    return out;
}
Bytes Uint8(std::uint8_t v) {
    return Element(1, 0, {v});
}
Bytes Uint16(std::uint16_t v) {
    return Element(1, 1, {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}
Bytes Uint32(std::uint32_t v) {
    return Element(1, 2,
                   {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                    static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}
Bytes Int8(std::int8_t v) {
    return Element(2, 0, {static_cast<std::uint8_t>(v)});
}
Bytes Uuid16(std::uint16_t v) {
    return Element(3, 1, {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}
Bytes Uuid32(std::uint32_t v) {
    Bytes out = Uint32(v);
    out[0] = 3 << 3 | 2;
    return out;
}
Bytes Uuid128(std::uint32_t v) {
    return Element(3, 4,
                   {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                    static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v), 0x00, 0x00,
                    0x10, 0x00, 0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB});
}
// A text with a one-byte length.
Bytes Text(const std::string& text) {
    Bytes data{static_cast<std::uint8_t>(text.size())};
    data.insert(data.end(), text.begin(), text.end());
    return Element(4, 5, data);
}
Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}
// A sequence with a one-, two- or four-byte length.
Bytes Sequence(std::initializer_list<Bytes> parts, int lengthBytes = 1) {
    const Bytes body = Concat(parts);
    Bytes out{static_cast<std::uint8_t>(6 << 3 | (lengthBytes == 1   ? 5
                                                  : lengthBytes == 2 ? 6
                                                                     : 7))};
    for (int i = lengthBytes - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(body.size() >> (8 * i)));
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

constexpr std::uint16_t kL2cap = 0x0100;
constexpr std::uint16_t kRfcomm = 0x0003;

// The protocol descriptor list of a serial port service on `channel`.
Bytes SerialPortDescriptors(const Bytes& channel) {
    return Sequence({Sequence({Uuid16(kL2cap)}), Sequence({Uuid16(kRfcomm), channel})});
}
// One record: its service class list, its protocol descriptor list and its name.
Bytes Record(const Bytes& descriptors) {
    return Sequence({Uint16(0x0001), Sequence({Uuid16(0x1101)}), Uint16(0x0004), descriptors,
                     Uint16(0x0100), Text("Serial Port")});
}
Bytes Records(std::initializer_list<Bytes> records) {
    return Sequence(records, 2);
}

std::vector<std::uint8_t> Channels(const Bytes& bytes) {
    return RfcommChannels(bytes);
}

TEST(SdpChannels, ReadsTheChannelOfEachRecordAsDevicesEncodeIt) {
    struct Case {
        const char* label;
        Bytes lists;
        std::vector<std::uint8_t> channels;
    };
    const Case cases[] = {
        {"one record, 8-bit channel", Records({Record(SerialPortDescriptors(Uint8(1)))}), {1}},
        {"16-bit channel: its low 8 bits",
         Records({Record(SerialPortDescriptors(Uint16(0x0105)))}),
         {5}},
        {"32-bit channel", Records({Record(SerialPortDescriptors(Uint32(7)))}), {7}},
        {"signed channel", Records({Record(SerialPortDescriptors(Int8(2)))}), {2}},
        {"32-bit RFCOMM UUID",
         Records({Record(Sequence({Sequence({Uuid16(kL2cap)}), Sequence({Uuid32(3), Uint8(4)})}))}),
         {4}},
        {"128-bit RFCOMM UUID",
         Records(
             {Record(Sequence({Sequence({Uuid16(kL2cap)}), Sequence({Uuid128(3), Uint8(9)})}))}),
         {9}},
        {"two records with channels 1 and 3",
         Records(
             {Record(SerialPortDescriptors(Uint8(1))), Record(SerialPortDescriptors(Uint8(3)))}),
         {1, 3}},
        {"the same channel twice in a row is one",
         Records(
             {Record(SerialPortDescriptors(Uint8(2))), Record(SerialPortDescriptors(Uint8(2)))}),
         {2}},
        {"only a repeat of the last one is dropped",
         Records({Record(SerialPortDescriptors(Uint8(1))), Record(SerialPortDescriptors(Uint8(3))),
                  Record(SerialPortDescriptors(Uint8(1)))}),
         {1, 3, 1}},
        {"four-byte lengths",
         Sequence(
             {Sequence({Uint16(4), Sequence({Sequence({Uuid16(kRfcomm), Uint8(6)}, 4)}, 4)}, 4)},
             4),
         {6}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Channels(c.lists), c.channels) << c.label;
    }
}

TEST(SdpChannels, TakesOnlyTheIntegerRightAfterTheFirstRfcommUuidOfTheDescriptorList) {
    struct Case {
        const char* label;
        Bytes descriptors;
        std::vector<std::uint8_t> channels;
    };
    const Case cases[] = {
        {"a second RFCOMM UUID in the same descriptor does not count",
         Sequence({Sequence({Uuid16(kRfcomm), Uint8(2), Uuid16(kRfcomm), Uint8(4)})}),
         {2}},
        {"nothing after the UUID", Sequence({Sequence({Uuid16(kRfcomm)})}), {}},
        {"a text after the UUID", Sequence({Sequence({Uuid16(kRfcomm), Text("7")})}), {}},
        {"a 64-bit integer is no channel",
         Sequence({Sequence({Uuid16(kRfcomm), Element(1, 3, {0, 0, 0, 0, 0, 0, 0, 5})})}),
         {}},
        {"an RFCOMM UUID outside any descriptor", Sequence({Uuid16(kRfcomm), Uint8(5)}), {}},
        {"the L2CAP descriptor's PSM is no channel",
         Sequence({Sequence({Uuid16(kL2cap), Uint16(3)}), Sequence({Uuid16(kRfcomm), Uint8(8)})}),
         {8}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Channels(Records({Record(c.descriptors)})), c.channels) << c.label;
    }
    // Only attribute 4 is a protocol descriptor list.
    EXPECT_TRUE(
        Channels(Records({Sequence({Uint16(0x000D), SerialPortDescriptors(Uint8(3))})})).empty());
}

TEST(SdpChannels, ADamagedAnswerEndsTheWalkAndKeepsWhatWasFoundBefore) {
    const Bytes first = Record(SerialPortDescriptors(Uint8(1)));
    const Bytes second = Record(SerialPortDescriptors(Uint8(3)));
    const Bytes both = Concat({first, second});
    // The records cut short anywhere, in a list whose own length fits the cut: the channels
    // of the whole records before the cut, and nothing made up.
    for (std::size_t size = 0; size <= both.size(); ++size) {
        const std::vector<std::uint8_t> found =
            Channels(Sequence({Bytes(both.begin(), both.begin() + static_cast<long>(size))}, 2));
        const std::vector<std::uint8_t> expected =
            size == both.size()    ? std::vector<std::uint8_t>{1, 3}
            : size >= first.size() ? std::vector<std::uint8_t>{1}
                                   : std::vector<std::uint8_t>{};
        EXPECT_EQ(found, expected) << "cut at " << size;
    }
    const Bytes good = Records({first, second});
    // A length that claims more than there is, inside the second record.
    Bytes lying = good;
    const std::size_t at = lying.size() - second.size();
    lying[at + 1] = 0xF0;
    EXPECT_EQ(Channels(lying), std::vector<std::uint8_t>{1});
    EXPECT_TRUE(Channels({}).empty());
    EXPECT_TRUE(Channels({0x35}).empty()) << "a sequence header without its length";
    EXPECT_TRUE(Channels(Uint8(1)).empty()) << "no sequence of records";
    EXPECT_TRUE(Channels({0x37, 0xFF, 0xFF, 0xFF, 0xFF}).empty()) << "4 GiB claimed";
}

} // namespace
