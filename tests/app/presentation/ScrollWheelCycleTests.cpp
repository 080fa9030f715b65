// The scroll-wheel rule of the review canvas: one card per wheel notch, one per trackpad gesture.
#include "Tallowin/presentation/ScrollWheelCycle.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tallowin;
using Phase = ScrollWheelSample::Phase;
using Momentum = ScrollWheelSample::Momentum;

namespace {

struct Recorder
{
    int actions = 0;
    std::vector<bool> activity;
    ScrollWheelCycle cycle {[this] { ++actions; }, [this](bool active) { activity.push_back(active); }};
};

ScrollWheelSample wheel(double dy, std::int64_t at = 0)
{
    ScrollWheelSample sample;
    sample.deltaY = dy;
    sample.timestampMs = at;
    return sample;
}

ScrollWheelSample trackpad(Phase phase, double dx, double dy, Momentum momentum = Momentum::none)
{
    ScrollWheelSample sample;
    sample.phase = phase;
    sample.momentum = momentum;
    sample.deltaX = dx;
    sample.deltaY = dy;
    return sample;
}

} // namespace

TEST(ScrollWheelCycleTests, threeWheelNotchesMoveOnThreeCards)
{
    Recorder recorder;
    for (int notch = 0; notch < 3; ++notch)
        EXPECT_TRUE(recorder.cycle.handle(wheel(notch == 1 ? 120 : -120, notch * 8)));
    EXPECT_EQ(recorder.actions, 3);
    EXPECT_TRUE(recorder.activity.empty());
    // Two notches in one event are still one event of a wheel.
    EXPECT_TRUE(recorder.cycle.handle(wheel(-240, 100)));
    EXPECT_EQ(recorder.actions, 4);
}

TEST(ScrollWheelCycleTests, aTrackpadSwipeWithLongMomentumMovesOnOneCard)
{
    Recorder recorder;
    EXPECT_TRUE(recorder.cycle.handle(trackpad(Phase::began, 0, -4)));
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(recorder.cycle.handle(trackpad(Phase::changed, 1, -30)));
    EXPECT_FALSE(recorder.cycle.handle(trackpad(Phase::ended, 0, 0)));
    for (int i = 0; i < 200; ++i)
        recorder.cycle.handle(trackpad(Phase::none, 0, -25 + i * 0.1, i == 0 ? Momentum::began : Momentum::changed));
    recorder.cycle.handle(trackpad(Phase::none, 0, 0, Momentum::ended));
    EXPECT_EQ(recorder.actions, 1);
    EXPECT_EQ(recorder.activity, (std::vector<bool> {true, false}));
    EXPECT_FALSE(recorder.cycle.gestureActive());

    // The next gesture moves on the next card.
    recorder.cycle.handle(trackpad(Phase::began, 0, 6));
    recorder.cycle.handle(trackpad(Phase::ended, 0, 0));
    EXPECT_EQ(recorder.actions, 2);
}

TEST(ScrollWheelCycleTests, aGestureThatBeginsWithoutMovementStartsAtItsFirstMovement)
{
    Recorder recorder;
    EXPECT_FALSE(recorder.cycle.handle(trackpad(Phase::began, 0, 0)));
    EXPECT_TRUE(recorder.activity.empty());
    recorder.cycle.handle(trackpad(Phase::changed, 0, -12));
    recorder.cycle.handle(trackpad(Phase::changed, 0, -12));
    recorder.cycle.handle(trackpad(Phase::cancelled, 0, 0));
    EXPECT_EQ(recorder.actions, 1);
    EXPECT_EQ(recorder.activity, (std::vector<bool> {true, false}));
}

TEST(ScrollWheelCycleTests, horizontalAndOutsideScrollsPassThrough)
{
    Recorder recorder;
    EXPECT_FALSE(recorder.cycle.handle(trackpad(Phase::began, -8, 2)));
    for (int i = 0; i < 30; ++i)
        EXPECT_FALSE(recorder.cycle.handle(trackpad(Phase::changed, -40, 12)));
    recorder.cycle.handle(trackpad(Phase::ended, 0, 0));
    for (int i = 0; i < 30; ++i)
        EXPECT_FALSE(recorder.cycle.handle(trackpad(Phase::none, -20, 0, Momentum::changed)));
    ScrollWheelSample elsewhere = wheel(-120);
    elsewhere.insideCanvas = false;
    EXPECT_FALSE(recorder.cycle.handle(elsewhere));
    EXPECT_FALSE(recorder.cycle.handle(wheel(0)));
    EXPECT_EQ(recorder.actions, 0);
    EXPECT_TRUE(recorder.activity.empty());
}

TEST(ScrollWheelCycleTests, aBurstOfSubNotchDeltasWithoutPhasesIsOneGesture)
{
    Recorder recorder;
    // An X11 touchpad flick: small deltas every 8 ms, some large at the fastest moment.
    const double deltas[] = {-6, -14, -30, -52, -140, -96, -60, -31, -15, -7, -3, -1};
    std::int64_t at = 1000;
    for (const double delta : deltas) {
        EXPECT_TRUE(recorder.cycle.handle(wheel(delta, at)));
        at += 8;
    }
    EXPECT_EQ(recorder.actions, 1);
    EXPECT_TRUE(recorder.cycle.burstActive());
    EXPECT_EQ(recorder.activity, (std::vector<bool> {true}));
    recorder.cycle.quietTimeElapsed();
    EXPECT_FALSE(recorder.cycle.burstActive());
    EXPECT_EQ(recorder.activity, (std::vector<bool> {true, false}));

    // After the quiet time a wheel notch is a notch again, and a new flick is a new gesture.
    EXPECT_TRUE(recorder.cycle.handle(wheel(-120, at + 400)));
    EXPECT_EQ(recorder.actions, 2);
    EXPECT_TRUE(recorder.cycle.handle(wheel(-9, at + 800)));
    EXPECT_TRUE(recorder.cycle.handle(wheel(-20, at + 808)));
    EXPECT_EQ(recorder.actions, 3);
}

TEST(ScrollWheelCycleTests, aBurstEndsByItsQuietTimeEvenBeforeItsTimerFires)
{
    Recorder recorder;
    recorder.cycle.handle(wheel(-10, 0));
    recorder.cycle.handle(wheel(-10, ScrollWheelCycle::burstQuietMs - 1));
    EXPECT_EQ(recorder.actions, 1);
    // The gap since the last event is what counts.
    recorder.cycle.handle(wheel(-10, 2 * ScrollWheelCycle::burstQuietMs - 1));
    EXPECT_EQ(recorder.actions, 2);
    EXPECT_EQ(recorder.activity, (std::vector<bool> {true, false, true}));
    // An ended gesture of any kind ends the burst too.
    recorder.cycle.handle(trackpad(Phase::ended, 0, 0));
    EXPECT_EQ(recorder.activity, (std::vector<bool> {true, false, true, false}));
    EXPECT_FALSE(recorder.cycle.burstActive());
}
