// A program that uses a serial port the way GPS readers do: plain open and termios.
//
//   vport_peer PATH COUNT [--cooked | --plain | --timeout] [--hold] [--bursts]
//
// Opens PATH, sets 57600 baud raw mode (with --cooked: echo, canonical input, CR to NL,
// signals and flow control instead, as a careless program might; with --plain it sets nothing
// and reads with plain blocking reads, as cat does; with --timeout its reads come back empty
// after a second of silence, as a reader that watches for a silent GPS sets them), writes
// "open\n" to stdout, with --hold waits for a byte on stdin, then copies exactly COUNT bytes
// from the port to stdout. Afterwards it keeps the port open until its stdin ends; with
// --timeout it reads once more and ends with 3 when that read came back empty. With --bursts
// it copies until COUNT bursts of a playback have ended (a burst ends with its GLL line) and
// ends at once. Exit 0 on success, 1 when the port failed or ended, 2 on bad usage; a port
// silent for twenty seconds ends it too (a plain or timed reader by SIGALRM).
#include <algorithm>
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

bool SetModes(int fd, bool cooked, bool timeout) {
    termios modes{};
    if (tcgetattr(fd, &modes) != 0) {
        return false;
    }
    cfmakeraw(&modes);
    if (cooked) {
        modes.c_lflag |= ECHO | ICANON | ISIG;
        modes.c_iflag |= ICRNL | IXON;
    }
    modes.c_cc[VMIN] = timeout ? 0 : 1;
    modes.c_cc[VTIME] = timeout ? 10 : 0;
    cfsetispeed(&modes, B57600);
    cfsetospeed(&modes, B57600);
    return tcsetattr(fd, TCSANOW, &modes) == 0;
}

} // namespace

int main(int argc, char** argv) {
    bool cooked = false;
    bool plain = false;
    bool timeout = false;
    bool hold = false;
    bool bursts = false;
    for (int i = 3; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--cooked") {
            cooked = true;
        } else if (option == "--plain") {
            plain = true;
        } else if (option == "--timeout") {
            timeout = true;
        } else if (option == "--hold") {
            hold = true;
        } else if (option == "--bursts") {
            bursts = true;
        } else {
            return 2;
        }
    }
    if (argc < 3) {
        return 2;
    }
    const std::size_t count = std::strtoul(argv[2], nullptr, 10);
    const int port = open(argv[1], O_RDWR | O_NOCTTY);
    if (port < 0 || (!plain && !SetModes(port, cooked, timeout)) ||
        !WriteAll(STDOUT_FILENO, "open\n", 5)) {
        return 1;
    }
    char buffer[4096];
    if (hold && read(STDIN_FILENO, buffer, 1) != 1) {
        return 1;
    }
    std::string line;
    for (std::size_t done = 0; done < count;) {
        // A plain reader meets an end of file where a polling one would wait; the alarm ends
        // a plain reader that waits in vain.
        pollfd entry{port, POLLIN, 0};
        if (plain) {
            alarm(20);
        } else if (poll(&entry, 1, 20000) <= 0) {
            return 1;
        }
        const ssize_t got =
            read(port, buffer, bursts ? sizeof buffer : std::min(sizeof buffer, count - done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || !WriteAll(STDOUT_FILENO, buffer, static_cast<std::size_t>(got))) {
            return 1;
        }
        if (!bursts) {
            done += static_cast<std::size_t>(got);
            continue;
        }
        for (ssize_t i = 0; i < got; ++i) {
            line += buffer[i];
            if (buffer[i] == '\n') {
                done += line.starts_with("$GPGLL") ? 1 : 0;
                line.clear();
            }
        }
    }
    close(STDOUT_FILENO);
    if (bursts) {
        return 0;
    }
    if (timeout) {
        alarm(20);
        return read(port, buffer, sizeof buffer) == 0 ? 3 : 1;
    }
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    close(port);
    return 0;
}
