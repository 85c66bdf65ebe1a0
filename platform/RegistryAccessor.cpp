#include "platform/RegistryAccessor.h"

#include <cerrno>

namespace {

template <typename T, typename Get>
int ReadAs(RegistryStore& store, RegistryRoot root, const std::string& key, const std::string& name,
           T& out, Get get) {
    RegistryValue value;
    const int result = store.Read(root, key, name, value);
    if (result != 0) {
        return result;
    }
    const auto typed = (value.*get)();
    if (!typed) {
        return ENOENT;
    }
    out = *typed;
    return 0;
}

} // namespace

int CRegistryAccessor::ReadDword(std::uint32_t& value) {
    return ReadAs(m_store, m_root, m_key, m_name, value, &RegistryValue::AsDword);
}

int CRegistryAccessor::ReadString(std::string& text) {
    return ReadAs(m_store, m_root, m_key, m_name, text, &RegistryValue::AsString);
}

int CRegistryAccessor::ReadQword(std::uint64_t& value) {
    return ReadAs(m_store, m_root, m_key, m_name, value, &RegistryValue::AsQword);
}

int CRegistryAccessor::WriteDword(std::uint32_t value) {
    return m_store.Write(m_root, m_key, m_name, RegistryValue::Dword(value));
}

int CRegistryAccessor::WriteString(const std::string& text) {
    return m_store.Write(m_root, m_key, m_name, RegistryValue::String(text));
}

int CRegistryAccessor::WriteQword(std::uint64_t value) {
    return m_store.Write(m_root, m_key, m_name, RegistryValue::Qword(value));
}

int CRegistryAccessor::DeleteSubkey(const std::string& name) {
    if (name.empty()) {
        return EINVAL;
    }
    return m_store.DeleteKey(m_root, m_key + '\\' + name);
}
