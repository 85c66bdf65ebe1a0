// The alert patterns, step by step, and how a stop ends them.
#include "comm/VibrationAlerts.h"
#include "platform/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

using std::chrono::milliseconds;

// Writes every step: "on", "off", "beep" and each pause as its length.
class RecordedOutput final : public IAlertOutput {
public:
    void SetVibrator(bool on) override { Add(on ? "on" : "off"); }
    void SystemBeep() override { Add("beep"); }
    void Add(const std::string& step) {
        std::lock_guard lock(mutex);
        steps.push_back(step);
    }
    std::mutex mutex;
    std::vector<std::string> steps;
};

// Pauses that pass at once; the stop comes at pause number `stopAt` (0: after the pattern's
// first wait for the stop).
std::vector<std::string> Steps(AlertKind kind, int stopAt) {
    RecordedOutput output;
    int pauses = 0;
    VibrateProc(kind, output, [&](milliseconds pause) {
        output.Add(std::to_string(pause.count()));
        ++pauses;
        return stopAt == 0 ? pause != milliseconds(100) : pauses < stopAt;
    });
    return output.steps;
}

TEST(VibrationAlerts, LongAndShortPatternsThenWaitForTheStop) {
    EXPECT_EQ(Steps(AlertKind::Long, 0),
              (std::vector<std::string>{"beep", "on", "500", "off", "250", "on", "500", "off",
                                        "250", "on", "500", "off", "beep", "100"}));
    EXPECT_EQ(Steps(AlertKind::Short, 0), (std::vector<std::string>{"on", "250", "off", "100"}));
}

TEST(VibrationAlerts, AStopDuringAPulseSwitchesTheVibratorOffAndEndsAtOnce) {
    EXPECT_EQ(Steps(AlertKind::Long, 3),
              (std::vector<std::string>{"beep", "on", "500", "off", "250", "on", "500", "off"}));
    EXPECT_EQ(Steps(AlertKind::Short, 1), (std::vector<std::string>{"on", "250", "off"}));
}

TEST(VibrationAlerts, EachKindRunsInItsOwnSlotAndARestartEndsThePreviousRun) {
    RecordedOutput output;
    ScriptedPrompts prompts;
    VibrationAlerts alerts(output, prompts);
    alerts.Start(AlertKind::Short);
    alerts.Start(AlertKind::Long);
    EXPECT_TRUE(alerts.Slot(AlertKind::Short).IsAlive());
    EXPECT_TRUE(alerts.Slot(AlertKind::Long).IsAlive());
    alerts.Start(AlertKind::Short); // stops and waits for the first short run
    alerts.Stop();
    EXPECT_FALSE(alerts.Slot(AlertKind::Long).IsAlive());
    EXPECT_FALSE(alerts.Slot(AlertKind::Short).IsAlive());
    std::lock_guard lock(output.mutex);
    EXPECT_EQ(std::count(output.steps.begin(), output.steps.end(), "on"),
              std::count(output.steps.begin(), output.steps.end(), "off"));
    EXPECT_TRUE(prompts.Texts().empty());
}

} // namespace
