#pragma once

#include "platform/Prompts.h"

#include <cstdio>
#include <mutex>

// Prompts for the command-line companion: every box is printed to a stream (stderr by
// default) as "caption: text", and a question takes its default button, since the companion
// never waits for a person.
class TerminalPrompts final : public IPrompts {
public:
    explicit TerminalPrompts(std::FILE* out = stderr) : m_out(out) {}

    PromptAnswer Show(const PromptRequest& request) override;

private:
    std::mutex m_mutex;
    std::FILE* m_out;
};
