#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Where a NamedItemList keeps an index that must keep naming the same item.
enum class ListMark : int { Current = 0, LastUsed = 1, Target = 2 };

// The ordered items of one kind of the navigation store (waypoints or routes) with a hash index
// of their names beside the array, so that finding a name does not scan the array.
//
// Order and indices are those of a plain array: new items are appended, and an index counts the
// items before it. Removing an item or moving it to the end leaves a hole that is closed the
// next time an index is asked for, so that a run of removals or moves (an import of a file
// whose waypoints are all known already) costs one pass over the array, not one per item.
//
// Marks are indices kept for the owner (current item, last used item, navigation target): they
// follow their item when it moves and become -1 when it is removed.
//
// Names are expected to be unique; the owner checks before it appends.
template <typename Item>
class NamedItemList {
public:
    int Count() const { return static_cast<int>(m_slots.size() - m_holes); }
    bool IsValidIndex(int index) const { return index >= 0 && index < Count(); }

    Item& At(int index) {
        Compact();
        return *m_slots[static_cast<std::size_t>(index)];
    }
    const Item& At(int index) const {
        Compact();
        return *m_slots[static_cast<std::size_t>(index)];
    }

    // Index of the item of that name; -1 when there is none.
    int Find(std::string_view name) const {
        Compact();
        const auto it = m_byName.find(name);
        return it == m_byName.end() ? -1 : static_cast<int>(it->second);
    }
    // The item of that name without closing holes; null when there is none. Valid until the
    // list changes.
    const Item* FindItem(std::string_view name) const {
        const auto it = m_byName.find(name);
        return it == m_byName.end() ? nullptr : &*m_slots[it->second];
    }
    bool Contains(std::string_view name) const { return m_byName.contains(name); }

    // Room for `count` items in all, so that a large file loads without regrowing the index.
    void Reserve(std::size_t count) {
        m_slots.reserve(count);
        m_byName.reserve(count);
    }

    // Appends; returns the new item's index.
    int Append(Item item) {
        const std::size_t slot = m_slots.size();
        m_slots.emplace_back(std::move(item));
        IndexLastSlot(slot);
        return Count() - 1;
    }

    // Removes the item of the replacement's name and appends `replacement`; marks on the old
    // item move with it. The item must exist. Returns the new index.
    int MoveToEnd(Item replacement) {
        const auto it = m_byName.find(std::string_view(replacement.Name()));
        const std::size_t oldSlot = it->second;
        const std::size_t newSlot = m_slots.size();
        m_slots.emplace_back(std::move(replacement));
        it->second = newSlot;
        m_slots[oldSlot].reset();
        ++m_holes;
        for (int& mark : m_marks) {
            if (mark == static_cast<int>(oldSlot)) {
                mark = static_cast<int>(newSlot);
            }
        }
        return Count() - 1;
    }

    // Removes the item; marks on it become -1. False when there is no such item.
    bool RemoveAt(int index) {
        if (!IsValidIndex(index)) {
            return false;
        }
        Compact();
        RemoveSlot(static_cast<std::size_t>(index));
        return true;
    }
    bool RemoveByName(std::string_view name) {
        const auto it = m_byName.find(name);
        if (it == m_byName.end()) {
            return false;
        }
        RemoveSlot(it->second);
        return true;
    }

    // Puts `item` in the place of the item at index (which keeps its marks).
    void ReplaceAt(int index, Item item) {
        Compact();
        auto& slot = m_slots[static_cast<std::size_t>(index)];
        if (slot->Name() != item.Name()) {
            m_byName.erase(slot->Name());
            m_byName.try_emplace(item.Name(), static_cast<std::size_t>(index));
        }
        slot = std::move(item);
    }

    // Every item in order, without closing holes.
    void ForEach(const std::function<void(Item&)>& visit) {
        for (auto& slot : m_slots) {
            if (slot) {
                visit(*slot);
            }
        }
    }
    void ForEach(const std::function<void(const Item&)>& visit) const {
        for (const auto& slot : m_slots) {
            if (slot) {
                visit(*slot);
            }
        }
    }

    int Mark(ListMark mark) const {
        Compact();
        return m_marks[static_cast<std::size_t>(mark)];
    }
    // Sets a mark to an index, or to -1 for an index outside the list.
    void SetMark(ListMark mark, int index) {
        Compact();
        m_marks[static_cast<std::size_t>(mark)] = IsValidIndex(index) ? index : -1;
    }

    // Sets a mark to the last item (the one just appended or moved) without closing holes.
    void SetMarkToLast(ListMark mark) {
        m_marks[static_cast<std::size_t>(mark)] =
            m_slots.empty() ? -1 : static_cast<int>(m_slots.size() - 1);
    }

private:
    // Enters the item just appended in the name index; without memory for that, the item is
    // taken back out so that the array and the index stay in step.
    void IndexLastSlot(std::size_t slot) {
        try {
            m_byName.try_emplace(m_slots[slot]->Name(), slot);
        } catch (...) {
            m_slots.pop_back();
            throw;
        }
    }

    void RemoveSlot(std::size_t slot) {
        m_byName.erase(m_slots[slot]->Name());
        m_slots[slot].reset();
        ++m_holes;
        for (int& mark : m_marks) {
            if (mark == static_cast<int>(slot)) {
                mark = -1;
            }
        }
    }

    // Closes the holes: one pass over the array, the name index and the marks.
    void Compact() const {
        if (m_holes == 0) {
            return;
        }
        std::vector<int> newIndex(m_slots.size(), -1);
        std::size_t kept = 0;
        for (std::size_t slot = 0; slot < m_slots.size(); ++slot) {
            if (m_slots[slot]) {
                newIndex[slot] = static_cast<int>(kept);
                if (kept != slot) {
                    m_slots[kept] = std::move(m_slots[slot]);
                }
                ++kept;
            }
        }
        m_slots.resize(kept);
        for (std::size_t index = 0; index < kept; ++index) {
            m_byName.find(std::string_view(m_slots[index]->Name()))->second = index;
        }
        for (int& mark : m_marks) {
            if (mark >= 0) {
                mark = newIndex[static_cast<std::size_t>(mark)];
            }
        }
        m_holes = 0;
    }

    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>{}(name);
        }
    };

    // Holes are closed lazily, also from const readers: the owner's lock guards the whole list.
    mutable std::vector<std::optional<Item>> m_slots;
    mutable std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> m_byName;
    mutable std::size_t m_holes = 0;
    mutable std::array<int, 3> m_marks = {-1, -1, -1};
};
