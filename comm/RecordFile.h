#pragma once

#include "comm/SystemCalls.h"
#include "platform/CalendarTime.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// The record file of a running source: every received sentence is appended with one write(2)
// as soon as it is complete, so that what was received is with the operating system before the
// next sentence is read, and a crash of the program loses nothing already received. While
// sentences arrive the file's data is synced to the device at most once a second, and once more
// when it is closed, so that a power cut loses at most the last second and leaves a file system
// (a FAT card) with a file whose size matches its data.
//
// A write that fails (a full disk, a file-size limit, a vanished volume) does not end the
// recording: the file is cut back to its last complete sentence, so what was written stays
// readable, and every later sentence is tried again, so that a disk with room again gets the
// rest. The first failure and the number of sentences that could not be written are kept for
// the report at the end of the recording.
class RecordFile {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::seconds kSyncPeriod{1};

    explicit RecordFile(ISystemCalls& calls = RealSystemCalls(),
                        Clock clock = std::chrono::steady_clock::now)
        : m_calls(calls), m_clock(std::move(clock)) {}
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // "2009_01_27_14_09_01_Tue.txt" for a recording started at that time: four-digit year,
    // month, day, hour, minute, second and the weekday ("Sun", "Mon", "Tue", "Wed", "Thu",
    // "Fr", "Sat").
    static std::string FileName(CalendarTime start);

    // Creates the file for writing; an existing file is never opened, so a recording can never
    // write over another one. 0 or the system's error number.
    int Create(const std::filesystem::path& path);
    bool IsOpen() const { return m_fd >= 0; }
    const std::filesystem::path& Path() const { return m_path; }

    enum class Outcome {
        Written,
        NotWritten, // not open, or nothing to write
        Failed,     // this write failed; the file holds what it held before
    };
    Outcome Append(std::string_view bytes);

    // The first failure since Create: the system call's name as the error box shows it
    // ("WriteFile", "FlushFileBuffers") and the error number; 0 when nothing failed.
    const char* FailedCall() const { return m_failedCall; }
    int FailureError() const { return m_failureError; }
    // The appends since Create that failed: sentences missing from the file.
    std::size_t UnwrittenSentences() const { return m_unwrittenSentences; }

    // Syncs what was written since the last sync, then closes the file.
    void Close();
    // Closes the file if open and deletes it; 0 or the system's error number.
    int Delete();
    // Forgets the path (after the file was kept or deleted).
    void ForgetPath() { m_path.clear(); }

private:
    void Sync();
    void CloseDescriptor();
    void NoteFailure(const char* call, int error);

    ISystemCalls& m_calls;
    Clock m_clock;
    int m_fd = -1;
    std::filesystem::path m_path;
    std::uint64_t m_size = 0; // bytes written, all of them complete sentences
    bool m_unsynced = false;
    std::chrono::steady_clock::time_point m_lastSync{};
    const char* m_failedCall = "";
    int m_failureError = 0;
    std::size_t m_unwrittenSentences = 0;
};
