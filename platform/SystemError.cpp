#include "platform/SystemError.h"

#include "platform/Prompts.h"

#include <cstring>

std::string SystemErrorText(int error) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not live in the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

std::optional<std::string> FormatSystemError(const std::string& call, int error,
                                             const std::string& context) {
    if (error == 0) {
        return std::nullopt;
    }
    std::string text =
        call + " failed, error " + std::to_string(error) + ": " + SystemErrorText(error) + "\n";
    if (!context.empty()) {
        text += "Context: " + context;
    }
    return text;
}

void ReportSystemError(IPrompts& prompts, const std::string& call, int error,
                       const std::string& context) {
    if (const std::optional<std::string> text = FormatSystemError(call, error, context)) {
        prompts.ShowError(*text);
    }
}
