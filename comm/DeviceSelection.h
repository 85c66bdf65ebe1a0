#pragma once

#include "comm/BluetoothDevice.h"

#include <functional>
#include <optional>
#include <string>

class ApplicationCore;
struct NetworkAddress;

// Choosing the device to record from (the source) and the device to play back to (the
// destination): a serial port, a network address, a Bluetooth device, or for recording the
// built-in GPS (gpsd).
// Exactly one transport per direction is configured: choosing one clears the other. Each
// choice is stored in the settings at once and survives restarts.

enum class Direction { Record, Playback };

// The serial port `name` (as the port list names it) becomes the direction's device: stored
// as "SP" with the endpoint's stored form of the name, the Bluetooth device of that direction
// cleared, and for recording the built-in GPS no longer used. True when the port differs from
// the one configured before.
bool SelectSerialPort(ApplicationCore& application, Direction direction, const std::string& name);

// The line rate of the serial source (0: detected) is stored; true when it differs from the one
// stored before.
bool SelectSourceBaudRate(ApplicationCore& application, int baud);

// The same for a Bluetooth device ("BT" with its name and address); the serial port of that
// direction is cleared. True when the device differs from the one configured before.
bool SelectBluetoothDevice(ApplicationCore& application, Direction direction,
                           const BluetoothDevice& device);

// The same for a network address ("NET" with its URL); the serial port and the Bluetooth device
// of that direction are cleared. True when the address differs from the one configured before.
bool SelectNetworkAddress(ApplicationCore& application, Direction direction,
                          const NetworkAddress& address);

// The port that gpsd serves as the built-in GPS ("DriverInterface"), when it can be read.
std::optional<std::string> BuiltInGpsPort(ApplicationCore& application);

// Record / Built-in GPS: in use, it is given up and the source cleared; not in use, the port
// that gpsd serves becomes the serial source (the source stays as it was when gpsd cannot be
// reached). The use is stored either way. True when the source port changed.
bool ToggleBuiltInGps(ApplicationCore& application);

// After a choice: a direction that runs is restarted when its device changed and left running
// when not; one that does not run is started. `command` is the direction's own command (Record
// from, Playback to), which stops a running direction and starts an idle one; nothing is
// started without a device.
void StartOrRestartAfterChoice(ApplicationCore& application, Direction direction, bool changed,
                               const std::function<void()>& command);
// The same with the core's own record and playback commands.
void StartOrRestartAfterChoice(ApplicationCore& application, Direction direction, bool changed);

// The texts of the record and playback menu items: "Record &from" and the source (the
// built-in GPS, the serial port, the network URL or the Bluetooth device) while idle,
// "Recording &from" and the running endpoint's connected name while it runs, with the line rate
// of a serial line in brackets ("COM1: (4800 baud)") and "(connecting again)" after a network
// connection that dropped; "Playback &to" and "Playing back &to" the
// same for the destination. Only the command word when nothing is configured.
std::string RecordItemText(ApplicationCore& application);
std::string PlaybackItemText(ApplicationCore& application);
