// Whether the settings' "Sync now" can run, and the sentence when it cannot.
#include "Tallowin/presentation/SyncAvailability.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace tallowin;
using namespace tallowin::test;

namespace {

struct Fixture
{
    TemporaryFolder folder;
    std::map<std::string, std::string> variables {{"XDG_CONFIG_HOME", folder.path("config").string()}};

    Environment environment() const
    {
        return [this](const std::string &name) -> std::optional<std::string> {
            const auto found = variables.find(name);
            return found == variables.end() ? std::nullopt : std::optional(found->second);
        };
    }

    std::filesystem::path writeAddressFile(std::filesystem::perms permissions)
    {
        const std::filesystem::path file = folder.path("config") / "Tallowin" / "sync-url";
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << "https://anna:pw@host:5984/tallowin\n";
        std::filesystem::permissions(file, permissions);
        return file;
    }
};

} // namespace

TEST(SyncAvailability, explainsEachReasonSyncCannotRun)
{
    Fixture fixture;
    EXPECT_EQ(SyncAvailability::of({false, false}, fixture.environment()),
        (SyncAvailability {false,
            "Sync is off because Tallowin was started with a deck file of your choosing (TALLOWIN_FILE_PATH). Only "
            "your usual Tallowin file is synced."}));
    EXPECT_EQ(SyncAvailability::of({true, true}, fixture.environment()),
        (SyncAvailability {false,
            "Sync is not set up. Enter the address of your sync database above, or run tallowin-cli sync-setup."}));

    fixture.variables["TALLOWIN_SYNC_URL"] = "https://anna:pw@host:5984/tallowin";
    EXPECT_EQ(SyncAvailability::of({true, false}, fixture.environment()),
        (SyncAvailability {false, "Sync starts once your tasks have opened."}));
    EXPECT_EQ(SyncAvailability::of({true, true}, fixture.environment()), (SyncAvailability {true, ""}));

    fixture.variables["TALLOWIN_DEMO"] = "";
    EXPECT_EQ(SyncAvailability::of({true, true}, fixture.environment()),
        (SyncAvailability {false, "Sync is off in demo mode (TALLOWIN_DEMO)."}));
}

TEST(SyncAvailability, readsTheAddressFileAndPassesOnWhyItWasRefused)
{
    Fixture fixture;
    fixture.writeAddressFile(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(SyncAvailability::of({true, true}, fixture.environment()), (SyncAvailability {true, ""}));

    const std::filesystem::path file = fixture.writeAddressFile(
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::others_read);
    EXPECT_EQ(SyncAvailability::of({true, true}, fixture.environment()),
        (SyncAvailability {false,
            "Sync is off: Tallowin cannot use " + file.string()
                + ": other users can open it; make it private with chmod 600."}));
}
