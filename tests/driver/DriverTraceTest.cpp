#include "driver/StreamInterface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// The trace setting is read once per loaded driver, so each case loads the library afresh in
// a child process with its own environment and collects what it writes to stderr.
namespace {

template <typename Function>
Function Entry(void* library, const char* name) {
    return reinterpret_cast<Function>(dlsym(library, name));
}

// Calls every entry point once, as the device manager and a user would.
void CallEveryEntryPoint(void* library) {
    const auto init = Entry<decltype(&COM_Init)>(library, "COM_Init");
    const auto open = Entry<decltype(&COM_Open)>(library, "COM_Open");
    const auto write = Entry<decltype(&COM_Write)>(library, "COM_Write");
    const auto read = Entry<decltype(&COM_Read)>(library, "COM_Read");
    const auto seek = Entry<decltype(&COM_Seek)>(library, "COM_Seek");
    const auto control = Entry<decltype(&COM_IOControl)>(library, "COM_IOControl");
    const auto powerDown = Entry<decltype(&COM_PowerDown)>(library, "COM_PowerDown");
    const auto powerUp = Entry<decltype(&COM_PowerUp)>(library, "COM_PowerUp");
    const auto close = Entry<decltype(&COM_Close)>(library, "COM_Close");
    const auto deinit = Entry<decltype(&COM_Deinit)>(library, "COM_Deinit");
    const std::uint32_t device = init("Drivers\\Active\\7");
    const std::uint32_t opened = open(device, 0, 0);
    char buffer[4] = {'a', 'b', 'c', 'd'};
    write(opened, buffer, 4);
    read(opened, buffer, 4);
    seek(opened, 0, 0);
    std::uint8_t out[4];
    std::uint32_t actual = 0;
    control(opened, kComReversalEchoCode, reinterpret_cast<std::uint8_t*>(buffer), 4, out, 4,
            &actual);
    control(opened, 7, nullptr, 0, nullptr, 0, nullptr);
    powerDown(device);
    powerUp(device);
    close(opened);
    deinit(device);
}

// Runs CallEveryEntryPoint in a child with ZRV_DRIVER_TRACE set to sink (unset when null)
// and returns its stderr.
std::string TraceOfChild(const char* sink) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return "pipe failed";
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDERR_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        if (sink != nullptr) {
            setenv("ZRV_DRIVER_TRACE", sink, 1);
        } else {
            unsetenv("ZRV_DRIVER_TRACE");
        }
        void* library = dlopen(ZRV_SERIAL_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            _exit(2);
        }
        CallEveryEntryPoint(library);
        _exit(0);
    }
    close(pipeEnds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child failed";
    return text;
}

TEST(DriverTraceTest, WritesTheEntryAndExitLinesOfEveryEntryPointWhenSwitchedOn) {
    EXPECT_EQ(TraceOfChild("stderr"), "ZRV2SerialDrv - COM_Init - Context: Drivers\\Active\\7\n"
                                      "ZRV2SerialDrv - ~ COM_Init\n"
                                      "ZRV2SerialDrv - COM_Open\n"
                                      "hDeviceContext - 4660\n"
                                      "ZRV2SerialDrv - ~ COM_Open\n"
                                      "ZRV2SerialDrv - COM_Write\n"
                                      "hOpenContext - 22136\n"
                                      "ZRV2SerialDrv - ~ COM_Write\n"
                                      "ZRV2SerialDrv - COM_Read\n"
                                      "hOpenContext - 22136\n"
                                      "ZRV2SerialDrv - ~ COM_Read\n"
                                      "ZRV2SerialDrv - COM_Seek\n"
                                      "hOpenContext - 22136\n"
                                      "ZRV2SerialDrv - ~ COM_Seek\n"
                                      "ZRV2SerialDrv - COM_IOControl\n"
                                      "hOpenContext - 22136\n"
                                      "DRIVER ZRV IOCTL...\n"
                                      "ZRV2SerialDrv - ~ COM_IOControl\n"
                                      "ZRV2SerialDrv - COM_IOControl\n"
                                      "hOpenContext - 22136\n"
                                      "Unknown IOCTL\n"
                                      "ZRV2SerialDrv - ~ COM_IOControl\n"
                                      "ZRV2SerialDrv - COM_PowerDown\n"
                                      "hDeviceContext - 4660\n"
                                      "ZRV2SerialDrv - ~ COM_PowerDown\n"
                                      "ZRV2SerialDrv - COM_PowerUp\n"
                                      "hDeviceContext - 4660\n"
                                      "ZRV2SerialDrv - ~ COM_PowerUp\n"
                                      "ZRV2SerialDrv - COM_Close\n"
                                      "hOpenContext - 22136\n"
                                      "ZRV2SerialDrv - ~ COM_Close\n"
                                      "ZRV2SerialDrv - COM_Deinit\n"
                                      "ZRV2SerialDrv - ~ COM_Deinit\n");
}

TEST(DriverTraceTest, IsSilentUnlessSwitchedOn) {
    EXPECT_EQ(TraceOfChild(nullptr), "");
    EXPECT_EQ(TraceOfChild("nonsense"), "");
}

} // namespace
