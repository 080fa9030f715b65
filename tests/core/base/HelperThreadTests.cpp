#include "TallowinCore/base/HelperThread.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <latch>
#include <stdexcept>
#include <thread>

namespace tallowin {
namespace {

TEST(HelperThread, RunsTheSecondWorkBesideTheFirstOnAThreadThatStays)
{
    std::thread::id firstThread;
    std::thread::id secondThread;
    HelperThread::runBoth(
        [&] { firstThread = std::this_thread::get_id(); }, [&] { secondThread = std::this_thread::get_id(); });
    EXPECT_EQ(firstThread, std::this_thread::get_id());
    EXPECT_NE(secondThread, std::this_thread::get_id());
    EXPECT_NE(secondThread, std::thread::id());

    std::thread::id again;
    HelperThread::runBoth([] {}, [&] { again = std::this_thread::get_id(); });
    EXPECT_EQ(again, secondThread) << "a fresh thread would start from an empty heap";
}

// Work on the helper that splits its own work finds the helper busy and does both halves itself.
TEST(HelperThread, WorkOnTheHelperThatSplitsAgainRunsBothHalvesItself)
{
    std::thread::id helper;
    std::thread::id innerFirst;
    std::thread::id innerSecond;
    HelperThread::runBoth([] {},
        [&] {
            helper = std::this_thread::get_id();
            HelperThread::runBoth(
                [&] { innerFirst = std::this_thread::get_id(); }, [&] { innerSecond = std::this_thread::get_id(); });
        });
    EXPECT_EQ(innerFirst, helper);
    EXPECT_EQ(innerSecond, helper);
}

TEST(HelperThread, TheFirstFailureWinsAndTheHelperStaysUsable)
{
    const auto fail = [](const char *message) { return [message] { throw std::runtime_error(message); }; };
    EXPECT_THROW_SENTENCE(std::runtime_error, "first", HelperThread::runBoth(fail("first"), fail("second")));
    bool firstRan = false;
    EXPECT_THROW_SENTENCE(
        std::runtime_error, "second", HelperThread::runBoth([&] { firstRan = true; }, fail("second")));
    EXPECT_TRUE(firstRan);

    int done = 0;
    HelperThread::runBoth([&] { ++done; }, [&] { ++done; });
    EXPECT_EQ(done, 2);
}

// While one caller's work holds the helper, another caller does both of its halves on its own thread instead of
// waiting; the first caller's work here cannot finish until the second caller's has.
TEST(HelperThread, ACallerThatFindsTheHelperBusyDoesNotWaitForIt)
{
    std::latch helperTaken(1);
    std::latch otherCallerDone(1);
    std::thread::id otherFirst;
    std::thread::id otherSecond;
    std::thread::id otherCaller;
    std::thread holder([&] {
        HelperThread::runBoth([] {},
            [&] {
                helperTaken.count_down();
                otherCallerDone.wait();
            });
    });
    helperTaken.wait();
    std::thread other([&] {
        otherCaller = std::this_thread::get_id();
        HelperThread::runBoth(
            [&] { otherFirst = std::this_thread::get_id(); }, [&] { otherSecond = std::this_thread::get_id(); });
        otherCallerDone.count_down();
    });
    other.join();
    holder.join();
    EXPECT_EQ(otherFirst, otherCaller);
    EXPECT_EQ(otherSecond, otherCaller);
}

// A child forked without exec has no helper thread; it must not wait for one.
TEST(HelperThreadDeathTest, AForkedChildDoesItsWorkItself)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    HelperThread::runBoth([] {}, [] {});
    EXPECT_EXIT(
        {
            int done = 0;
            HelperThread::runBoth([&] { ++done; }, [&] { ++done; });
            std::_Exit(done == 2 ? 7 : 8);
        },
        ::testing::ExitedWithCode(7), "");
}

} // namespace
} // namespace tallowin
