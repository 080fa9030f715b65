#include "Tallowin/store/TallowinReloadGate.h"
#include "Tallowin/store/TallowinSaveActivity.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

TallowinReloadGate gate(bool isLoading, bool isPending)
{
    return TallowinReloadGate {isLoading, isPending};
}

TEST(TallowinReloadGate, RequestWhileIdleStartsAtOnce)
{
    TallowinReloadGate reload;
    EXPECT_TRUE(reload.request(false));
    EXPECT_EQ(reload, gate(true, false));
    reload.finish();
    EXPECT_EQ(reload, gate(false, false));
    EXPECT_FALSE(reload.beginIfReady(false));
}

TEST(TallowinReloadGate, RequestDuringASaveWaitsForItsEnd)
{
    TallowinReloadGate reload;
    EXPECT_FALSE(reload.request(true));
    EXPECT_EQ(reload, gate(false, true));
    // Still saving: the pending reload keeps waiting.
    EXPECT_FALSE(reload.beginIfReady(true));
    EXPECT_EQ(reload, gate(false, true));
    EXPECT_TRUE(reload.beginIfReady(false));
    EXPECT_EQ(reload, gate(true, false));
}

TEST(TallowinReloadGate, RequestsDuringAReloadCollapseIntoOneMore)
{
    TallowinReloadGate reload;
    ASSERT_TRUE(reload.request(false));
    EXPECT_FALSE(reload.request(false));
    EXPECT_FALSE(reload.request(true));
    EXPECT_EQ(reload, gate(true, true));
    // Nothing new starts while the first reload runs.
    EXPECT_FALSE(reload.beginIfReady(false));

    reload.finish();
    EXPECT_EQ(reload, gate(false, true));
    EXPECT_TRUE(reload.beginIfReady(false));
    EXPECT_EQ(reload, gate(true, false));
    reload.finish();
    EXPECT_FALSE(reload.beginIfReady(false));
    EXPECT_EQ(reload, gate(false, false));
}

TEST(TallowinSaveActivity, OnlyATaskChangeShowsTheBusyIndicator)
{
    EXPECT_FALSE(isWriting(TallowinSaveActivity::idle));
    EXPECT_TRUE(isWriting(TallowinSaveActivity::taskChange));
    EXPECT_TRUE(isWriting(TallowinSaveActivity::reviewOrder));

    EXPECT_FALSE(showsBusyChrome(TallowinSaveActivity::idle));
    EXPECT_TRUE(showsBusyChrome(TallowinSaveActivity::taskChange));
    EXPECT_FALSE(showsBusyChrome(TallowinSaveActivity::reviewOrder));
}

} // namespace
} // namespace tallowin
