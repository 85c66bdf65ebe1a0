#include "tests/comm/AppFixture.h"
#include "tests/comm/PseudoTerminal.h"

#include <gtest/gtest.h>

namespace {

// Two programs playing into one port, each an application core of its own: a consumer's port
// belongs to the first, the virtual port is written and read by every program at once.
TEST(PortSharing, ASecondPlaybackIsRefusedTheConsumerButSharesTheVirtualPort) {
    for (const int virtualPort : {-1, 3}) {
        SCOPED_TRACE(virtualPort);
        PseudoTerminal pty;
        AppFixture first;
        AppFixture second;
        for (AppFixture* f : {&first, &second}) {
            f->LinkPort("COM3:", pty.SlavePath());
            f->app->SetVirtualSerialPortIndex(virtualPort);
            f->app->SerialDestination().SetPortName("COM3:");
            f->app->PlaybackToCommand();
        }
        ASSERT_TRUE(first.app->SerialDestination().IsRunning());
        if (virtualPort == -1) {
            EXPECT_FALSE(second.app->SerialDestination().IsRunning());
            EXPECT_EQ(second.prompts.Texts(),
                      std::vector<std::string>{
                          "CreateFile failed, error 16: Device or resource busy\nContext: COM3:"});
        } else {
            EXPECT_TRUE(second.app->SerialDestination().IsRunning());
            EXPECT_TRUE(second.prompts.Texts().empty());
            second.app->PlaybackToCommand();
        }
        first.app->PlaybackToCommand();
    }
}

} // namespace
