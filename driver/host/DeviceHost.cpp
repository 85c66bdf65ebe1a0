#include "driver/host/DeviceHost.h"

#include "driver/host/HostIdentity.h"

#include <unistd.h>

namespace {

std::string PreviousSlave(const HostRecord& record) {
    const auto previous = ParseHostIdentity(record.PreviousContents());
    return previous ? previous->slave : std::string();
}

std::string StatusPrefix(const std::string& deviceName, const std::string& slave) {
    return "pid=" + std::to_string(getpid()) + " device=" + deviceName + " slave=" + slave;
}

} // namespace

DeviceHost::DriverSession::DriverSession(const StreamEntryPoints& driver,
                                         const std::string& deviceName)
    : m_driver(driver), m_deviceContext(driver.init(deviceName.c_str())) {}

DeviceHost::DriverSession::~DriverSession() {
    m_driver.deinit(m_deviceContext);
}

DeviceHost::DeviceHost(const HostOptions& options, int signalFd)
    : m_deviceName(DeviceName(options.index)), m_token(NewHostToken()), m_control(m_token),
      m_record(options.record), m_driver(options.driver),
      m_session(m_driver.EntryPoints(), m_deviceName),
      m_server(m_driver.EntryPoints(), m_session.DeviceContext(), m_terminal, m_input, m_control,
               signalFd, StatusPrefix(m_deviceName, m_terminal.SlavePath())),
      m_link(options.link, m_terminal.SlavePath(), PreviousSlave(m_record)) {
    HostIdentity identity;
    identity.pid = getpid();
    identity.token = m_token;
    identity.device = m_deviceName;
    identity.link = options.link.string();
    identity.slave = m_terminal.SlavePath();
    identity.input = m_input.SlavePath();
    m_record.Write(FormatHostIdentity(identity));
}
