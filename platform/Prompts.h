#pragma once

#include <string>

// How the core shows a message box. The window implements this with Qt, the command-line
// companion prints to the terminal and answers from its options, and the tests answer from a
// script. A worker thread never shows a box itself: the implementation hands the request to
// the user-interface thread and waits for the answer.

enum class PromptIcon { Stop, Information, Exclamation, Question };
enum class PromptButtons { Ok, YesNo };
enum class PromptAnswer { Ok, Yes, No };

struct PromptRequest {
    std::string text;
    std::string caption;
    PromptIcon icon = PromptIcon::Stop;
    PromptButtons buttons = PromptButtons::Ok;
    bool defaultNo = false; // for Yes/No: No is the default button
};

// The captions the program uses.
inline constexpr const char* kCaptionError = "Irreparable Error";
inline constexpr const char* kCaptionQuestion = "Question";
inline constexpr const char* kApplicationName = "Velmora Recorder 3";

class IPrompts {
public:
    virtual ~IPrompts() = default;
    virtual PromptAnswer Show(const PromptRequest& request) = 0;

    // A failure: caption "Irreparable Error", stop icon, OK.
    void ShowError(const std::string& text) {
        Show({text, kCaptionError, PromptIcon::Stop, PromptButtons::Ok, false});
    }
    // A notice with the information icon and the given caption.
    void ShowInformation(const std::string& text, const std::string& caption = kApplicationName) {
        Show({text, caption, PromptIcon::Information, PromptButtons::Ok, false});
    }
    // A Yes/No question with the caption "Question"; true when answered Yes.
    bool AskYesNo(const std::string& text, PromptIcon icon = PromptIcon::Question,
                  bool defaultNo = false) {
        return Show({text, kCaptionQuestion, icon, PromptButtons::YesNo, defaultNo}) ==
               PromptAnswer::Yes;
    }
};
