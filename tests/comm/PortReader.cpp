// A program that reads a GPS the way most do: plain open and termios on the port's name.
//
//   vport_reader PATH BURSTS
//
// Opens PATH, sets raw mode at 57600 baud, writes "open\n" to stdout, then copies what the
// port delivers to stdout until BURSTS bursts have ended (a burst ends with its GLL line).
// Exit 0 then, 1 when the port failed or stayed silent for 20 seconds, 2 on bad usage.
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = write(fd, data, size);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

bool SetRawModes(int fd) {
    termios modes{};
    if (tcgetattr(fd, &modes) != 0) {
        return false;
    }
    cfmakeraw(&modes);
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    cfsetispeed(&modes, B57600);
    cfsetospeed(&modes, B57600);
    return tcsetattr(fd, TCSANOW, &modes) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    const long bursts = std::strtol(argv[2], nullptr, 10);
    const int port = open(argv[1], O_RDWR | O_NOCTTY);
    if (port < 0 || !SetRawModes(port) || !WriteAll(STDOUT_FILENO, "open\n", 5)) {
        return 1;
    }
    const std::string lastSentence = "$GPGLL";
    std::string line;
    long ended = 0;
    while (ended < bursts) {
        pollfd entry{port, POLLIN, 0};
        if (poll(&entry, 1, 20000) <= 0) {
            return 1;
        }
        char buffer[512];
        const ssize_t got = read(port, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return 1;
        }
        if (!WriteAll(STDOUT_FILENO, buffer, static_cast<std::size_t>(got))) {
            return 1;
        }
        for (ssize_t i = 0; i < got; ++i) {
            line += buffer[i];
            if (buffer[i] == '\n') {
                ended += line.starts_with(lastSentence) ? 1 : 0;
                line.clear();
            }
        }
    }
    return 0;
}
