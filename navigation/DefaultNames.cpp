#include "navigation/DefaultNames.h"

#include "navigation/TextFormat.h"

#include <chrono>

namespace {

constexpr std::uint32_t kLastNumber = 9999;
constexpr std::size_t kRandomNameLength = 12;

// The handheld C library's generator: a linear congruential step, 15 bits out.
class SmallRandom {
public:
    explicit SmallRandom(std::uint32_t seed) : m_state(seed) {}
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t m_state;
};

char FoldIntoLetters(int r) {
    if (r < 65) {
        r = (r % 56) + 65;
    }
    if (r >= 91 && r <= 96) {
        r += 6;
    }
    return static_cast<char>(r);
}

} // namespace

std::string DefaultItemName(NavItemKind kind, std::uint32_t number) {
    return Format(kind == NavItemKind::Waypoint ? "WPL_%.4u" : "RTE_%.4u", number);
}

std::uint32_t NextStartNumber(std::uint32_t number) {
    return number >= kLastNumber ? 0 : number + 1;
}

std::uint32_t PreviousStartNumber(std::uint32_t number) {
    return number == 0 ? kLastNumber : number - 1;
}

std::string RandomName(std::size_t length, std::uint32_t tick) {
    std::string name;
    name.reserve(length);
    for (std::size_t i = 1; i <= length; ++i) {
        SmallRandom random(static_cast<std::uint32_t>(i) * tick *
                           static_cast<std::uint32_t>(length));
        name.push_back(FoldIntoLetters(random.Next() % 122));
    }
    return name;
}

std::uint32_t MillisecondTicks() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::string TakeDefaultName(NavItemKind kind, INavigationSettings& settings,
                            const std::function<bool(std::string_view)>& exists,
                            std::uint32_t tick) {
    const std::uint32_t number = settings.StartNumber(kind);
    std::string name = DefaultItemName(kind, number);
    // Names drawn in the same millisecond are equal; the next tick value gives another one.
    for (std::uint32_t attempt = 0; exists(name); ++attempt) {
        name = RandomName(kRandomNameLength, tick + attempt);
    }
    settings.SetStartNumber(kind, NextStartNumber(number));
    return name;
}
