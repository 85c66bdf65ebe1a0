#include "comm/RecordFile.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>

namespace {

constexpr std::array<const char*, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fr", "Sat"};

// 0 = Sunday. Day 0 of the calendar count (1970-01-01) was a Thursday.
int Weekday(CalendarTime time) {
    constexpr std::int64_t kSecondsPerDay = 86400;
    std::int64_t days = time / kSecondsPerDay;
    if (time % kSecondsPerDay < 0) {
        --days;
    }
    return static_cast<int>(((days + 4) % 7 + 7) % 7);
}

} // namespace

RecordFile::~RecordFile() {
    Close();
}

std::string RecordFile::FileName(CalendarTime start) {
    const CalendarFields f = SplitCalendarTime(start);
    char name[64];
    std::snprintf(name, sizeof name, "%.2d_%.2d_%.2d_%.2d_%.2d_%.2d_%s.txt", f.year, f.month, f.day,
                  f.hour, f.minute, f.second, kWeekdays[Weekday(start)]);
    return name;
}

int RecordFile::Create(const std::filesystem::path& path) {
    Close();
    // Appending: after a failed write is cut off, the next write lands at the new end.
    m_fd = m_calls.Open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        return errno;
    }
    m_path = path;
    m_size = 0;
    m_unsynced = false;
    m_lastSync = m_clock();
    m_failedCall = "";
    m_failureError = 0;
    m_unwrittenSentences = 0;
    return 0;
}

RecordFile::Outcome RecordFile::Append(std::string_view bytes) {
    if (m_fd < 0 || bytes.empty()) {
        return Outcome::NotWritten;
    }
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const ssize_t written = m_calls.Write(m_fd, rest.data(), rest.size());
        if (written > 0) {
            rest.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        NoteFailure("WriteFile", written < 0 ? errno : EIO);
        ++m_unwrittenSentences;
        // A sentence cut in half would stand in the file as a broken line.
        if (rest.size() != bytes.size() &&
            m_calls.Truncate(m_fd, static_cast<off_t>(m_size)) != 0) {
            m_size += bytes.size() - rest.size();
        }
        return Outcome::Failed;
    }
    m_size += bytes.size();
    m_unsynced = true;
    if (m_clock() - m_lastSync >= kSyncPeriod) {
        Sync();
    }
    return Outcome::Written;
}

void RecordFile::Sync() {
    m_lastSync = m_clock();
    m_unsynced = false;
    if (m_calls.DataSync(m_fd) != 0) {
        NoteFailure("FlushFileBuffers", errno);
    }
}

void RecordFile::NoteFailure(const char* call, int error) {
    if (m_failureError == 0) {
        m_failedCall = call;
        m_failureError = error;
    }
}

void RecordFile::Close() {
    if (m_fd >= 0 && m_unsynced) {
        Sync();
    }
    CloseDescriptor();
}

void RecordFile::CloseDescriptor() {
    if (m_fd >= 0) {
        m_calls.Close(m_fd);
        m_fd = -1;
    }
}

int RecordFile::Delete() {
    // Nothing of a file being deleted needs to reach the device.
    CloseDescriptor();
    if (m_path.empty()) {
        return 0;
    }
    return m_calls.Unlink(m_path.c_str()) == 0 ? 0 : errno;
}
