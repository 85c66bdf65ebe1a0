#pragma once

#include "platform/RegistryTree.h"

#include <optional>
#include <string>
#include <string_view>

// The settings files in the REGEDIT4 text form, so that a person can read and edit them:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\...\General]
//   "KindOfView"=dword:00000003
//   "SerialPort"="$device\\COM12:"
//   "RemoteDeviceAddress"=hex(b):56,34,12,f0,de,bc,00,00
//
// Lines starting with ';' are comments. Long hex data may continue on the next line after a
// trailing backslash. Strings holding control characters are written as hex(1) bytes.

struct RegistryParseError {
    int line = 0; // 1-based
    std::string reason;
};

struct RegistryParseResult {
    RegistryTree tree;
    std::optional<RegistryParseError> error; // set: the text was not understood, tree empty
};

// An empty or blank text is an empty tree; anything else must begin with "REGEDIT4".
RegistryParseResult ParseRegistryText(std::string_view text);

std::string FormatRegistryText(const RegistryTree& tree);
