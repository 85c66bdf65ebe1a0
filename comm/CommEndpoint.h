#pragma once

#include "comm/Event.h"
#include "comm/RecordFile.h"
#include "comm/SerialPort.h"
#include "comm/WorkerThreadSlot.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

class ApplicationCore;

// The base of the communication endpoints: a source (the device a recording reads from) or a
// destination (the device a playback writes to), each with a receive and a send thread. It
// holds what every transport shares: the two thread slots, the record file of a source with
// its "sentence recorded" flag, the hand-shake of a route upload, and the list playback switch.
class CommEndpoint {
public:
    // A worker-thread procedure; it gets the application object and reaches everything through
    // it. Its result is the thread's exit code.
    using ThreadProcedure = int (*)(ApplicationCore*);

    explicit CommEndpoint(ISystemCalls& calls);
    virtual ~CommEndpoint();
    CommEndpoint(const CommEndpoint&) = delete;
    CommEndpoint& operator=(const CommEndpoint&) = delete;

    // Start-up wiring: the application (thread parameter, document, prompts, view).
    void SetApplication(ApplicationCore* application);

    // Stops the threads, closes the device and the record file (asking whether to keep a file
    // that holds sentences). The path of a kept record file, else empty.
    virtual std::string Close() = 0;
    // Opens the device and starts the threads; with `record` also creates the record file.
    virtual bool Open(ThreadProcedure receive, ThreadProcedure send, bool record) = 0;
    // Between a successful Open and Close, even when its threads have ended on their own.
    virtual bool IsRunning() const;

    const std::string& ConnectedName() const { return m_connectedName; }
    // Counts the successful opens, so that work posted for one run never acts on the next.
    unsigned RunNumber() const { return m_runNumber.load(); }
    WorkerThreadSlot& SendSlot() { return m_sendSlot; }
    WorkerThreadSlot& ReceiveSlot() { return m_receiveSlot; }

    // --- Route upload hand-shake ---------------------------------------------------------

    void PostUploadRequest(std::int32_t route);
    bool PollUploadRequest(std::int32_t& route);
    void PostUploadDone(std::int32_t value);
    // Waits for the end of an upload; true with its value (1 complete, 0 failed), false when
    // the time ran out.
    bool WaitUploadDone(std::int32_t& value,
                        std::chrono::milliseconds limit = std::chrono::minutes(10));

    // --- List playback -------------------------------------------------------------------

    void SetListPlayback() { m_listPlayback.Set(); }
    void ClearListPlayback() { m_listPlayback.Reset(); }
    bool IsListPlayback() { return m_listPlayback.Wait(std::chrono::milliseconds(0)); }

    // --- Record file ---------------------------------------------------------------------

    bool IsRecordFileOpen() const { return m_recordFile.IsOpen(); }
    const std::filesystem::path& RecordFileName() const { return m_recordFile.Path(); }
    // Appends the text to the record file when it is open; `mark`: it is a received sentence.
    // A failed write leaves the file as it was; the failure is reported when the file closes.
    void WriteRecordLine(std::string_view text, bool mark);
    // Whether writing or syncing the last recording's record file failed (so sentences are
    // missing from it), known once the recording has stopped.
    bool RecordFileFailed() const { return m_recordFileFailed; }
    // The three header lines of a record file that is open: the program's version and
    // notice, and the source's "$PZRVSRC," line naming `source`.
    void WriteRecordHeaders(const std::string& source);

    // The hand-over of one complete received sentence: offered to the navigation store (which
    // takes WPL and RTE sentences that complete an item), else written to the record file; then
    // decoded into track 2 under its lock. False when storing a point ran out of memory ("Out
    // of memory" was shown).
    bool HandOverSentence(std::string_view sentence);

    // A device that failed (unplugged, hung up, I/O error): the first failure of a run is
    // reported with the system-error box, both threads are asked to stop, and the application
    // is asked to stop this endpoint as the user's command would (so a recording's file is
    // kept or deleted by the user's answer).
    void ReportDeviceFailure(const PortFailure& failure, const std::string& context);
    // The same with the transport's own message, shown as a failure box.
    void ReportDeviceFailure(const std::string& message);

    // Sends a route to the device: its WPL sentences, then its RTE sentences, one every
    // 250 ms, and posts the upload's end. 0 when done (complete or not), else the exit code
    // with which the calling send thread ends.
    using WriteBytes = std::function<SerialPort::WriteResult(std::string_view)>;
    int UploadRoute(std::int32_t route, WorkerThreadSlot& slot, const WriteBytes& write,
                    const std::string& context);

protected:
    // Creates the record file in the documents folder, named after now; tells track 2 its
    // name, clears the recorded flag and starts the keep-awake timer. False (reported) when
    // it could not be created.
    bool CreateRecordFile();
    // Closes the record file, reports once what could not be written to it, and keeps or
    // deletes it; returns the kept path or empty.
    std::string CloseRecordFile();
    // Starts both threads, receive first; false (reported) when a thread could not start.
    bool StartThreads(ThreadProcedure receive, ThreadProcedure send, const char* receiveName,
                      const char* sendName);
    // A new run: the failure report is armed again.
    void BeginRun() {
        m_failureReported = false;
        ++m_runNumber;
    }

    ApplicationCore* m_application = nullptr;
    WorkerThreadSlot m_sendSlot;
    WorkerThreadSlot m_receiveSlot;
    RecordFile m_recordFile;
    std::string m_recordPath; // the record file's path as the navigation store takes it
    std::string m_connectedName;

private:
    void ReportFailureOnce(const std::optional<std::string>& message);

    Event m_uploadRequest{Event::Kind::AutoReset};
    std::atomic<std::int32_t> m_uploadRequestValue{-1};
    Event m_uploadDone{Event::Kind::AutoReset};
    std::atomic<std::int32_t> m_uploadDoneValue{0};
    std::atomic<bool> m_sentenceRecorded{false};
    Event m_listPlayback{Event::Kind::ManualReset};
    std::atomic<bool> m_failureReported{false};
    std::atomic<unsigned> m_runNumber{0};
    bool m_recordFileFailed = false;
};
