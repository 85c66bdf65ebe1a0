#include "tests/support/TestPaths.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace testpaths {

namespace {

std::filesystem::path FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? value : fallback;
}

} // namespace

std::filesystem::path TestDataDir() {
    return FromEnvironment("ZRV_TEST_DATA_DIR", ZRV_DEFAULT_TEST_DATA_DIR);
}

std::optional<std::filesystem::path> CorpusDir() {
    std::filesystem::path dir = FromEnvironment("ZRV_CORPUS_DIR", ZRV_DEFAULT_CORPUS_DIR);
    std::error_code ec;
    if (!std::filesystem::is_directory(dir / "nmea", ec)) {
        return std::nullopt;
    }
    return dir;
}

TempDir::TempDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        std::ostringstream name;
        name << "zrv-test-" << std::hex << random();
        m_path = base / name.str();
        if (std::filesystem::create_directory(m_path)) {
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

CommandRun RunCommand(const std::string& commandLine, const std::filesystem::path& dir) {
    const std::string command =
        commandLine + " >'" + (dir / "out").string() + "' 2>'" + (dir / "err").string() + "'";
    const int status = std::system(command.c_str());
    CommandRun run;
    run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFileBytes(dir / "out");
    run.err = ReadFileBytes(dir / "err");
    return run;
}

} // namespace testpaths
