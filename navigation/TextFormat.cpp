#include "navigation/TextFormat.h"

#include "platform/ClassicLocaleScope.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

std::string Format(const char* pattern, ...) {
    const ClassicLocaleScope classic;
    va_list args;
    va_start(args, pattern);
    va_list copy;
    va_copy(copy, args);
    char small[128];
    const int length = std::vsnprintf(small, sizeof small, pattern, args);
    va_end(args);
    std::string text;
    if (length < 0) {
        va_end(copy);
        return text;
    }
    if (static_cast<std::size_t>(length) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(length));
    } else {
        std::vector<char> large(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(large.data(), large.size(), pattern, copy);
        text.assign(large.data(), static_cast<std::size_t>(length));
    }
    va_end(copy);
    return text;
}

std::string FillMessage(std::string message, const std::string& first, const std::string& second) {
    if (const auto at = message.find("%1"); at != std::string::npos) {
        message.replace(at, 2, first);
        if (const auto at2 = message.find("%2", at + first.size()); at2 != std::string::npos) {
            message.replace(at2, 2, second);
        }
    }
    return message;
}
