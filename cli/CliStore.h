#pragma once

#include "cli/ConflictPrompts.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/RegistryNavigationSettings.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"

#include <optional>
#include <string>

// The store and what it needs, opened from the command line's file or the documents folder.
class CliStore {
public:
    explicit CliStore(Conflicts conflicts);

    // Opens and reads the store; false (with the reason on stderr) when it cannot be read.
    bool Open(const std::optional<std::string>& file, bool forWriting);

    bool Save() { return !m_store.Save(*m_file).has_value(); }

    CNavigationDataBase& Store() { return m_store; }
    INavigationSettings& Settings() { return m_settings; }

private:
    PlatformPaths m_paths;
    ConflictPrompts m_prompts;
    RegistryStore m_registry;
    RegistryNavigationSettings m_settings;
    CNavigationDataBase m_store;
    std::optional<StoreFile> m_file;
};
