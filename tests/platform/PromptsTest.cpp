#include "platform/ScriptedPrompts.h"
#include "platform/SystemError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

TEST(SystemError, ReportsTheCallTheNumberTheSystemTextAndTheContext) {
    const std::string text = std::strerror(ENOENT);
    EXPECT_EQ(FormatSystemError("CreateFile", ENOENT, "COM3:"),
              "CreateFile failed, error 2: " + text + "\nContext: COM3:");
    EXPECT_EQ(FormatSystemError("WaitForSingleObject", ENOENT),
              "WaitForSingleObject failed, error 2: " + text + "\n");
    EXPECT_FALSE(FormatSystemError("CreateFile", 0, "COM3:"));
}

TEST(SystemError, IsShownAsAFailureBoxAndNotAtAllForErrorZero) {
    ScriptedPrompts prompts;
    ReportSystemError(prompts, "MoveFile", 0, "/x");
    EXPECT_TRUE(prompts.Shown().empty());
    ReportSystemError(prompts, "MoveFile", EACCES, "/x");
    ASSERT_EQ(prompts.Shown().size(), 1u);
    const PromptRequest shown = prompts.Shown()[0];
    EXPECT_EQ(shown.caption, "Irreparable Error");
    EXPECT_EQ(shown.icon, PromptIcon::Stop);
    EXPECT_EQ(shown.buttons, PromptButtons::Ok);
    EXPECT_EQ(shown.text, *FormatSystemError("MoveFile", EACCES, "/x"));
}

TEST(ScriptedPrompts, AnswersFromTheScriptThenWithTheDefaultButton) {
    ScriptedPrompts prompts;
    prompts.Answer(PromptAnswer::No);
    EXPECT_FALSE(prompts.AskYesNo("Overwrite?"));
    EXPECT_TRUE(prompts.AskYesNo("Again?")) << "script used up: Yes is the default";
    EXPECT_FALSE(prompts.AskYesNo("Delete?", PromptIcon::Exclamation, true));
    prompts.ShowInformation("Saved");

    const std::vector<PromptRequest> shown = prompts.Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].caption, "Question");
    EXPECT_EQ(shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(shown[2].icon, PromptIcon::Exclamation);
    EXPECT_TRUE(shown[2].defaultNo);
    EXPECT_EQ(shown[3].icon, PromptIcon::Information);
    EXPECT_EQ(shown[3].caption, "Velmora Recorder 3");
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"Overwrite?", "Again?", "Delete?", "Saved"}));
}

} // namespace
