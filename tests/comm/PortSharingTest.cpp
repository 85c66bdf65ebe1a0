#include "tests/comm/AppFixture.h"
#include "tests/comm/PseudoTerminal.h"

#include <gtest/gtest.h>

namespace {

// Two programs on one port, each an application core of its own: a receiver's or consumer's
// port belongs to the first, the virtual port is read and written by every program at once.
TEST(PortSharing, ASecondProgramIsRefusedTheReceiverOrConsumerButSharesTheVirtualPort) {
    struct Case {
        const char* label;
        bool record;
        int virtualPort;
        bool secondRuns;
    };
    const Case cases[] = {
        {"recording", true, -1, false},
        {"playback", false, -1, false},
        {"playback to the virtual port", false, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        PseudoTerminal pty;
        AppFixture first;
        AppFixture second;
        const auto endpoint = [&](AppFixture& f) -> SerialEndpoint& {
            return c.record ? f.app->SerialSource() : f.app->SerialDestination();
        };
        const auto toggle = [&](AppFixture& f) {
            c.record ? f.app->RecordCommand() : f.app->PlaybackToCommand();
        };
        for (AppFixture* f : {&first, &second}) {
            f->LinkPort("COM3:", pty.SlavePath());
            f->app->SetVirtualSerialPortIndex(c.virtualPort);
            endpoint(*f).SetPortName("COM3:");
        }
        toggle(first);
        ASSERT_TRUE(endpoint(first).IsRunning());
        toggle(second);
        EXPECT_EQ(endpoint(second).IsRunning(), c.secondRuns);
        if (c.secondRuns) {
            EXPECT_TRUE(second.prompts.Texts().empty());
            toggle(second);
        } else {
            EXPECT_EQ(second.prompts.Texts(),
                      std::vector<std::string>{
                          "CreateFile failed, error 16: Device or resource busy\nContext: COM3:"});
            EXPECT_TRUE(
                std::filesystem::is_empty(second.paths.documentsDir) ||
                !std::filesystem::exists(second.paths.documentsDir / "2026_05_01_07_30_00_Fr.txt"));
        }
        toggle(first);
        // Released with the stop: the other program may have the port now.
        toggle(second);
        EXPECT_TRUE(endpoint(second).IsRunning());
        toggle(second);
    }
}

} // namespace
