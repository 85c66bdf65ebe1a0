#include "cli/CliStore.h"

#include "platform/DocumentsFolder.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

CliStore::CliStore(Conflicts conflicts)
    : m_paths(PlatformPaths::FromEnvironment()), m_prompts(conflicts),
      m_registry(m_paths, &m_prompts), m_settings(m_registry), m_store(m_prompts, m_settings) {}

bool CliStore::Open(const std::optional<std::string>& file, bool forWriting) {
    std::filesystem::path path;
    if (file) {
        path = *file;
    } else {
        const auto documents = FindDocumentsFolder(m_paths, m_prompts);
        if (!documents) {
            return false;
        }
        path = *documents / CNavigationDataBase::kStoreFileName;
    }
    m_file.emplace(std::filesystem::absolute(path));
    const auto access = forWriting ? StoreFile::Access::ReadWrite : StoreFile::Access::ReadOnly;
    if (const auto error = m_file->Open(access)) {
        std::fprintf(stderr, "ppcObrin3-cli: cannot open %s: %s\n", error->context.c_str(),
                     std::strerror(error->error));
        return false;
    }
    return m_store.Load(*m_file);
}
