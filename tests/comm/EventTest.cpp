#include "comm/Event.h"
#include "comm/WorkerThreadSlot.h"
#include "platform/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <poll.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

bool PollsReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

TEST(Event, AutoResetLetsOneWaitThroughAndManualResetStaysSet) {
    Event automatic(Event::Kind::AutoReset);
    EXPECT_FALSE(automatic.Wait(0ms));
    automatic.Set();
    automatic.Set(); // setting twice is still one signal
    EXPECT_TRUE(automatic.Wait(0ms));
    EXPECT_FALSE(automatic.Wait(0ms));

    Event manual(Event::Kind::ManualReset, true);
    EXPECT_TRUE(manual.Wait(0ms));
    EXPECT_TRUE(manual.Wait(0ms));
    manual.Reset();
    EXPECT_FALSE(manual.Wait(0ms));
}

TEST(Event, PollDescriptorIsReadableExactlyWhileSet) {
    Event event(Event::Kind::AutoReset);
    ASSERT_GE(event.PollDescriptor(), 0);
    EXPECT_FALSE(PollsReadable(event.PollDescriptor()));
    event.Set();
    EXPECT_TRUE(PollsReadable(event.PollDescriptor()));
    EXPECT_TRUE(event.Wait(0ms));
    EXPECT_FALSE(PollsReadable(event.PollDescriptor()));
    event.Set();
    event.Reset();
    EXPECT_FALSE(PollsReadable(event.PollDescriptor()));
}

TEST(Event, SetFromAnotherThreadWakesAWaiter) {
    Event event(Event::Kind::AutoReset);
    std::thread setter([&] { event.Set(); });
    event.WaitForever();
    setter.join();
    EXPECT_FALSE(event.Wait(0ms));
}

// Exit codes that tell how a test procedure ended.
constexpr int kEndedByStop = 1;
constexpr int kSleptThrough = 2;

TEST(WorkerThreadSlot, StopEndsALongSleepAtOnce) {
    WorkerThreadSlot slot;
    // The sleep is an hour: only the stop request can end it in the life of a test.
    ASSERT_TRUE(
        slot.Start([&] { return slot.SleepUnlessStopped(1h) ? kSleptThrough : kEndedByStop; }));
    EXPECT_TRUE(slot.IsAlive());
    slot.Stop();
    EXPECT_FALSE(slot.IsAlive());
    EXPECT_EQ(slot.LastExitCode(), kEndedByStop);
}

TEST(WorkerThreadSlot, StopEndsAThreadWaitingInPollOnItsStopDescriptor) {
    WorkerThreadSlot slot;
    ASSERT_TRUE(slot.Start([&] {
        pollfd p{slot.StopDescriptor(), POLLIN, 0};
        poll(&p, 1, -1);
        return slot.KeepRunning() ? kSleptThrough : kEndedByStop;
    }));
    slot.Stop();
    EXPECT_EQ(slot.LastExitCode(), kEndedByStop);
}

TEST(WorkerThreadSlot, AStopRequestLeftUnreadDoesNotEndTheNextThread) {
    WorkerThreadSlot slot;
    Event ended(Event::Kind::ManualReset);
    ASSERT_TRUE(slot.Start([&] {
        ended.Set();
        return 0;
    }));
    ended.WaitForever();
    slot.RequestStop(); // arrives after the thread ended by itself
    slot.Stop();
    ended.Reset();
    ASSERT_TRUE(slot.Start([&] {
        const int code = slot.KeepRunning() ? kSleptThrough : kEndedByStop;
        ended.Set();
        return code;
    }));
    ended.WaitForever();
    slot.Stop();
    EXPECT_EQ(slot.LastExitCode(), kSleptThrough);
}

TEST(WorkerThreadSlot, AnExceptionEndsTheThreadWithAMessageInsteadOfEscaping) {
    ScriptedPrompts prompts;
    WorkerThreadSlot slot;
    slot.SetPrompts(&prompts);
    ASSERT_TRUE(slot.Start([]() -> int { throw std::bad_alloc(); }));
    slot.Stop();
    EXPECT_FALSE(slot.IsAlive());
    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_EQ(prompts.Texts()[0], "Out of memory");
    EXPECT_EQ(prompts.Shown()[0].caption, "Irreparable Error");
}

} // namespace
