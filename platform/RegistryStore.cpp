#include "platform/RegistryStore.h"

#include "platform/PlatformPaths.h"
#include "platform/SettingsKeys.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>

namespace {

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

// The full path of a key below a root, or nullopt when the path is malformed.
std::optional<std::string> FullKeyPath(RegistryRoot root, std::string_view key) {
    const std::optional<std::string> normal = NormalizeKeyPath(key);
    if (!normal || HasControlCharacter(*normal)) {
        return std::nullopt;
    }
    return std::string(RegistryRootName(root)) + '\\' + *normal;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    const CaseInsensitiveLess less;
    return !less(a, b) && !less(b, a);
}

} // namespace

const char* RegistryRootName(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

int RegistryEdit::SetValue(std::string_view key, std::string_view name,
                           const RegistryValue& value) {
    const std::optional<std::string> full = FullKeyPath(RegistryRoot::CurrentUser, key);
    if (!full || HasControlCharacter(name)) {
        return EINVAL;
    }
    ::SetValue(m_tree, *full, name, value);
    return 0;
}

int RegistryEdit::DeleteKey(std::string_view key) {
    const std::optional<std::string> full = FullKeyPath(RegistryRoot::CurrentUser, key);
    if (!full) {
        return EINVAL;
    }
    return DeleteKeyTree(m_tree, *full) ? 0 : ENOENT;
}

RegistryStore::RegistryStore(const PlatformPaths& paths, IPrompts* reporter,
                             std::function<bool()> builtInGpsAnswers)
    : m_user(paths.userRegistryFile, true, reporter),
      m_machine(paths.machineRegistryFile, false, reporter),
      m_builtInGpsAnswers(std::move(builtInGpsAnswers)) {}

RegistryFile& RegistryStore::FileOf(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? m_user : m_machine;
}

int RegistryStore::Read(RegistryRoot root, std::string_view key, std::string_view name,
                        RegistryValue& out) {
    const std::optional<std::string> full = FullKeyPath(root, key);
    if (!full || HasControlCharacter(name)) {
        return EINVAL;
    }
    int result = ENOENT;
    FileOf(root).Read([&](const RegistryTree& tree) {
        if (const RegistryValue* value = FindValue(tree, *full, name)) {
            out = *value;
            result = 0;
        }
    });
    if (result == ENOENT && root == RegistryRoot::LocalMachine &&
        EqualIgnoringCase(*NormalizeKeyPath(key), settings_keys::kGpsMultiplexer) &&
        EqualIgnoringCase(name, settings_keys::kDriverInterface) && m_builtInGpsAnswers &&
        m_builtInGpsAnswers()) {
        out = RegistryValue::String("GPD0:");
        result = 0;
    }
    return result;
}

int RegistryStore::Write(RegistryRoot root, std::string_view key, std::string_view name,
                         const RegistryValue& value) {
    if (root != RegistryRoot::CurrentUser) {
        return EROFS;
    }
    return Edit([&](RegistryEdit& edit) { return edit.SetValue(key, name, value); });
}

int RegistryStore::DeleteKey(RegistryRoot root, std::string_view key) {
    if (root != RegistryRoot::CurrentUser) {
        return EROFS;
    }
    return Edit([&](RegistryEdit& edit) { return edit.DeleteKey(key); });
}

int RegistryStore::Edit(const std::function<int(RegistryEdit&)>& change) {
    return m_user.Update([&](RegistryTree& tree) {
        RegistryEdit edit(tree);
        return change(edit);
    });
}

RegistryTree RegistryStore::Snapshot(RegistryRoot root) {
    const std::string prefix = std::string(RegistryRootName(root)) + '\\';
    RegistryTree below;
    FileOf(root).Read([&](const RegistryTree& tree) {
        for (const auto& [key, values] : tree) {
            if (key.size() > prefix.size() &&
                EqualIgnoringCase(key.substr(0, prefix.size()), prefix)) {
                below.emplace(key.substr(prefix.size()), values);
            }
        }
    });
    return below;
}
