#include "platform/TerminalPrompts.h"

#include <string>

PromptAnswer TerminalPrompts::Show(const PromptRequest& request) {
    std::lock_guard guard(m_mutex);
    std::string text = request.text;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    std::fprintf(m_out, "%s: %s\n", request.caption.c_str(), text.c_str());
    if (request.buttons != PromptButtons::YesNo) {
        return PromptAnswer::Ok;
    }
    const bool yes = !request.defaultNo;
    std::fprintf(m_out, "%s: answered %s\n", request.caption.c_str(), yes ? "Yes" : "No");
    return yes ? PromptAnswer::Yes : PromptAnswer::No;
}
