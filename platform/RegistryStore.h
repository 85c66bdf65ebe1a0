#pragma once

#include "platform/RegistryFile.h"
#include "platform/RegistryTree.h"
#include "platform/RegistryValue.h"

#include <functional>
#include <string_view>

class IPrompts;
struct PlatformPaths;

enum class RegistryRoot { CurrentUser, LocalMachine };

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const char* RegistryRootName(RegistryRoot root);

// Changes of the current user's settings gathered into one replacement of the file. Keys are
// paths from the current-user root.
class RegistryEdit {
public:
    explicit RegistryEdit(RegistryTree& tree) : m_tree(tree) {}
    // 0, or EINVAL for a malformed key path or name.
    int SetValue(std::string_view key, std::string_view name, const RegistryValue& value);
    // 0, ENOENT when the key does not exist, EINVAL for a malformed key path.
    int DeleteKey(std::string_view key);

private:
    RegistryTree& m_tree;
};

// The registry of this program: the current user's settings file (read and written) and the
// machine-wide settings file (read only). Safe to use from several threads and processes.
//
// On the machine root, the port of the built-in GPS ("DriverInterface" of the multiplexer key)
// is "GPD0:" when the machine file does not name one and gpsd answers.
class RegistryStore {
public:
    RegistryStore(const PlatformPaths& paths, IPrompts* reporter,
                  std::function<bool()> builtInGpsAnswers = {});

    // Every function returns 0 on success, otherwise an errno value: ENOENT for a missing key
    // or value (or a value of another type), EINVAL for a malformed key path or name, EROFS
    // for a change of the machine root, others when the file could not be read or written.
    int Read(RegistryRoot root, std::string_view key, std::string_view name, RegistryValue& out);
    int Write(RegistryRoot root, std::string_view key, std::string_view name,
              const RegistryValue& value);
    // Removes the key with all its values and every key below it.
    int DeleteKey(RegistryRoot root, std::string_view key);

    // Applies several changes of the current user's settings at once; `change` returns 0 to
    // keep them or an error number to drop them all.
    int Edit(const std::function<int(RegistryEdit&)>& change);

    // The keys and values below a root, with paths from the root.
    RegistryTree Snapshot(RegistryRoot root);

private:
    RegistryFile& FileOf(RegistryRoot root);

    RegistryFile m_user;
    RegistryFile m_machine;
    std::function<bool()> m_builtInGpsAnswers;
};
