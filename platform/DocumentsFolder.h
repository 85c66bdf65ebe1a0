#pragma once

#include <filesystem>
#include <optional>

class IPrompts;
struct PlatformPaths;

// The user's documents folder, created when missing; nullopt when there is none and it cannot
// be created.
std::optional<std::filesystem::path> DocumentsFolder(const PlatformPaths& paths);

// The same, and on failure the program's message for it ("SHGetSpecialFolderPath failed at
// CSIDL_PERSONAL", caption "Irreparable Error").
std::optional<std::filesystem::path> FindDocumentsFolder(const PlatformPaths& paths,
                                                         IPrompts& prompts);

// The system temporary folder; nullopt when it is unknown or not a folder.
std::optional<std::filesystem::path> TemporaryFolder(const PlatformPaths& paths);
