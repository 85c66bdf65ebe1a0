#pragma once

#include "platform/Prompts.h"

#include <deque>
#include <mutex>
#include <vector>

// Prompts for tests: records every box shown and answers from a script. When the script is
// used up, a question gets its default button and a notice gets OK. Safe to use from worker
// threads.
class ScriptedPrompts final : public IPrompts {
public:
    PromptAnswer Show(const PromptRequest& request) override;

    // Queues the answer to the next box.
    void Answer(PromptAnswer answer);

    std::vector<PromptRequest> Shown() const;
    // The texts of the boxes shown, in order.
    std::vector<std::string> Texts() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::deque<PromptAnswer> m_script;
    std::vector<PromptRequest> m_shown;
};
