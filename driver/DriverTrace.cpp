#include "driver/DriverTrace.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <syslog.h>
#include <unistd.h>

namespace {

enum class TraceSink { Off, Stderr, Syslog };

TraceSink ChosenSink() {
    static const TraceSink sink = [] {
        const char* value = std::getenv(kTraceVariable);
        const std::string_view name = value != nullptr ? value : "";
        if (name == kTraceToStderr) {
            return TraceSink::Stderr;
        }
        if (name == kTraceToSyslog) {
            openlog("ppcZRV3SerialDrv", LOG_PID, LOG_USER);
            return TraceSink::Syslog;
        }
        return TraceSink::Off;
    }();
    return sink;
}

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

constexpr const char* kPrefix = "ZRV2SerialDrv - ";

// Formats into a fixed buffer: the trace allocates nothing, so it cannot throw out of an
// entry point. An overlong registry context is cut.
__attribute__((format(printf, 1, 2))) void TraceFormatted(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length < 0) {
        return;
    }
    const auto size = std::min(static_cast<std::size_t>(length), sizeof line - 1);
    if (size == sizeof line - 1) {
        line[size - 1] = '\n';
    }
    TraceLine(std::string_view(line, size));
}

} // namespace

bool TraceEnabled() {
    return ChosenSink() != TraceSink::Off;
}

void TraceLine(std::string_view line) {
    switch (ChosenSink()) {
    case TraceSink::Off:
        return;
    case TraceSink::Stderr:
        // One write per line, so that lines of different threads do not mix.
        WriteAll(STDERR_FILENO, line);
        return;
    case TraceSink::Syslog:
        if (!line.empty() && line.back() == '\n') {
            line.remove_suffix(1);
        }
        syslog(LOG_DEBUG, "%.*s", static_cast<int>(line.size()), line.data());
        return;
    }
}

EntryTrace::EntryTrace(const char* name) : m_name(name) {
    if (TraceEnabled()) {
        TraceFormatted("%s%s\n", kPrefix, name);
    }
}

EntryTrace::EntryTrace(const char* name, const char* contextLabel, std::uint32_t context)
    : EntryTrace(name) {
    if (TraceEnabled()) {
        // The context is shown as a signed number, as the platform's "%ld" showed it.
        const long shown = static_cast<std::int32_t>(context);
        TraceFormatted("%s - %ld\n", contextLabel, shown);
    }
}

EntryTrace::EntryTrace(const char* name, const char* registryContext) : m_name(name) {
    if (TraceEnabled()) {
        TraceFormatted("%s%s - Context: %s\n", kPrefix, name,
                       registryContext != nullptr ? registryContext : "");
    }
}

EntryTrace::~EntryTrace() {
    if (TraceEnabled()) {
        TraceFormatted("%s~ %s\n", kPrefix, m_name);
    }
}
