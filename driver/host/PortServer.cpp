#include "driver/host/PortServer.h"

#include "driver/host/DeviceHostProtocol.h"

#include <cerrno>
#include <sys/inotify.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// Reads from the master per round, so that delivery to readers keeps pace with a fast writer.
constexpr int kReadsPerRound = 4;

enum Slot : std::size_t { kSignals, kUsage, kMaster, kInput, kControl };

int Watch(int usage, const std::string& path) {
    const int watch = inotify_add_watch(usage, path.c_str(), IN_OPEN | IN_CLOSE);
    if (watch < 0) {
        throw std::system_error(errno, std::generic_category(), "watching the terminal");
    }
    return watch;
}

} // namespace

PortServer::PortServer(const StreamEntryPoints& driver, std::uint32_t deviceContext,
                       PseudoTerminal& terminal, PseudoTerminal& input, ControlChannel& control,
                       int signalFd, std::string statusPrefix)
    : m_driver(driver), m_deviceContext(deviceContext), m_terminal(terminal), m_input(input),
      m_control(control), m_signalFd(signalFd), m_statusPrefix(std::move(statusPrefix)),
      m_outbox(new std::uint8_t[kBufferSize]), m_inbox(new std::uint8_t[kBufferSize]) {
    m_usage.Reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!m_usage) {
        throw std::system_error(errno, std::generic_category(), "watching the terminal");
    }
    m_terminalWatch = Watch(m_usage.Get(), m_terminal.SlavePath());
    Watch(m_usage.Get(), m_input.SlavePath());
    // Anyone who opened before the watches began shows no event.
    m_portInUse = m_terminal.HasUsers();
    m_inputInUse = m_input.HasUsers();
}

bool PortServer::Run() {
    std::vector<pollfd> entries;
    while (!m_stopping) {
        entries.clear();
        entries.push_back({m_signalFd, POLLIN, 0});
        entries.push_back({m_usage.Get(), POLLIN, 0});
        const short masterEvents =
            m_outboxSent < m_outboxLength ? static_cast<short>(POLLIN | POLLOUT) : POLLIN;
        // A negative descriptor leaves its entry out of the poll.
        entries.push_back({m_portInUse ? m_terminal.Master() : -1, masterEvents, 0});
        entries.push_back({m_inputInUse ? m_input.Master() : -1, POLLIN, 0});
        m_control.AddPollEntries(entries);
        if (poll(entries.data(), entries.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (entries[kSignals].revents != 0) {
            return true;
        }
        for (const std::size_t master : {kMaster, kInput}) {
            if ((entries[master].revents & (POLLERR | POLLNVAL)) != 0) {
                return false;
            }
        }
        if (entries[kUsage].revents != 0) {
            HandleUsage();
        }
        for (const std::size_t master : {kMaster, kInput}) {
            if ((entries[master].revents & POLLIN) != 0) {
                TakeUserWrites(entries[master].fd, false);
            }
        }
        // The last user has gone.
        if ((entries[kMaster].revents & POLLHUP) != 0) {
            CheckUsers(m_terminal, m_portInUse);
        }
        if ((entries[kInput].revents & POLLHUP) != 0) {
            CheckUsers(m_input, m_inputInUse);
        }
        DeliverQueued();
        m_control.Service(std::span(entries).subspan(kControl),
                          [this](std::string_view request) { return Answer(request); });
    }
    return true;
}

void PortServer::HandleUsage() {
    alignas(inotify_event) char buffer[4096];
    bool portUsage = false;
    bool inputUsage = false;
    for (;;) {
        const ssize_t got = read(m_usage.Get(), buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            // A full event queue lost opens or closes of either terminal.
            const bool overflow = (event->mask & IN_Q_OVERFLOW) != 0;
            portUsage = portUsage || overflow || event->wd == m_terminalWatch;
            inputUsage = inputUsage || overflow || event->wd != m_terminalWatch;
            if ((event->mask & IN_OPEN) != 0) {
                m_openContext = m_driver.open(m_deviceContext, 0, 0);
                ++m_counters.opens;
                DiscardQueued();
            }
            // Emptying as a close does is the safe side of a lost event, since every one of
            // them would have emptied the queue.
            if ((event->mask & (IN_CLOSE | IN_Q_OVERFLOW)) != 0) {
                m_driver.close(m_openContext);
                ++m_counters.closes;
                DiscardQueued();
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (portUsage) {
        CheckUsers(m_terminal, m_portInUse);
    }
    if (inputUsage) {
        CheckUsers(m_input, m_inputInUse);
    }
}

void PortServer::CheckUsers(PseudoTerminal& terminal, bool& inUse) {
    inUse = terminal.HasUsers();
    if (!inUse) {
        // What the last users wrote before they closed is still to be carried, all of it:
        // the master is not polled again until the next open. It gives the bytes, then
        // reports the hang-up as an error.
        TakeUserWrites(terminal.Master(), true);
    }
}

void PortServer::TakeUserWrites(int master, bool toTheEnd) {
    for (int round = 0; toTheEnd || round < kReadsPerRound; ++round) {
        const ssize_t got = read(master, m_inbox.get(), kBufferSize);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        m_counters.written +=
            m_driver.write(m_openContext, m_inbox.get(), static_cast<std::uint32_t>(got));
        if (!toTheEnd && static_cast<std::size_t>(got) < kBufferSize) {
            return; // the master is drained; another read would only say so
        }
    }
}

void PortServer::DeliverQueued() {
    if (!m_portInUse) {
        DropQueued();
        return;
    }
    bool modesChecked = false;
    for (;;) {
        if (m_outboxSent == m_outboxLength) {
            m_outboxLength = m_driver.read(m_openContext, m_outbox.get(),
                                           static_cast<std::uint32_t>(kBufferSize));
            m_outboxSent = 0;
            if (m_outboxLength == 0) {
                return;
            }
        }
        if (!modesChecked) {
            m_terminal.KeepRaw();
            modesChecked = true;
        }
        const ssize_t put = write(m_terminal.Master(), m_outbox.get() + m_outboxSent,
                                  m_outboxLength - m_outboxSent);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return;
        }
        m_outboxSent += static_cast<std::size_t>(put);
        m_counters.delivered += static_cast<std::uint64_t>(put);
    }
}

void PortServer::DropQueued() {
    for (;;) {
        const std::uint32_t taken =
            m_driver.read(m_openContext, m_outbox.get(), static_cast<std::uint32_t>(kBufferSize));
        if (taken == 0) {
            return;
        }
        m_counters.dropped += taken;
    }
}

void PortServer::DiscardQueued() {
    m_outboxLength = 0;
    m_outboxSent = 0;
    m_terminal.DiscardUnread();
}

ControlReply PortServer::Answer(std::string_view request) {
    if (request == kStopRequest) {
        m_stopping = true;
        return {"OK stopping\n", true};
    }
    if (request == kStatusRequest) {
        return {"OK " + m_statusPrefix + " opens=" + std::to_string(m_counters.opens) +
                    " closes=" + std::to_string(m_counters.closes) +
                    " written=" + std::to_string(m_counters.written) +
                    " delivered=" + std::to_string(m_counters.delivered) +
                    " dropped=" + std::to_string(m_counters.dropped) + "\n",
                false};
    }
    return {"ERR unknown request\n", false};
}
