#pragma once

#include "platform/RegistryValue.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

// Key paths and value names compare without regard to ASCII case, as in the registry.
struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

using RegistryValues = std::map<std::string, RegistryValue, CaseInsensitiveLess>;

// Every key that was created or holds values, by its full backslash-separated path
// ("HKEY_CURRENT_USER\Software\..."). A key also exists when only keys below it are listed.
using RegistryTree = std::map<std::string, RegistryValues, CaseInsensitiveLess>;

// Drops backslashes at either end; nullopt for an empty path or an empty part ("A\\B").
std::optional<std::string> NormalizeKeyPath(std::string_view path);

bool KeyExists(const RegistryTree& tree, std::string_view key);
const RegistryValue* FindValue(const RegistryTree& tree, std::string_view key,
                               std::string_view name);
void SetValue(RegistryTree& tree, std::string_view key, std::string_view name, RegistryValue value);
// Removes the key with its values and every key below it; false when none of them existed.
bool DeleteKeyTree(RegistryTree& tree, std::string_view key);
