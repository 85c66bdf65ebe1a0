#pragma once

#include "comm/DeviceManager.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// A device manager that answers as scripted and records every call as text.
class ScriptedDeviceManager final : public IDeviceManager {
public:
    std::uint32_t RegisterService(const std::string& prefix, int index, const std::string& library,
                                  std::uint32_t context, int& error) override {
        calls.push_back("Register " + prefix + " " + std::to_string(index) + " " + library + " " +
                        std::to_string(context));
        error = registerHandle == 0 ? registerError : error;
        return registerHandle;
    }
    bool DeregisterService(std::uint32_t handle, int& error) override {
        calls.push_back("Deregister " + std::to_string(handle));
        error = deregisterError != 0 ? deregisterError : error;
        return deregisterError == 0;
    }
    bool DeviceExists(const std::string& prefix, int index) override {
        return existing.count(prefix + std::to_string(index) + ":") != 0;
    }

    std::uint32_t registerHandle = 0x51;
    int registerError = 0;
    int deregisterError = 0;
    std::set<std::string> existing;
    std::vector<std::string> calls;
};
