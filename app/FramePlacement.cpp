#include "app/FramePlacement.h"

#include "platform/RegistryStore.h"
#include "platform/SettingsKeys.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace {

constexpr int kSmallScreenLong = 1024;
constexpr int kSmallScreenShort = 768;
// A stored size below this is a damaged value, not a window anyone could use.
constexpr int kSmallestStoredSide = 100;

const std::string& PlacementKey() {
    static const std::string key = std::string(settings_keys::kSettings) + "\\Window";
    return key;
}

constexpr std::array<const char*, 4> kValueNames{"Left", "Top", "Width", "Height"};

} // namespace

bool IsSmallScreen(const QSize& screen) {
    return std::max(screen.width(), screen.height()) <= kSmallScreenLong &&
           std::min(screen.width(), screen.height()) <= kSmallScreenShort;
}

QRect KeptInside(const QRect& wanted, const QRect& available) {
    QRect kept(wanted.topLeft(), wanted.size().boundedTo(available.size()));
    kept.moveLeft(std::clamp(kept.left(), available.left(), available.right() - kept.width() + 1));
    kept.moveTop(std::clamp(kept.top(), available.top(), available.bottom() - kept.height() + 1));
    return kept;
}

FrameShowing ChooseFrameShowing(const QRect& screen, const QRect& available,
                                const std::optional<QRect>& stored, bool fullScreenAsked,
                                bool windowManager) {
    FrameShowing showing;
    showing.placed = stored.has_value();
    showing.normal =
        KeptInside(stored.value_or(QRect(available.topLeft(), kFirstFrameSize)), available);
    if (fullScreenAsked || !windowManager) {
        showing.state = fullScreenAsked || IsSmallScreen(screen.size()) ? FrameState::FullScreen
                                                                        : FrameState::Normal;
    } else if (IsSmallScreen(screen.size())) {
        // A window manager keeps its panels beside a maximised window.
        showing.state = FrameState::Maximized;
    }
    return showing;
}

std::optional<QRect> LoadFramePlacement(RegistryStore& registry) {
    std::array<std::int32_t, kValueNames.size()> values{};
    for (std::size_t i = 0; i < kValueNames.size(); ++i) {
        RegistryValue value;
        if (registry.Read(RegistryRoot::CurrentUser, PlacementKey(), kValueNames[i], value) != 0 ||
            !value.AsDword()) {
            return std::nullopt;
        }
        values[i] = static_cast<std::int32_t>(*value.AsDword());
    }
    if (values[2] < kSmallestStoredSide || values[3] < kSmallestStoredSide) {
        return std::nullopt;
    }
    return QRect(values[0], values[1], values[2], values[3]);
}

int SaveFramePlacement(RegistryStore& registry, const QRect& placement) {
    const std::array<int, kValueNames.size()> values{placement.x(), placement.y(),
                                                     placement.width(), placement.height()};
    return registry.Edit([&](RegistryEdit& edit) {
        for (std::size_t i = 0; i < kValueNames.size(); ++i) {
            // Places left of or above the primary screen are negative: two's complement.
            if (const int error =
                    edit.SetValue(PlacementKey(), kValueNames[i],
                                  RegistryValue::Dword(static_cast<std::uint32_t>(values[i])));
                error != 0) {
                return error;
            }
        }
        return 0;
    });
}
