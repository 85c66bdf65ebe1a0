#include "comm/BluetoothDevice.h"

#include <gtest/gtest.h>

namespace {

TEST(BluetoothAddressTest, BothWrittenFormsParseToTheSameAddress) {
    const struct {
        const char* text;
        std::uint64_t address;
    } good[] = {
        {"001122334455", 0x001122334455},
        {"00:11:22:33:44:55", 0x001122334455},
        {"a0:b1:C2:d3:E4:f5", 0xA0B1C2D3E4F5},
        {"FFFFFFFFFFFF", 0xFFFFFFFFFFFF},
    };
    for (const auto& c : good) {
        const std::optional<std::uint64_t> parsed = ParseBluetoothAddress(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(*parsed, c.address) << c.text;
        EXPECT_EQ(ParseBluetoothAddress(BluetoothAddressText(*parsed)), parsed) << c.text;
    }
    for (const char* bad :
         {"", "00112233445", "0011223344556", "00:11:22:33:44", "00-11-22-33-44-55",
          "00:11:22:33:44:5g", "0:011:22:33:44:55", "00:11:22:33:44:55:", "000000000000",
          "00:00:00:00:00:00", "+01122334455", " 01122334455"}) {
        EXPECT_FALSE(ParseBluetoothAddress(bad)) << bad;
    }
}

} // namespace
