#pragma once

#include "driver/host/UniqueFd.h"

#include <string>

// The terminal pair that stands for the port. Users open the slave by its path (through the
// device link); the host works the master alone and keeps no slave descriptor of its own, so
// that the master hangs up exactly while no user has the slave open: that tells whether
// anyone is there even when several opens or closes came at the same moment. Modes are set
// and unread bytes discarded through the master, which acts on the slave's side.
class PseudoTerminal {
public:
    enum class Access {
        SerialGroup, // its owner and the "dialout" group, as serial devices are
        Owner,       // its owner alone
    };

    // Creates the pair with the slave raw, reads waiting for at least one byte (until a user
    // sets other timings), open as `access` says. Throws std::system_error.
    explicit PseudoTerminal(Access access);

    int Master() const { return m_master.Get(); }
    const std::string& SlavePath() const { return m_slavePath; }

    // The port has no line discipline, whatever a user asked for: echo would send what the
    // host hands to readers back to it as if a user had written it, and the translations
    // would change the bytes. Restores it when a user changed it. The read timings (minimum
    // count and time-out) and the speeds stay as users set them: a reader's time-out is how it
    // notices that the port fell silent.
    void KeepRaw();

    // Discards what users have not read yet.
    void DiscardUnread();

    // Whether any user has the slave open.
    bool HasUsers() const;

private:
    UniqueFd m_master;
    std::string m_slavePath;
};
