#pragma once

#include <optional>
#include <string>

class IPrompts;

// The system's own text for an error number (strerror), without a line end.
std::string SystemErrorText(int error);

// The report of a failed system call: "%s failed, error %d: %sContext: %s", or without the
// context part when the context is empty. The system text ends with a line end, as the
// handheld platform's texts did. Nothing when the error number is 0.
std::optional<std::string> FormatSystemError(const std::string& call, int error,
                                             const std::string& context = {});

// Shows that report as a failure box ("Irreparable Error", stop icon); nothing for error 0.
void ReportSystemError(IPrompts& prompts, const std::string& call, int error,
                       const std::string& context = {});
