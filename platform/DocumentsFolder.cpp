#include "platform/DocumentsFolder.h"

#include "platform/PlatformPaths.h"
#include "platform/Prompts.h"

#include <system_error>

namespace fs = std::filesystem;

std::optional<fs::path> DocumentsFolder(const PlatformPaths& paths) {
    if (paths.documentsDir.empty()) {
        return std::nullopt;
    }
    std::error_code ec;
    fs::create_directories(paths.documentsDir, ec);
    if (!fs::is_directory(paths.documentsDir, ec)) {
        return std::nullopt;
    }
    return paths.documentsDir;
}

std::optional<fs::path> FindDocumentsFolder(const PlatformPaths& paths, IPrompts& prompts) {
    std::optional<fs::path> folder = DocumentsFolder(paths);
    if (!folder) {
        prompts.ShowError("SHGetSpecialFolderPath failed at CSIDL_PERSONAL");
    }
    return folder;
}

std::optional<fs::path> TemporaryFolder(const PlatformPaths& paths) {
    std::error_code ec;
    if (paths.tempDir.empty() || !fs::is_directory(paths.tempDir, ec)) {
        return std::nullopt;
    }
    return paths.tempDir;
}
