#pragma once

#include "platform/Prompts.h"
#include "platform/TerminalPrompts.h"

#include <string_view>

// How the command line answers the store's name-conflict questions.
enum class Conflicts { Skip, Replace, Rename };

// The terminal's prompts, except that the name-conflict questions are answered as the command
// line says: "...Replace?" and then "...Save with an another name?".
class ConflictPrompts final : public IPrompts {
public:
    explicit ConflictPrompts(Conflicts policy) : m_policy(policy) {}

    PromptAnswer Show(const PromptRequest& request) override {
        if (request.buttons != PromptButtons::YesNo) {
            return m_terminal.Show(request);
        }
        const std::string_view text = request.text;
        bool yes = false;
        if (text.ends_with("Replace?")) {
            yes = m_policy == Conflicts::Replace;
        } else if (text.ends_with("Save with an another name?")) {
            yes = m_policy == Conflicts::Rename;
        }
        return yes ? PromptAnswer::Yes : PromptAnswer::No;
    }

private:
    Conflicts m_policy;
    TerminalPrompts m_terminal;
};
