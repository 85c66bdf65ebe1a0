#include "driver/host/DeviceHost.h"
#include "driver/host/DeviceHostProtocol.h"
#include "driver/host/HostOptions.h"
#include "driver/host/PortTakenError.h"
#include "driver/host/StartupReport.h"
#include "driver/host/UniqueFd.h"

#include <cerrno>
#include <csignal>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <sys/signalfd.h>
#include <system_error>
#include <vector>

namespace {

// SIGTERM and SIGINT end the host in order (link and record removed); they are taken from a
// descriptor in the poll loop rather than by a handler. SIGHUP from the starter's terminal
// and SIGPIPE from a vanished control client are ignored.
UniqueFd TerminationSignals() {
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    UniqueFd fd(signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC));
    if (!fd) {
        throw std::system_error(errno, std::generic_category(), "signalfd");
    }
    return fd;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedHostOptions parsed = ParseHostOptions(args);
    if (parsed.help) {
        std::cout << HostUsage();
        return kHostServing;
    }
    if (!parsed.options) {
        std::cerr << "ppcZRV3DeviceHost: " << parsed.error << "\n" << HostUsage();
        return kHostUsage;
    }
    const std::string device = DeviceName(parsed.options->index);
    const auto refuse = [&device](const std::exception& error) {
        std::cerr << "ppcZRV3DeviceHost: " << device << " not served: " << error.what() << "\n";
    };
    std::optional<StartupReport> report;
    try {
        report.emplace(DetachFromStarter());
    } catch (const std::exception& error) {
        refuse(error);
        return kHostFailure;
    }
    // The starter is told only after the reason is on stderr, which the host still shares.
    try {
        const UniqueFd signals = TerminationSignals();
        DeviceHost host(*parsed.options, signals.Get());
        report->Send(kHostServing);
        return host.Serve() ? kHostServing : kHostFailure;
    } catch (const PortTakenError& error) {
        refuse(error);
        report->Send(kHostPortTaken);
        return kHostPortTaken;
    } catch (const std::exception& error) {
        refuse(error);
        report->Send(kHostFailure);
        return kHostFailure;
    }
}
