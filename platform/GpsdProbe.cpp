#include "platform/GpsdProbe.h"

#include "platform/TcpConnect.h"

#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

bool GpsdAnswers(const GpsdAddress& address, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const int fd = ConnectTcpBefore(address.host, address.port, deadline);
    if (fd < 0) {
        return false;
    }
    std::string received;
    while (received.find('\n') == std::string::npos && received.size() < 4096 &&
           WaitForSocket(fd, POLLIN, deadline)) {
        char buffer[512];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return received.find("\"class\":\"VERSION\"") != std::string::npos;
}
