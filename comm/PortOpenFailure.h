#pragma once

#include "comm/SerialPort.h"

#include <filesystem>
#include <optional>
#include <string>

// The report of a port that did not open: the system-error text with the port name as its
// context and, where the cause is one the user can mend, what to do. A name whose link leads
// nowhere is most often a receiver that is not plugged in; a port that may not be opened is
// one whose group the user is not in. Nothing when the failure has no error number.
// `deviceDir`: the device folder, named when the port has no entry there.
std::optional<std::string> PortOpenFailureText(const std::string& portName,
                                               const ResolvedDevice& device,
                                               const PortFailure& failure,
                                               const std::filesystem::path& deviceDir);
