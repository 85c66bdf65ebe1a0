#include "platform/RegistryTree.h"

#include <algorithm>

namespace {

unsigned char Lower(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return Lower(a) == Lower(b); });
}

} // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
}

std::optional<std::string> NormalizeKeyPath(std::string_view path) {
    while (!path.empty() && path.front() == '\\') {
        path.remove_prefix(1);
    }
    while (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
    }
    if (path.empty() || path.find("\\\\") != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(path);
}

bool KeyExists(const RegistryTree& tree, std::string_view key) {
    if (tree.contains(key)) {
        return true;
    }
    const std::string prefix = std::string(key) + '\\';
    const auto below = tree.lower_bound(prefix);
    return below != tree.end() && StartsWithIgnoringCase(below->first, prefix);
}

const RegistryValue* FindValue(const RegistryTree& tree, std::string_view key,
                               std::string_view name) {
    const auto k = tree.find(key);
    if (k == tree.end()) {
        return nullptr;
    }
    const auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
}

void SetValue(RegistryTree& tree, std::string_view key, std::string_view name,
              RegistryValue value) {
    auto k = tree.find(key);
    if (k == tree.end()) {
        k = tree.emplace(std::string(key), RegistryValues{}).first;
    }
    auto v = k->second.find(name);
    if (v == k->second.end()) {
        k->second.emplace(std::string(name), std::move(value));
    } else {
        v->second = std::move(value);
    }
}

bool DeleteKeyTree(RegistryTree& tree, std::string_view key) {
    const auto self = tree.find(key);
    const bool had = self != tree.end();
    if (had) {
        tree.erase(self);
    }
    const std::string prefix = std::string(key) + '\\';
    auto first = tree.lower_bound(prefix);
    auto last = first;
    while (last != tree.end() && StartsWithIgnoringCase(last->first, prefix)) {
        ++last;
    }
    const bool hadBelow = first != last;
    tree.erase(first, last);
    return had || hadBelow;
}
