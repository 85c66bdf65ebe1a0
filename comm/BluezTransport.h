#pragma once

#include "comm/BluetoothTransport.h"

#include <bluetooth/bluetooth.h>
#include <cstdint>

// The machine's Bluetooth stack through BlueZ: HCI inquiry and remote names, the SDP service
// search over an L2CAP connection to PSM 1 (with the project's own SDP client), and RFCOMM
// stream sockets.
class BluezTransport final : public IBluetoothTransport {
public:
    InquiryEnd Inquire(const std::function<bool(const BluetoothDevice&)>& found,
                       int stopFd) override;
    ServiceSearch SearchSerialPortService(std::uint64_t address) override;
    int CreateRfcommSocket(int& error) override;
    int Connect(int socket, std::uint64_t address, std::uint8_t channel) override;
};

// The 48-bit device address as BlueZ holds it: b[0] is the least significant byte.
bdaddr_t ToBdaddr(std::uint64_t address);
std::uint64_t FromBdaddr(const bdaddr_t& address);
