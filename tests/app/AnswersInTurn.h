#pragma once

#include "app/QtPrompts.h"

#include <vector>

// A presenter for the window's boxes in a test: each box is kept in `asked` and answered with
// the next of `answers`, OK once they have run out.
inline QtPrompts::Presenter AnswersInTurn(std::vector<PromptRequest>& asked,
                                          std::vector<PromptAnswer>& answers) {
    return [&asked, &answers](const PromptRequest& request) {
        asked.push_back(request);
        if (answers.empty()) {
            return PromptAnswer::Ok;
        }
        const PromptAnswer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    };
}
