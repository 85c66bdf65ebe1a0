#include "comm/ServiceFiles.h"

#include <cstdlib>
#include <unistd.h>

namespace fs = std::filesystem;

std::vector<fs::path> ServiceSearchFolders(const char* overrideDir, const fs::path& programDir) {
    if (overrideDir != nullptr && *overrideDir != '\0') {
        return {fs::path(overrideDir)};
    }
    if (programDir.empty()) {
        return {};
    }
    const fs::path parent = programDir.parent_path();
    return {programDir, parent / "driver", parent / kInstalledServiceFolder};
}

std::vector<fs::path> DefaultServiceSearchFolders() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ServiceSearchFolders(std::getenv(kDriverDirVariable),
                                ec ? fs::path() : program.parent_path());
}

std::optional<std::string> DriverLibraryName(const std::string& handheldName) {
    if (handheldName.find_first_of("/\\") != std::string::npos) {
        return std::nullopt;
    }
    const std::string stem = fs::path(handheldName).stem().string();
    if (stem.empty() || stem.front() == '.') {
        return std::nullopt;
    }
    return "lib" + stem + ".so";
}

std::optional<fs::path> FindServiceFile(const std::vector<fs::path>& folders,
                                        const std::string& name, bool executable) {
    for (const fs::path& folder : folders) {
        for (const fs::path& candidate : {folder / name, folder / "host" / name}) {
            std::error_code ec;
            if (!fs::is_regular_file(candidate, ec)) {
                continue;
            }
            if (!executable || access(candidate.c_str(), X_OK) == 0) {
                const fs::path full = fs::absolute(candidate, ec);
                return ec ? candidate : full.lexically_normal();
            }
        }
    }
    return std::nullopt;
}
