#include "TallowinCore/merge/TallowinSyncError.h"

#include <gtest/gtest.h>

#include <string>

namespace tallowin {
namespace {

TEST(TallowinSyncErrorTest, eachCaseCarriesItsSentenceAndComparesByCaseAndMessage)
{
    const TallowinSyncError unavailable = TallowinSyncError::unavailable("Sign in to iCloud to sync.");
    EXPECT_EQ(unavailable.kind(), TallowinSyncError::Kind::unavailable);
    EXPECT_EQ(std::string(unavailable.what()), "Sign in to iCloud to sync.");
    EXPECT_EQ(unavailable, TallowinSyncError::unavailable("Sign in to iCloud to sync."));
    EXPECT_FALSE(unavailable == TallowinSyncError::unavailable("Another message."));

    const TallowinSyncError changed = TallowinSyncError::changedRemotely();
    EXPECT_EQ(changed.kind(), TallowinSyncError::Kind::changedRemotely);
    EXPECT_EQ(std::string(changed.what()), "Another device just saved changes. Sync again to combine them.");

    const TallowinSyncError account = TallowinSyncError::accountChanged();
    EXPECT_EQ(account.kind(), TallowinSyncError::Kind::accountChanged);
    EXPECT_EQ(std::string(account.what()),
        "This deck belongs to another Apple Account. Sign back into that account to sync. Your local tasks are safe.");
    EXPECT_FALSE(changed == account);
}

} // namespace
} // namespace tallowin
