#include "driver/host/DriverModule.h"

#include <dlfcn.h>
#include <initializer_list>
#include <stdexcept>
#include <string>

namespace {

std::string LoaderMessage() {
    const char* message = dlerror();
    return message != nullptr ? message : "unknown loader error";
}

void* Require(void* handle, const char* name) {
    dlerror();
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        throw std::runtime_error(std::string("the driver has no ") + name + ": " + LoaderMessage());
    }
    return symbol;
}

template <typename Function>
void Resolve(void* handle, const char* name, Function& function) {
    function = reinterpret_cast<Function>(Require(handle, name));
}

} // namespace

DriverModule::DriverModule(const std::filesystem::path& library) {
    m_handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        throw std::runtime_error("cannot load the driver: " + LoaderMessage());
    }
    try {
        Resolve(m_handle, "COM_Init", m_entryPoints.init);
        Resolve(m_handle, "COM_Deinit", m_entryPoints.deinit);
        Resolve(m_handle, "COM_Open", m_entryPoints.open);
        Resolve(m_handle, "COM_Close", m_entryPoints.close);
        Resolve(m_handle, "COM_Read", m_entryPoints.read);
        Resolve(m_handle, "COM_Write", m_entryPoints.write);
        for (const char* name : {"COM_Seek", "COM_IOControl", "COM_PowerUp", "COM_PowerDown"}) {
            Require(m_handle, name);
        }
    } catch (...) {
        dlclose(m_handle);
        throw;
    }
}

DriverModule::~DriverModule() {
    dlclose(m_handle);
}
