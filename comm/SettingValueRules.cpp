#include "comm/SettingValueRules.h"

#include "comm/PlaybackCursor.h"
#include "comm/VirtualPortRegistration.h"
#include "platform/RegistryTree.h"
#include "platform/SettingsKeys.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <vector>

namespace keys = settings_keys;

namespace {

// The virtual serial port is one of COM0: to COM9:.
constexpr std::int32_t kLastVirtualPort = 9;

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// One setting read as a choice: its key (the communication key's subkeys both), its name and
// the numbers it may hold, or for a string the texts.
struct Rule {
    std::vector<std::string> keys;
    const char* name;
    std::vector<std::int32_t> numbers;
    std::vector<const char*> texts;
};

std::vector<std::int32_t> Range(std::int32_t from, std::int32_t to) {
    std::vector<std::int32_t> numbers;
    for (std::int32_t n = from; n <= to; ++n) {
        numbers.push_back(n);
    }
    return numbers;
}

const std::vector<Rule>& Rules() {
    const std::string general = keys::kGeneral;
    const std::string communication = keys::kCommunication;
    const std::vector<std::string> playback = {keys::kPlaybackFromFile, keys::kPlaybackFromDirect};
    const std::vector<std::string> devices = {communication + '\\' + keys::kSource,
                                              communication + '\\' + keys::kDestination};
    static const std::vector<Rule> rules = {
        // 0 counts as missing for the view and the engine.
        {{general}, keys::kKindOfView, Range(0, 3), {}},
        {{general}, keys::kKindOfEngine, Range(0, 2), {}},
        {{general}, keys::kDTUserSelectableField, Range(1, 8), {}},
        {{general}, keys::kNavUserSelectableField, Range(1, 7), {}},
        {{general}, keys::kDistanceUnits, Range(1, 3), {}},
        {{general}, keys::kShowFullDTStatistic, Range(0, 1), {}},
        {{general}, keys::kShowFullFFStatistic, Range(0, 1), {}},
        {{general}, keys::kAutomaticallyFollowTheRoute, Range(0, 1), {}},
        {{general}, keys::kCoordinateStyles, Range(0, 2), {}},
        {{general}, keys::kVSerialPort, Range(kNoVirtualPort, kLastVirtualPort), {}},
        {{general}, keys::kGoogleTrackLineColored, Range(0, 1), {}},
        {{general}, keys::kKindOfRouteGuidance, Range(1, 3), {}},
        {{general}, keys::kAntennaAltitudeMode, Range(1, 2), {}},
        {{general}, keys::kAveraging, Range(0, 1), {}},
        {{communication}, keys::kUseGPSIntermediateDriver, Range(0, 1), {}},
        {playback, keys::kPlaybackMode, Range(1, 2), {}},
        {playback, keys::kPlaybackDirection, Range(1, 2), {}},
        {playback, keys::kSpeedZoom, {std::begin(kSpeedZooms), std::end(kSpeedZooms)}, {}},
        {devices, keys::kDeviceKind, {}, {keys::kDeviceKindSerialPort, keys::kDeviceKindBluetooth}},
    };
    return rules;
}

// "1, 2 or 3"
template <typename T, typename Text>
std::string Choices(const std::vector<T>& values, Text text) {
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i) {
        out += (i == 0 ? "" : i + 1 == values.size() ? " or " : ", ") + text(values[i]);
    }
    return out;
}

} // namespace

std::optional<std::string> SettingValueProblem(std::string_view key, std::string_view name,
                                               const RegistryValue& value) {
    const std::optional<std::string> path = NormalizeKeyPath(key);
    if (!path) {
        return std::nullopt;
    }
    for (const Rule& rule : Rules()) {
        const bool here = std::any_of(rule.keys.begin(), rule.keys.end(),
                                      [&](const std::string& k) { return SameText(k, *path); });
        if (!here || !SameText(rule.name, name)) {
            continue;
        }
        if (!rule.texts.empty()) {
            const std::optional<std::string> text = value.AsString();
            if (text && std::any_of(rule.texts.begin(), rule.texts.end(),
                                    [&](const char* t) { return *text == t; })) {
                return std::nullopt;
            }
            return std::string(rule.name) + " takes a string " +
                   Choices(rule.texts, [](const char* t) { return std::string(t); });
        }
        const std::optional<std::uint32_t> number = value.AsDword();
        if (number && std::find(rule.numbers.begin(), rule.numbers.end(),
                                static_cast<std::int32_t>(*number)) != rule.numbers.end()) {
            return std::nullopt;
        }
        return std::string(rule.name) + " takes a dword " +
               Choices(rule.numbers, [](std::int32_t n) { return std::to_string(n); });
    }
    return std::nullopt;
}
