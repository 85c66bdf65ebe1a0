#include "driver/ReversalEcho.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

bool ReversalEcho(const std::uint8_t* in, std::uint32_t inLength, std::uint8_t* out,
                  std::uint32_t outLength) {
    if (outLength < inLength || (inLength > 0 && (in == nullptr || out == nullptr))) {
        return false;
    }
    // A separate result buffer, so that the request may use one buffer for both directions.
    const std::size_t resultLength = std::size_t{inLength} + 1;
    const std::unique_ptr<std::uint8_t[]> result(new (std::nothrow) std::uint8_t[resultLength]());
    if (!result) {
        return false;
    }
    const std::size_t units = inLength / 2;
    for (std::size_t i = 0; i < units; ++i) {
        std::memcpy(result.get() + 2 * i, in + 2 * (units - 1 - i), 2);
    }
    if (inLength > 0) {
        std::memcpy(out, result.get(), inLength);
    }
    return true;
}
