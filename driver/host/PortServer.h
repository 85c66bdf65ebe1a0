#pragma once

#include "driver/host/ControlChannel.h"
#include "driver/host/DriverModule.h"
#include "driver/host/PseudoTerminal.h"
#include "driver/host/UniqueFd.h"

#include <cstdint>
#include <memory>
#include <string>

// What the host has seen and carried since it started.
struct PortCounters {
    std::uint64_t opens = 0;     // user opens passed to COM_Open
    std::uint64_t closes = 0;    // user closes passed to COM_Close
    std::uint64_t written = 0;   // bytes users wrote that COM_Write accepted
    std::uint64_t delivered = 0; // bytes COM_Read gave that reached the terminal
};

// Carries the port's traffic through the driver:
// - what users write to the slave is read from the master and handed to COM_Write;
// - what COM_Read gives is written to the master, where the terminal queues it for whichever
//   user reads next, as the driver's one queue does;
// - each open and close of the slave's path (seen through inotify) becomes COM_Open or
//   COM_Close, and the terminal's unread bytes are discarded with the driver's queue.
// Opens and closes are handled before the bytes that arrived with them, so a program that
// opens and writes at once keeps its first write.
class PortServer {
public:
    // signalFd reports the signals that end the host. Throws std::system_error.
    PortServer(const StreamEntryPoints& driver, std::uint32_t deviceContext,
               PseudoTerminal& terminal, ControlChannel& control, int signalFd,
               std::string statusPrefix);

    // Serves until a stop request or a signal. False when the terminal failed.
    bool Run();

private:
    void HandleUsage();
    void TakeUserWrites();
    void DeliverQueued();
    void DiscardQueued();
    ControlReply Answer(std::string_view request);

    const StreamEntryPoints& m_driver;
    std::uint32_t m_deviceContext;
    std::uint32_t m_openContext = kComOpenContext;
    PseudoTerminal& m_terminal;
    ControlChannel& m_control;
    int m_signalFd;
    std::string m_statusPrefix;
    UniqueFd m_usage; // inotify on the slave's path
    PortCounters m_counters;
    bool m_stopping = false;

    // Bytes taken from the driver that the terminal has not accepted yet.
    std::unique_ptr<std::uint8_t[]> m_outbox;
    std::size_t m_outboxLength = 0;
    std::size_t m_outboxSent = 0;
    std::unique_ptr<std::uint8_t[]> m_inbox;
};
