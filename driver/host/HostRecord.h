#pragma once

#include "driver/host/UniqueFd.h"

#include <filesystem>
#include <string>

// The record file of a serving host, locked for the host's whole life. The lock is an open
// file description lock, so the kernel drops it the moment the host ends, however it ends:
// a record that can be locked describes a host that is gone.
class HostRecord {
public:
    // Opens (creating when missing) and locks the record. Throws PortTakenError when a live
    // host holds it, std::system_error when it cannot be opened.
    explicit HostRecord(std::filesystem::path path);
    // Removes the file when this host wrote it or found it new; a record left by a host that
    // is gone stays, so that its link is still recognised as a leftover.
    ~HostRecord();
    HostRecord(const HostRecord&) = delete;
    HostRecord& operator=(const HostRecord&) = delete;

    // What the record held when it was locked (the previous host's identity, or empty).
    const std::string& PreviousContents() const { return m_previous; }

    // Replaces the contents. Throws std::system_error.
    void Write(const std::string& contents);

private:
    std::filesystem::path m_path;
    UniqueFd m_fd;
    std::string m_previous;
    bool m_written = false;
};
