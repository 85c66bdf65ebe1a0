#pragma once

#include "comm/BluetoothDevice.h"

#include <cstdint>
#include <functional>
#include <vector>

// The Bluetooth stack as the endpoints and the device inquiry use it: BlueZ in the program
// (comm/BluezTransport), a scripted stack in the tests, whose connections are socket pairs.
// Errors are the system's error numbers; the messages show them as "(%d)".
class IBluetoothTransport {
public:
    virtual ~IBluetoothTransport() = default;

    // Where an inquiry or a service search failed: starting it, or fetching its results.
    enum class LookupStep { None, Begin, Next };

    struct InquiryEnd {
        LookupStep failedStep = LookupStep::None;
        int error = 0; // ENETDOWN when the adapter is down
    };
    // Device inquiry: every device found is handed to `found` in the order found, with the name
    // it reports ("Unknown" when none). `found` returns false to end the inquiry early; so does
    // `stopFd` (-1: none) polling readable while the inquiry waits.
    virtual InquiryEnd Inquire(const std::function<bool(const BluetoothDevice&)>& found,
                               int stopFd) = 0;

    struct ServiceSearch {
        LookupStep failedStep = LookupStep::None;
        int error = 0;
        // The records found, as the SDP attribute lists of a service search attribute
        // response: a sequence holding, for each record, a sequence of attribute id and value
        // pairs. Only attribute 4 (the protocol descriptor list) is asked for.
        std::vector<std::uint8_t> attributeLists;
    };
    // The service search of the device's serial port service (UUID 0x1101).
    virtual ServiceSearch SearchSerialPortService(std::uint64_t address) = 0;

    // A new RFCOMM stream socket; -1 with the reason in `error`.
    virtual int CreateRfcommSocket(int& error) = 0;
    // Connects the socket to the device's RFCOMM channel: 0, or the reason (EISCONN is retried
    // by the caller).
    virtual int Connect(int socket, std::uint64_t address, std::uint8_t channel) = 0;
};

// The machine's Bluetooth stack (BlueZ), for the program's whole run.
IBluetoothTransport& SystemBluetooth();
