#include "comm/BluezTransport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

TEST(BluezTransport, AddressesConvertAsBlueZWritesThem) {
    // BlueZ's own text form is the cross-check: most significant byte first.
    bdaddr_t expected;
    ASSERT_EQ(str2ba("A1:B2:C3:D4:E5:F6", &expected), 0);
    const bdaddr_t converted = ToBdaddr(0xA1B2C3D4E5F6);
    EXPECT_EQ(bacmp(&converted, &expected), 0);
    EXPECT_EQ(FromBdaddr(expected), 0xA1B2C3D4E5F6u);

    // Bits above the 48 of a device address are not part of it.
    const bdaddr_t wide = ToBdaddr(0xFFFF000000000001);
    EXPECT_EQ(FromBdaddr(wide), 1u);
    EXPECT_EQ(FromBdaddr(ToBdaddr(0)), 0u);
    EXPECT_EQ(FromBdaddr(ToBdaddr(0xFFFFFFFFFFFF)), 0xFFFFFFFFFFFFu);
}

// Without Bluetooth in the kernel every operation reports the system's refusal at once.
TEST(BluezTransport, WithoutBluetoothEveryOperationFailsAtItsStart) {
    const int probe = ::socket(AF_BLUETOOTH, SOCK_SEQPACKET, 0);
    if (probe >= 0) {
        ::close(probe);
        GTEST_SKIP() << "this kernel has Bluetooth";
    }
    const int refusal = errno;
    BluezTransport transport;

    int calls = 0;
    const auto inquiry = transport.Inquire(
        [&](const BluetoothDevice&) {
            ++calls;
            return true;
        },
        -1);
    EXPECT_EQ(inquiry.failedStep, IBluetoothTransport::LookupStep::Begin);
    EXPECT_EQ(inquiry.error, refusal);
    EXPECT_EQ(calls, 0);

    const auto search = transport.SearchSerialPortService(0xA1B2C3D4E5F6);
    EXPECT_EQ(search.failedStep, IBluetoothTransport::LookupStep::Begin);
    EXPECT_EQ(search.error, refusal);
    EXPECT_TRUE(search.attributeLists.empty());

    int error = 0;
    EXPECT_EQ(transport.CreateRfcommSocket(error), -1);
    EXPECT_EQ(error, refusal);
    EXPECT_EQ(transport.Connect(-1, 0xA1B2C3D4E5F6, 3), EBADF);
}

} // namespace
