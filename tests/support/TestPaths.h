#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Where the tests find their data. The shared corpus of real receiver logs and KML files is
// optional: tests that need it call CorpusDirOrSkip() and are skipped when it is absent.
namespace testpaths {

// The project's own fixtures (tests/data).
std::filesystem::path TestDataDir();

// The folder of real files from other projects' test suites, when it is present.
std::optional<std::filesystem::path> CorpusDir();

// A fresh, empty folder that is removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Reads a whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// Writes bytes to a file, replacing it.
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// How a program run through the shell ended, and what it printed.
struct CommandRun {
    int exit = -1; // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs a shell command line; its standard output and error are caught in the files "out" and
// "err" of `dir`.
CommandRun RunCommand(const std::string& commandLine, const std::filesystem::path& dir);

} // namespace testpaths

// Skips the current test when the shared corpus is absent; otherwise yields its path.
#define CORPUS_DIR_OR_SKIP(var)                                                                    \
    const auto var##_opt = testpaths::CorpusDir();                                                 \
    if (!var##_opt) {                                                                              \
        GTEST_SKIP() << "shared corpus not found (set ZRV_CORPUS_DIR)";                            \
    }                                                                                              \
    const std::filesystem::path var = *var##_opt
