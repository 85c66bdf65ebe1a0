#pragma once

#include "driver/host/ControlChannel.h"
#include "driver/host/DeviceLink.h"
#include "driver/host/DriverModule.h"
#include "driver/host/HostOptions.h"
#include "driver/host/HostRecord.h"
#include "driver/host/PortServer.h"
#include "driver/host/PseudoTerminal.h"

#include <cstdint>
#include <string>

// One served port, set up in the order that keeps every step undoable: open the control
// socket, lock the record, load and start the driver, create and watch the terminals, and only
// then publish the name and write the record. Destruction undoes it in reverse, so the name
// disappears first, then the terminal, the driver and the record.
class DeviceHost {
public:
    // signalFd reports the signals that end the host. Throws PortTakenError when the port
    // is served or its name taken, std::exception otherwise.
    DeviceHost(const HostOptions& options, int signalFd);

    // Serves until stopped. False when the terminal failed.
    bool Serve() { return m_server.Run(); }

private:
    // COM_Init for the host's life, COM_Deinit at its end.
    class DriverSession {
    public:
        DriverSession(const StreamEntryPoints& driver, const std::string& deviceName);
        ~DriverSession();
        DriverSession(const DriverSession&) = delete;
        DriverSession& operator=(const DriverSession&) = delete;
        std::uint32_t DeviceContext() const { return m_deviceContext; }

    private:
        const StreamEntryPoints& m_driver;
        std::uint32_t m_deviceContext;
    };

    std::string m_deviceName;
    std::string m_token;
    // First in, last out: a stop request's connection, held open until the end, closes only
    // after everything else is undone.
    ControlChannel m_control;
    HostRecord m_record;
    DriverModule m_driver;
    DriverSession m_session;
    PseudoTerminal m_terminal{PseudoTerminal::Access::SerialGroup};
    // Where the application's playback writes, known only from the record.
    PseudoTerminal m_input{PseudoTerminal::Access::Owner};
    PortServer m_server;
    DeviceLink m_link;
};
