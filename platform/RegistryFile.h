#pragma once

#include "platform/RegistryTree.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>

class IPrompts;

// One settings file on disk, shared by every thread of this process and by the other
// processes of the program (the window and the command-line companion).
//
// Reading uses a copy that is refreshed whenever the file on disk changed. Every change is a
// read-modify-write under an advisory lock on "<file>.lock": the file is read again, changed,
// written to a temporary file, flushed and renamed over the old one, so that two writers never
// lose each other's values and a crash leaves either the old or the new file.
//
// A file that cannot be parsed is moved aside ("<file>.damaged", "<file>.damaged-2", ...),
// the user is told, and the program goes on as if the file were empty. A read-only file (the
// machine-wide settings) is never moved; its values are ignored while it stays damaged.
class RegistryFile {
public:
    RegistryFile(std::filesystem::path path, bool writable, IPrompts* reporter);
    RegistryFile(const RegistryFile&) = delete;
    RegistryFile& operator=(const RegistryFile&) = delete;

    // Calls `read` with the current content.
    void Read(const std::function<void(const RegistryTree&)>& read);

    // Applies `change` to the current content and stores the result. `change` returns 0 to
    // store, or an error number to leave the file alone; that number is returned. The file is
    // rewritten only when the content changed. Returns an errno value when the file could not
    // be read, kept or written.
    int Update(const std::function<int(RegistryTree&)>& change);

    const std::filesystem::path& Path() const { return m_path; }

    // What identifies one version of the file: each replacement is a new inode.
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        bool operator==(const Stamp&) const = default;
    };

private:
    struct Loaded {
        RegistryTree tree;
        std::optional<Stamp> stamp;        // nullopt: no file
        int error = 0;                     // errno of a file that exists but cannot be read
        std::optional<std::string> damage; // the parse error, when the text is not understood
    };

    Loaded Load() const;
    // Moves a damaged file aside; returns the message for the user. The lock is held.
    std::string KeepDamagedFile(const std::string& damage);
    std::string NotKeptMessage(const std::string& damage, int error) const;
    void Report(const std::string& message);

    std::filesystem::path m_path;
    bool m_writable;
    IPrompts* m_reporter;
    std::mutex m_mutex;
    RegistryTree m_tree;
    std::optional<Stamp> m_stamp;
    bool m_loaded = false;
};
