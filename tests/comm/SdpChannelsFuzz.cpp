// Reads arbitrary bytes as service search results: the walk must end, stay inside the bytes
// and never report more channels than there are bytes.
#include "comm/SdpChannels.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> channels = RfcommChannels({data, size});
    if (channels.size() > size) {
        std::abort();
    }
    return 0;
}
