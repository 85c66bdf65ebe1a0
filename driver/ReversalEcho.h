#pragma once

#include <cstdint>

// The reversal-echo control request: the output receives the input's 16-bit units in reverse
// order, as many bytes as the input has (an odd last byte comes back as 0). The buffers may be
// the same. Fails with the output untouched when the output is shorter than the input, a
// buffer needed is missing, or memory runs out.
bool ReversalEcho(const std::uint8_t* in, std::uint32_t inLength, std::uint8_t* out,
                  std::uint32_t outLength);
