#pragma once

#include <cstdint>

// The stream-interface entry points of the "COM" driver, exported with C linkage so that the
// device host finds them by name. Contexts, counts and lengths are 32-bit as on the handheld
// platform; a result that was a BOOL there is an int here (nonzero = success).

inline constexpr std::uint32_t kComDeviceContext = 0x1234;
inline constexpr std::uint32_t kComOpenContext = 0x5678;
// The control code that echoes its input with the 16-bit units in reverse order.
inline constexpr std::uint32_t kComReversalEchoCode = 42;

extern "C" {

std::uint32_t COM_Init(const char* registryContext);
int COM_Deinit(std::uint32_t deviceContext);
std::uint32_t COM_Open(std::uint32_t deviceContext, std::uint32_t accessCode,
                       std::uint32_t shareMode);
int COM_Close(std::uint32_t openContext);
std::uint32_t COM_Read(std::uint32_t openContext, void* buffer, std::uint32_t count);
std::uint32_t COM_Write(std::uint32_t openContext, const void* buffer, std::uint32_t count);
std::uint32_t COM_Seek(std::uint32_t openContext, std::int32_t amount, std::uint32_t method);
int COM_IOControl(std::uint32_t openContext, std::uint32_t code, const std::uint8_t* inBuffer,
                  std::uint32_t inLength, std::uint8_t* outBuffer, std::uint32_t outLength,
                  std::uint32_t* actualOutLength);
void COM_PowerUp(std::uint32_t deviceContext);
void COM_PowerDown(std::uint32_t deviceContext);

} // extern "C"
