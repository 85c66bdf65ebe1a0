#include "tests/comm/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    m_slavePath = ptsname(m_master);
    // Raw on the master side too, so that bytes pass unchanged in both directions.
    const int slave = open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0) {
        termios attributes{};
        if (tcgetattr(slave, &attributes) == 0) {
            cfmakeraw(&attributes);
            tcsetattr(slave, TCSANOW, &attributes);
        }
        close(slave);
    }
}

PseudoTerminal::~PseudoTerminal() {
    CloseMaster();
}

void PseudoTerminal::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(m_master, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error("pseudo-terminal write failed");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string PseudoTerminal::Read(std::size_t count, std::chrono::milliseconds limit) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd fd{m_master, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) <= 0 || (fd.revents & POLLIN) == 0) {
            break;
        }
        char buffer[4096];
        const ssize_t got = read(m_master, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
}

std::string PseudoTerminal::ReadUntilQuiet(std::chrono::milliseconds quiet) {
    std::string out;
    for (;;) {
        pollfd fd{m_master, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(quiet.count())) <= 0 || (fd.revents & POLLIN) == 0) {
            return out;
        }
        char buffer[4096];
        const ssize_t got = read(m_master, buffer, sizeof buffer);
        if (got <= 0) {
            return out;
        }
        out.append(buffer, static_cast<std::size_t>(got));
    }
}

void PseudoTerminal::CloseMaster() {
    if (m_master >= 0) {
        close(m_master);
        m_master = -1;
    }
}
