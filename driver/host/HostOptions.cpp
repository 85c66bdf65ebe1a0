#include "driver/host/HostOptions.h"

#include <charconv>

namespace {

struct Fields {
    std::optional<std::string> driver;
    std::optional<std::string> index;
    std::optional<std::string> link;
    std::optional<std::string> record;
};

std::optional<std::string>* FieldFor(Fields& fields, const std::string& option) {
    if (option == "--driver") {
        return &fields.driver;
    }
    if (option == "--index") {
        return &fields.index;
    }
    if (option == "--link") {
        return &fields.link;
    }
    if (option == "--record") {
        return &fields.record;
    }
    return nullptr;
}

std::optional<int> ParsePortIndex(const std::string& text) {
    int value = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > 9) {
        return std::nullopt;
    }
    return value;
}

ParsedHostOptions Refuse(std::string error) {
    ParsedHostOptions parsed;
    parsed.error = std::move(error);
    return parsed;
}

} // namespace

ParsedHostOptions ParseHostOptions(std::span<const std::string> args) {
    Fields fields;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help") {
            ParsedHostOptions parsed;
            parsed.help = true;
            return parsed;
        }
        std::optional<std::string>* field = FieldFor(fields, args[i]);
        if (field == nullptr) {
            return Refuse("unknown argument " + args[i]);
        }
        if (i + 1 == args.size() || args[i + 1].empty()) {
            return Refuse(args[i] + " needs a value");
        }
        if (field->has_value()) {
            return Refuse(args[i] + " given twice");
        }
        *field = args[++i];
    }
    if (!fields.driver || !fields.index || !fields.link || !fields.record) {
        return Refuse("--driver, --index, --link and --record are all needed");
    }
    const std::optional<int> index = ParsePortIndex(*fields.index);
    if (!index) {
        return Refuse("--index must be a number from 0 to 9");
    }
    HostOptions options;
    options.driver = *fields.driver;
    if (options.driver.has_parent_path()) {
        options.driver = std::filesystem::absolute(options.driver);
    }
    options.index = *index;
    options.link = std::filesystem::absolute(*fields.link);
    options.record = std::filesystem::absolute(*fields.record);
    ParsedHostOptions parsed;
    parsed.options = std::move(options);
    return parsed;
}

std::string HostUsage() {
    return "usage: ppcZRV3DeviceHost --driver LIBRARY --index N --link PATH --record PATH\n"
           "Serves the virtual serial port COMN: through the driver LIBRARY as a "
           "pseudo-terminal linked at PATH,\n"
           "until it is stopped through its control socket (named in the record) or by "
           "SIGTERM.\n";
}

std::string DeviceName(int index) {
    return "COM" + std::to_string(index) + ":";
}
