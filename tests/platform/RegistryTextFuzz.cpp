// Parses arbitrary bytes as a settings file. A text that is understood must write out to a
// text that reads back to the same settings; one that is not must say where and why.
#include "platform/RegistryText.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const RegistryParseResult parsed =
        ParseRegistryText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (parsed.error) {
        Require(parsed.error->line >= 1 && !parsed.error->reason.empty() && parsed.tree.empty());
        return 0;
    }
    const std::string written = FormatRegistryText(parsed.tree);
    const RegistryParseResult reread = ParseRegistryText(written);
    Require(!reread.error && reread.tree == parsed.tree);
    return 0;
}
