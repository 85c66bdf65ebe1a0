#include "platform/ScriptedPrompts.h"

PromptAnswer ScriptedPrompts::Show(const PromptRequest& request) {
    std::lock_guard guard(m_mutex);
    m_shown.push_back(request);
    if (!m_script.empty()) {
        const PromptAnswer answer = m_script.front();
        m_script.pop_front();
        return answer;
    }
    if (request.buttons == PromptButtons::YesNo) {
        return request.defaultNo ? PromptAnswer::No : PromptAnswer::Yes;
    }
    return PromptAnswer::Ok;
}

void ScriptedPrompts::Answer(PromptAnswer answer) {
    std::lock_guard guard(m_mutex);
    m_script.push_back(answer);
}

std::vector<PromptRequest> ScriptedPrompts::Shown() const {
    std::lock_guard guard(m_mutex);
    return m_shown;
}

std::vector<std::string> ScriptedPrompts::Texts() const {
    std::lock_guard guard(m_mutex);
    std::vector<std::string> texts;
    for (const PromptRequest& request : m_shown) {
        texts.push_back(request.text);
    }
    return texts;
}

void ScriptedPrompts::Clear() {
    std::lock_guard guard(m_mutex);
    m_shown.clear();
    m_script.clear();
}
