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
    std::uint64_t dropped = 0;   // bytes COM_Read gave while no user had the port open
};

// Carries the port's traffic through the driver:
// - what users write to the port's slave, and what the application's playback writes to the
//   input terminal's slave, is read from the masters and handed to COM_Write;
// - what COM_Read gives is written to the port's master, where the terminal queues it for
//   whichever user reads next, as the driver's one queue does;
// - each open and close of either slave's path (seen through inotify) becomes COM_Open or
//   COM_Close, and the terminal's unread bytes are discarded with the driver's queue.
// Opens and closes are handled before the bytes that arrived with them, so a program that
// opens and writes at once keeps its first write.
//
// While no user has the port's slave open, what COM_Read gives is dropped rather than left
// in the terminal: a reader opening later would read it before the host could discard it for
// that open, and would start with old positions. The input terminal's users never read, so
// they do not count. Whether anyone has a slave open is asked of its master after every open
// or close: inotify merges events that come at the same moment, so counting them would lose
// users.
class PortServer {
public:
    // signalFd reports the signals that end the host. Throws std::system_error.
    PortServer(const StreamEntryPoints& driver, std::uint32_t deviceContext,
               PseudoTerminal& terminal, PseudoTerminal& input, ControlChannel& control,
               int signalFd, std::string statusPrefix);

    // Serves until a stop request or a signal. False when the terminal failed.
    bool Run();

private:
    void HandleUsage();
    // A few reads per round, so that delivery keeps pace with a fast writer; with toTheEnd
    // until the master has nothing more.
    void TakeUserWrites(int master, bool toTheEnd);
    void CheckUsers(PseudoTerminal& terminal, bool& inUse);
    void DeliverQueued();
    void DropQueued();
    void DiscardQueued();
    ControlReply Answer(std::string_view request);

    const StreamEntryPoints& m_driver;
    std::uint32_t m_deviceContext;
    std::uint32_t m_openContext = kComOpenContext;
    PseudoTerminal& m_terminal;
    PseudoTerminal& m_input;
    ControlChannel& m_control;
    int m_signalFd;
    std::string m_statusPrefix;
    UniqueFd m_usage; // inotify on both slaves' paths
    int m_terminalWatch = -1;
    PortCounters m_counters;
    // Whether a user has the slave open; a master without users hangs up, and is not polled
    // until the next open.
    bool m_portInUse = false;
    bool m_inputInUse = false;
    bool m_stopping = false;

    // Bytes taken from the driver that the terminal has not accepted yet.
    std::unique_ptr<std::uint8_t[]> m_outbox;
    std::size_t m_outboxLength = 0;
    std::size_t m_outboxSent = 0;
    std::unique_ptr<std::uint8_t[]> m_inbox;
};
