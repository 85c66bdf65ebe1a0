// Takes arbitrary bytes apart as the response to the first SDP request. Nothing may crash or
// read out of bounds; an accepted response must account for every byte of the PDU.
#include "comm/SdpClient.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> pdu(data, size);
    SdpAttributeResponse response;
    if (ParseSerialPortSearchResponse(pdu, 1, response) != 0) {
        return 0;
    }
    const bool inside = response.attributeBytes.data() == data + 7 &&
                        response.continuation.data() == data + 8 + response.attributeBytes.size() &&
                        response.continuation.data() + response.continuation.size() == data + size;
    if (!inside || response.continuation.size() > kSdpMaxContinuationState) {
        std::abort();
    }
    return 0;
}
