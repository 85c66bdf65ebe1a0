#pragma once

#include "navigation/StoreFileFormat.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Why a store file operation failed: the system call, its errno and the path concerned.
struct StoreFileError {
    std::string call;
    int error = 0;
    std::string context;
};

// The steps of opening and saving the store file, in order, for an observer that watches them.
enum class StoreFileStep {
    Opened,               // the file is open and not yet locked
    WaitingForLock,       // another program holds the lock; waiting a moment before trying again
    TemporaryFileWritten, // "NaviStor.zrv~.tmp" holds the new store, flushed to the disk
    NewFileWritten,       // it was renamed "NaviStor.zrv~"
    BackupLinked,         // the old store has a second name beside the backup
    BackupReplaced,       // that name replaced the backup "NaviStor.zr~"
    StoreReplaced,        // the new file replaced "NaviStor.zrv"
};

// A complete copy of the store kept beside it.
struct StoreCopy {
    std::filesystem::path path;
    std::string content;
};

// The navigation store file "NaviStor.zrv" on disk, with its backup "NaviStor.zr~" and the new
// file "NaviStor.zrv~" of a save.
//
// While open for writing the file is held with an exclusive lock, so that a second program
// (another window, the command-line companion) cannot write over it; that program may still
// open it for reading. The lock is taken on the file that is at the path once it is locked: a
// file that another program's save replaced between opening and locking is left for the new
// one.
//
// A save writes the new file completely under a temporary name, flushes it to the disk and
// names it "NaviStor.zrv~", then makes the old store the backup (only when it was read whole:
// a damaged store never replaces a complete backup), and then renames the new file over the
// store in one step. At every moment "NaviStor.zrv" is the old or the new store and the newest
// complete copy keeps a name. When a crash of an older version left the store missing or empty
// beside a complete backup or new file, opening for writing first puts the newest complete one
// back in place.
class StoreFile {
public:
    enum class Access { ReadWrite, ReadOnly };

    // `storePath` is the full path of "NaviStor.zrv".
    explicit StoreFile(std::filesystem::path storePath);
    ~StoreFile();
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;

    // Told after each step (tests stop a process there, or let another program in).
    void SetStepObserver(std::function<void(StoreFileStep)> observer);

    // ReadWrite creates a missing file empty (never truncating one), recovers as described
    // above and takes the lock; when another program holds the lock the file is open for
    // reading only (IsHeldByOther). ReadOnly opens an existing file for reading.
    std::optional<StoreFileError> Open(Access access);
    void Close();
    // Opens for writing again when another program held the lock: tries until the lock is
    // taken or the lock wait has passed (a program that is saving lets go within moments).
    // Afterwards CanWrite tells whether the lock was taken; the file must then be read again.
    std::optional<StoreFileError> TakeLockAgain();
    // How long TakeLockAgain waits for another program.
    void SetLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }

    bool IsOpen() const { return m_fd >= 0; }
    // Open, and another program holds the store.
    bool IsHeldByOther() const { return m_heldByOther; }
    // Open for writing with the lock held.
    bool CanWrite() const { return m_fd >= 0 && m_access == Access::ReadWrite && !m_heldByOther; }
    // The file that Open put back in place of a missing or empty store.
    const std::optional<std::filesystem::path>& RecoveredFrom() const { return m_recoveredFrom; }

    // The whole content of the open file, checked line by line (LastReadCheck). A file without
    // the end line counts as cut short at a line end when its complete backup has the end
    // line or is longer and begins with the same text.
    std::optional<StoreFileError> ReadAll(std::string& content);
    const StoreTextCheck& LastReadCheck() const { return m_lastReadCheck; }
    // The file's content as this program last read or wrote it (another program may have
    // saved since).
    const std::string& KnownContent() const { return m_knownContent; }
    // The newest of the new file and the backup that is not empty and loads in full.
    std::optional<StoreCopy> NewestCompleteCopy() const;
    // Writes a damaged store's bytes beside the store under a name of their own that no file
    // has yet ("NaviStor-damaged-1.zrv", "-2", ...), flushed to the disk. The name written.
    std::optional<StoreFileError> KeepAside(std::string_view content,
                                            std::filesystem::path& keptAs) const;
    // Replaces the store with `content` as described above; needs CanWrite.
    std::optional<StoreFileError> Replace(std::string_view content);

    const std::filesystem::path& Path() const { return m_path; }
    // "NaviStor.zr~": the store path with its last character replaced by "~".
    std::filesystem::path BackupPath() const;
    // "NaviStor.zrv~": the store path with "~" appended.
    std::filesystem::path NewFilePath() const;
    // "NaviStor.zrv~.tmp": where a save writes before the new file gets its name.
    std::filesystem::path TemporaryPath() const;

private:
    std::optional<StoreFileError> OpenLocked();
    std::optional<StoreFileError> RecoverIfEmpty();
    bool BackupShowsCut(std::string_view content) const;
    std::optional<StoreFileError> WriteNewFile(std::string_view content, int& fd) const;
    std::optional<StoreFileError> KeepBackup() const;
    std::optional<StoreFileError> MoveIntoPlace(const std::filesystem::path& from, int newFd);
    void Step(StoreFileStep step) const;

    std::filesystem::path m_path;
    int m_fd = -1;
    Access m_access = Access::ReadOnly;
    bool m_heldByOther = false;
    // The open file is a complete store that is worth keeping as the backup.
    bool m_holdsCompleteStore = false;
    StoreTextCheck m_lastReadCheck;
    std::string m_knownContent;
    std::chrono::milliseconds m_lockWait{std::chrono::seconds(5)};
    std::optional<std::filesystem::path> m_recoveredFrom;
    std::function<void(StoreFileStep)> m_observer;
};
