#include "app/ShutdownSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe of the one live object; its ends are only touched by the handler while it is set.
int g_pipe[2] = {-1, -1};

void OnSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a signal to act on; this one can go.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = saved;
}

} // namespace

ShutdownSignals::ShutdownSignals(std::function<void(int)> onSignal)
    : m_onSignal(std::move(onSignal)) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        // Without the pipe the signals keep their default action, as before.
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { ReadSignals(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) {
        sigaction(signal, &action, nullptr);
    }
}

ShutdownSignals::~ShutdownSignals() {
    if (g_pipe[0] < 0) {
        return;
    }
    for (const int signal : kSignals) {
        std::signal(signal, SIG_DFL);
    }
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void ShutdownSignals::ReadSignals() {
    unsigned char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1) {
        m_onSignal(number);
    }
}
