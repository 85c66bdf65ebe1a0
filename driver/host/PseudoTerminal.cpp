#include "driver/host/PseudoTerminal.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <vector>

namespace {

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// The termios flags that make the line discipline echo, translate, interpret or hold bytes.
constexpr tcflag_t kCookedInput =
    IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IUCLC;
constexpr tcflag_t kCookedLocal = ECHO | ECHONL | ICANON | ISIG | IEXTEN;

bool IsRaw(const termios& modes) {
    return (modes.c_iflag & kCookedInput) == 0 && (modes.c_oflag & OPOST) == 0 &&
           (modes.c_lflag & kCookedLocal) == 0 && (modes.c_cflag & (CSIZE | PARENB)) == CS8;
}

void MakeRaw(termios& modes) {
    modes.c_iflag &= ~kCookedInput;
    modes.c_oflag &= ~OPOST;
    modes.c_lflag &= ~kCookedLocal;
    modes.c_cflag &= ~(CSIZE | PARENB);
    modes.c_cflag |= CS8;
}

// Serial devices belong to "dialout"; programs such as gpsd read them as that group. Where
// the host may not hand the terminal to that group, it stays its user's own.
void OpenToSerialGroup(int slave) {
    if (fchmod(slave, 0660) != 0) {
        ThrowErrno("setting the terminal's mode");
    }
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (getgrnam_r("dialout", &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr) {
        static_cast<void>(fchown(slave, static_cast<uid_t>(-1), found->gr_gid));
    }
}

} // namespace

PseudoTerminal::PseudoTerminal(Access access) {
    m_master.Reset(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!m_master) {
        ThrowErrno("posix_openpt");
    }
    if (grantpt(m_master.Get()) != 0 || unlockpt(m_master.Get()) != 0) {
        ThrowErrno("unlocking the terminal");
    }
    char name[PATH_MAX];
    if (ptsname_r(m_master.Get(), name, sizeof name) != 0) {
        ThrowErrno("ptsname_r");
    }
    m_slavePath = name;
    // Opened once before anyone watches the path and closed again, so that from then on the
    // master hangs up whenever no user has the slave open.
    const UniqueFd slave(ioctl(m_master.Get(), TIOCGPTPEER, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave) {
        ThrowErrno("opening the terminal");
    }
    const int flags = fcntl(m_master.Get(), F_GETFL);
    if (flags < 0 || fcntl(m_master.Get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        ThrowErrno("fcntl");
    }
    if (access == Access::SerialGroup) {
        OpenToSerialGroup(slave.Get());
    } else if (fchmod(slave.Get(), 0600) != 0) {
        ThrowErrno("setting the terminal's mode");
    }
    termios modes{};
    if (tcgetattr(slave.Get(), &modes) != 0) {
        ThrowErrno("tcgetattr");
    }
    MakeRaw(modes);
    // Reads wait for at least one byte, as readers of a serial device expect.
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    if (tcsetattr(slave.Get(), TCSANOW, &modes) != 0) {
        ThrowErrno("tcsetattr");
    }
}

void PseudoTerminal::KeepRaw() {
    termios modes{};
    if (tcgetattr(m_master.Get(), &modes) == 0 && !IsRaw(modes)) {
        MakeRaw(modes);
        tcsetattr(m_master.Get(), TCSANOW, &modes);
    }
}

void PseudoTerminal::DiscardUnread() {
    // Flushing through the master empties only its own input; setting the modes with a
    // flush empties the slave's.
    termios modes{};
    if (tcgetattr(m_master.Get(), &modes) == 0) {
        tcsetattr(m_master.Get(), TCSAFLUSH, &modes);
    }
}

bool PseudoTerminal::HasUsers() const {
    pollfd entry{m_master.Get(), 0, 0};
    // When the terminal cannot say, someone may be there: dropping bytes a reader waits for
    // is worse than leaving some unread.
    return poll(&entry, 1, 0) < 0 || (entry.revents & POLLHUP) == 0;
}
