// Fuzz target for the store loader: any bytes loaded as a store file must neither crash nor
// hang, and what the store then writes must read back to the very same text.
#include "navigation/NavigationDataBase.h"
#include "platform/ScriptedPrompts.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class NoSettings final : public INavigationSettings {
public:
    std::uint32_t StartNumber(NavItemKind) override { return 0; }
    void SetStartNumber(NavItemKind, std::uint32_t) override {}
    std::optional<int> LastUsedIndex(NavItemKind) override { return std::nullopt; }
    void SetLastUsedIndex(NavItemKind, int) override {}
};

std::string LoadedText(std::string_view content) {
    ScriptedPrompts prompts; // conflicts take the default answer, No
    NoSettings settings;
    CNavigationDataBase store(prompts, settings);
    store.SetTickSource([] { return 1u; });
    store.FeedContent(content, "/fuzz/NaviStor.zrv");
    return store.StoreFileText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text =
        LoadedText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (LoadedText(text) != text) {
        std::abort();
    }
    return 0;
}
