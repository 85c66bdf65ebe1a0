#include "comm/BluetoothDevice.h"

#include <cstdio>

std::string BluetoothAddressText(std::uint64_t address) {
    char text[24];
    std::snprintf(text, sizeof text, "%04X%08X", static_cast<unsigned>((address >> 32) & 0xFFFF),
                  static_cast<unsigned>(address & 0xFFFFFFFF));
    return text;
}
