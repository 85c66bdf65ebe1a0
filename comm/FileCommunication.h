#pragma once

#include "comm/WorkerThreadSlot.h"

#include <atomic>
#include <functional>
#include <string>

class IPrompts;

// A file reader with its worker thread: the playback reader (a record file into track 1), the
// store reader (the navigation store at start-up) and the save reader ("Save Changes Now").
// The file is opened on the caller's thread, so that a failure is reported at once; the
// thread then reads it and, when it ends on its own, the reader's finishing step runs.
class FileCommunication {
public:
    // Opens the file; 0 or the system's error number.
    using Opener = std::function<int()>;
    // How a reader ended.
    enum class ReadEnd { EndOfFile, Stopped, Failed };
    // Reads the file on the worker thread, asking the slot whether to go on.
    using Reader = std::function<ReadEnd(WorkerThreadSlot& slot)>;
    // Runs on the worker thread after the reader returned by itself (not after a stop).
    using Finisher = std::function<void(bool reachedEnd)>;

    FileCommunication() = default;
    FileCommunication(const FileCommunication&) = delete;
    FileCommunication& operator=(const FileCommunication&) = delete;

    void SetPrompts(IPrompts* prompts);

    // Opens `path` with `open` and starts `read` at below-normal priority. A reader whose
    // thread still runs is refused (callers stop it first). Failures are reported: "File open
    // for %1 failed" (%1 = path), "AfxBeginThread failed for FileCommunication".
    bool Start(const std::string& path, const Opener& open, Reader read, Finisher finish);
    // Ends the thread (the file is closed by its reader).
    void Stop() { m_slot.Stop(); }
    // Asks the thread to end without waiting for it.
    void RequestStop() { m_slot.RequestStop(); }
    bool IsRunning() const { return m_slot.IsAlive(); }
    const std::string& Path() const { return m_path; }

private:
    WorkerThreadSlot m_slot;
    IPrompts* m_prompts = nullptr;
    std::string m_path;
};
