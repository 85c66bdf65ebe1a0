#pragma once

#include <chrono>
#include <string>
#include <string_view>

// A pseudo-terminal pair standing in for a receiver or a consumer: the test holds the master,
// the code under test opens the slave by its path like any serial port.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }
    int Master() const { return m_master; }

    // Writes all bytes into the master (what the slave's reader receives).
    void Write(std::string_view bytes);
    // Reads from the master until `count` bytes arrived or `limit` passed.
    std::string Read(std::size_t count, std::chrono::milliseconds limit);
    // Reads what arrives until nothing came for `quiet`.
    std::string ReadUntilQuiet(std::chrono::milliseconds quiet);
    // Hangs up: the slave's reader sees the device vanish.
    void CloseMaster();

private:
    int m_master = -1;
    std::string m_slavePath;
};
