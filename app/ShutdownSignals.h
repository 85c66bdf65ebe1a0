#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// SIGTERM (a system shutdown), SIGHUP (the session or the terminal went away) and SIGINT
// (Ctrl-C) brought into the event loop, where the program can end in order: the handler only
// writes the signal's number into a pipe, whose reading end a socket notifier watches. One
// object at a time; the signals take their default action again when it is destroyed.
class ShutdownSignals final : public QObject {
public:
    explicit ShutdownSignals(std::function<void(int)> onSignal);
    ~ShutdownSignals() override;
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

private:
    void ReadSignals();

    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};
