#pragma once

#include "platform/RegistryStore.h"

#include <cstdint>
#include <string>

// The settings accessor: choose the root, the key path and the value name, then make one read
// or write. Every call returns 0 on success and non-zero otherwise (a missing key or value is
// non-zero); a failed read leaves the caller's variable as it was, so a default set before the
// read stays in force.
//
// The choice of root, key and value belongs to this object, the values to the shared store:
// each thread that reads or writes settings uses an accessor of its own over the one store, so
// that one thread's choice of key never meets another thread's read.
class CRegistryAccessor {
public:
    explicit CRegistryAccessor(RegistryStore& store) : m_store(store) {}

    void SetRoot(RegistryRoot root) { m_root = root; }
    void SetKey(std::string keyPath) { m_key = std::move(keyPath); }
    void SetValueName(std::string name) { m_name = std::move(name); }

    int ReadDword(std::uint32_t& value);
    int ReadString(std::string& text);
    int ReadQword(std::uint64_t& value);

    // Create the key when needed and set the value.
    int WriteDword(std::uint32_t value);
    int WriteString(const std::string& text);
    int WriteQword(std::uint64_t value);

    // Deletes the subkey `name` of the current key with its values and subkeys.
    int DeleteSubkey(const std::string& name);

private:
    RegistryStore& m_store;
    RegistryRoot m_root = RegistryRoot::CurrentUser;
    std::string m_key;
    std::string m_name;
};
