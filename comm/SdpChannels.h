#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The RFCOMM server channels that a device's serial port service records offer, read from the
// attribute lists of a service search (IBluetoothTransport::ServiceSearch): in each record, the
// protocol descriptor list (attribute 4) is a sequence of protocol descriptors; in each
// descriptor the first RFCOMM UUID (0x0003 as a 16-, 32- or 128-bit UUID) counts, and the
// element after it is the channel when it is an unsigned or signed integer of 8, 16 or 32 bits
// (its low 8 bits). A channel equal to the last one appended is not appended again.
//
// The bytes come from the air: every length is checked against what is there, and malformed
// or truncated data ends the walk where it starts, keeping the channels found before it.
std::vector<std::uint8_t> RfcommChannels(std::span<const std::uint8_t> attributeLists);
