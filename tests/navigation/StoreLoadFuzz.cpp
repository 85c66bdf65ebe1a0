// Fuzz target for the store loader: any bytes loaded as a store file must neither crash nor
// hang, and what the store then writes must read back to the very same text.
#include "navigation/NavigationDataBase.h"
#include "platform/ScriptedPrompts.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/NoNavigationSettings.h"

#include <cstdint>
#include <string_view>

namespace {

std::string LoadedText(std::string_view content) {
    ScriptedPrompts prompts; // conflicts take the default answer, No
    NoNavigationSettings settings;
    CNavigationDataBase store(prompts, settings);
    store.SetTickSource([] { return 1u; });
    store.FeedContent(content, "/fuzz/NaviStor.zrv");
    return store.StoreFileText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text =
        LoadedText(std::string_view(reinterpret_cast<const char*>(data), size));
    Require(LoadedText(text) == text);
    return 0;
}
