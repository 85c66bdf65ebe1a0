#pragma once

#include <cstdint>
#include <string_view>

// The driver's debug output. It is off unless the environment variable ZRV_DRIVER_TRACE names
// a sink, "stderr" or "syslog"; the choice is read once, so a switched-off trace costs one
// test of a flag per entry point.
inline constexpr const char* kTraceVariable = "ZRV_DRIVER_TRACE";
inline constexpr std::string_view kTraceToStderr = "stderr";
inline constexpr std::string_view kTraceToSyslog = "syslog";

bool TraceEnabled();

// Writes one line (which ends in "\n") to the chosen sink; nothing when the trace is off.
void TraceLine(std::string_view line);

// The lines around one entry point: "ZRV2SerialDrv - NAME" on construction, the context line
// when a label is given ("hOpenContext - 22136"), and "ZRV2SerialDrv - ~ NAME" on
// destruction, so the closing line is written on every way out.
class EntryTrace {
public:
    explicit EntryTrace(const char* name);
    EntryTrace(const char* name, const char* contextLabel, std::uint32_t context);
    // For COM_Init: its own opening line naming the registry context.
    EntryTrace(const char* name, const char* registryContext);
    ~EntryTrace();
    EntryTrace(const EntryTrace&) = delete;
    EntryTrace& operator=(const EntryTrace&) = delete;

private:
    const char* m_name;
};
