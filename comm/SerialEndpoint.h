#pragma once

#include "comm/CommEndpoint.h"
#include "comm/SerialPort.h"

#include <optional>
#include <string>

// A serial port endpoint: a source or destination on a tty, a pseudo-terminal, a device-folder
// name ("COMn:", "$device\COMn:") or the built-in GPS ("GPDn:", read from gpsd).
class SerialEndpoint final : public CommEndpoint {
public:
    explicit SerialEndpoint(ISystemCalls& calls = RealSystemCalls());
    ~SerialEndpoint() override;

    // Stores the port name; true when it differs from the stored one. Names of port 10 and
    // above ("COM" + number + ":" longer than 5 characters) are stored as "$device\" + name,
    // which is opened without the serial configuration; the comparison is in that form.
    bool SetPortName(const std::string& name);
    const std::string& GetPortName() const { return m_portName; }
    // The name begins with "COM": configured as a serial line, sent the keep-alive.
    bool IsComPort() const;
    // Opening the stored name connects to gpsd, which may take up to
    // SerialPort::kGpsdAnswerLimit to answer: a window opens it off its own thread.
    bool OpensThroughGpsd() const;

    // The port name of the running threads, fixed when the endpoint opened: the stored name
    // may change while they run (a new port is chosen before the restart).
    const std::string& RunningPortName() const { return m_runningPortName; }
    bool RunningOnComPort() const { return m_runningOnComPort; }

    SerialPort& Port() { return m_port; }

    // The line rate of the next opens: unset, as the settings say (for the source the chosen
    // rate, else detected; 57600 for a destination); 0, detected; else that rate. Only a
    // "COM" port whose rate matters (SerialPort::RateMatters) is set or detected.
    void SetBaudRate(std::optional<int> baud) { m_baudChoice = baud; }
    // What the open line runs at, for the user: "4800 baud", "detecting the baud rate"; empty
    // when nothing is open or the rate does not matter.
    std::string LineRateText() const;

    // Refuses without a message when the application or its parts, the port name or a
    // procedure is missing, or when `record` is set while a record file is open. Failures to
    // open or configure the port, to create the record file or to start a thread are reported.
    bool Open(ThreadProcedure receive, ThreadProcedure send, bool record) override;
    std::string Close() override;
    bool IsRunning() const override;

private:
    ResolvedDevice ResolveForOpen(ApplicationCore& application) const;
    std::optional<PortFailure> ConfigureLineRate(ApplicationCore& application);
    void CleanUpFailedOpen();

    SerialPort m_port;
    std::string m_portName;
    std::string m_runningPortName;
    bool m_runningOnComPort = false;
    bool m_recording = false;
    std::optional<int> m_baudChoice;
};

// The threads of a port that is written to (a destination, the autopilot port). The receive
// thread reads and drops what the device sends, so that its buffer never fills, but never reads
// the virtual port. The send thread first checks that the port is open (0 when it is, else its
// exit code); the writer writes bytes on it and reports a failed write.
int ConsumerSerialReceive(ApplicationCore* application, SerialEndpoint& endpoint);
int CheckConsumerSend(SerialEndpoint& endpoint);
CommEndpoint::WriteBytes ConsumerSerialWriter(SerialEndpoint& endpoint);

// The four serial thread procedures.
int SourceSerialRecvProc(ApplicationCore* application);
int SourceSerialSendProc(ApplicationCore* application);
int DestinationSerialRecvProc(ApplicationCore* application);
int DestinationSerialSendProc(ApplicationCore* application);
