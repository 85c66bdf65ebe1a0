#include "tests/support/CommaLocale.h"

#include "tests/support/TestPaths.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace testpaths {

namespace {

constexpr const char* kName = "de_DE.UTF-8";

// Compiled on first use into the build tree, where later test processes find it: compiling
// takes seconds. Test processes running at once each compile into a folder of their own and
// move it into place; the first to arrive wins and the others use its locale.
struct CompiledLocale {
    std::filesystem::path folder = ZRV_TEST_LOCALE_DIR;
    std::string error; // empty when the locale is in folder

    CompiledLocale() {
        if (std::filesystem::exists(folder / kName / "LC_NUMERIC")) {
            return;
        }
        const std::filesystem::path work = folder / ("compiling-" + std::to_string(getpid()));
        std::error_code ignored;
        std::filesystem::create_directories(work, ignored);
        const CommandRun found = RunCommand("command -v localedef", work);
        if (found.exit != 0) {
            error = "localedef is not installed";
        } else {
            // Warnings about the definitions end localedef with 1 though it wrote the locale;
            // the locale is judged by whether it loads.
            const CommandRun run =
                RunCommand("localedef -i de_DE -f UTF-8 '" + (work / kName).string() + "'", work);
            if (run.exit != 0 && run.exit != 1) {
                error = "localedef could not compile de_DE.UTF-8 (install the package "
                        "\"locales\"): " +
                        run.err;
            } else {
                std::filesystem::rename(work / kName, folder / kName, ignored);
            }
        }
        std::filesystem::remove_all(work, ignored);
    }
};

const CompiledLocale& Compiled() {
    static const CompiledLocale compiled;
    return compiled;
}

} // namespace

CommaLocale::CommaLocale() {
    const CompiledLocale& compiled = Compiled();
    m_unavailable = compiled.error;
    if (!m_unavailable.empty()) {
        return;
    }
    setenv("LOCPATH", compiled.folder.c_str(), 1);
    if (std::setlocale(LC_ALL, kName) == nullptr ||
        std::strcmp(std::localeconv()->decimal_point, ",") != 0) {
        m_unavailable = "the compiled de_DE.UTF-8 does not load or has no decimal comma";
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
}

CommaLocale::~CommaLocale() {
    if (m_unavailable.empty()) {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
}

} // namespace testpaths
