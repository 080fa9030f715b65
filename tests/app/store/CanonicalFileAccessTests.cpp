#include "Tallowin/store/CanonicalFileAccess.h"

#include "tests/app/support/MemoryStorePanels.h"
#include "tests/app/support/MemoryUserDefaults.h"
#include "tests/support/TemporaryFolder.h"

#include <QTest>

using namespace tallowin;
using namespace tallowin::test;

namespace {

const QString pathKey = QStringLiteral("TallowinFilePath");
const QString bookmarkKey = QStringLiteral("TallowinFileBookmark");

using Paths = std::vector<std::filesystem::path>;

} // namespace

class CanonicalFileAccessTests : public QObject
{
    Q_OBJECT

private slots:
    void rememberingAPickRecordsItUnderBothKeys()
    {
        MemoryUserDefaults defaults;
        CanonicalFileAccess access(defaults);
        QVERIFY(!access.securityScopedPath());

        access.rememberPickedFile("/home/anna/Decks/Team.md");
        QCOMPARE(defaults.string(pathKey), std::optional<QString>(QStringLiteral("/home/anna/Decks/Team.md")));
        QCOMPARE(defaults.data(bookmarkKey), std::optional<QByteArray>("/home/anna/Decks/Team.md"));
        QCOMPARE(access.securityScopedPath(), std::optional<std::filesystem::path>("/home/anna/Decks/Team.md"));

        // A second pick takes the place of the first.
        access.rememberPickedFile("/home/anna/Other.md");
        QCOMPARE(defaults.string(pathKey), std::optional<QString>(QStringLiteral("/home/anna/Other.md")));
        QCOMPARE(defaults.data(bookmarkKey), std::optional<QByteArray>("/home/anna/Other.md"));
        QCOMPARE(access.securityScopedPath(), std::optional<std::filesystem::path>("/home/anna/Other.md"));
    }

    void theBookmarkKeepsNamesThatAreNotUtf8()
    {
        MemoryUserDefaults defaults;
        CanonicalFileAccess access(defaults);
        const std::string name = "/tmp/caf\xe9.md";
        access.rememberPickedFile(name);
        QCOMPARE(defaults.data(bookmarkKey), std::optional<QByteArray>(QByteArray::fromStdString(name)));
        QVERIFY(defaults.string(pathKey).has_value());
    }

    void aRelativePickIsRecordedAsAnAbsolutePath()
    {
        TemporaryFolder folder;
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(folder.root());
        MemoryUserDefaults defaults;
        CanonicalFileAccess access(defaults);
        access.rememberPickedFile("Picked.md");
        std::filesystem::current_path(previous);
        const std::filesystem::path expected = folder.root() / "Picked.md";
        QCOMPARE(access.securityScopedPath(), std::optional<std::filesystem::path>(expected));
        QCOMPARE(defaults.data(bookmarkKey), std::optional<QByteArray>(QByteArray::fromStdString(expected.native())));
    }

    void choosingAnImportFileRemembersThePick()
    {
        MemoryUserDefaults defaults;
        MemoryStorePanels panels;
        CanonicalFileAccess access(defaults);
        panels.importAnswer = "/home/anna/Import.md";

        QCOMPARE(access.chooseImportFile(panels), std::optional<std::filesystem::path>("/home/anna/Import.md"));
        QCOMPARE(panels.importPanelsShown, 1);
        QCOMPARE(defaults.string(pathKey), std::optional<QString>(QStringLiteral("/home/anna/Import.md")));
        QCOMPARE(access.securityScopedPath(), std::optional<std::filesystem::path>("/home/anna/Import.md"));
    }

    void cancellingTheImportPanelChangesNothing()
    {
        MemoryUserDefaults defaults;
        MemoryStorePanels panels;
        CanonicalFileAccess access(defaults);
        access.rememberPickedFile("/home/anna/Earlier.md");
        const int writes = defaults.writes();

        QCOMPARE(access.chooseImportFile(panels), std::nullopt);
        QCOMPARE(panels.importPanelsShown, 1);
        QCOMPARE(defaults.writes(), writes);
        QCOMPARE(defaults.string(pathKey), std::optional<QString>(QStringLiteral("/home/anna/Earlier.md")));
        QCOMPARE(access.securityScopedPath(), std::optional<std::filesystem::path>("/home/anna/Earlier.md"));
    }

    void importSourcesLeaveOutTheCanonicalDeck()
    {
        const std::filesystem::path canonical = "/home/anna/.local/share/Tallowin/Tallowin.md";
        QCOMPARE(CanonicalFileAccess::importSources(canonical, canonical), Paths {});
        QCOMPARE(
            CanonicalFileAccess::importSources("/home/anna/.local/share/Tallowin/./Tallowin.md", canonical), Paths {});
        QCOMPARE(CanonicalFileAccess::importSources("/home/anna/Decks/../.local/share/Tallowin/Tallowin.md", canonical),
            Paths {});
        QCOMPARE(
            CanonicalFileAccess::importSources(canonical, "/home/anna/.local/share/Tallowin/../Tallowin/Tallowin.md"),
            Paths {});

        const std::filesystem::path other = "/home/anna/.local/share/Tallowin/Other.md";
        QCOMPARE(CanonicalFileAccess::importSources(other, canonical), Paths {other});
        // The pick comes back as it was given.
        const std::filesystem::path unnormalised = "/home/anna/Decks/./Team.md";
        QCOMPARE(CanonicalFileAccess::importSources(unnormalised, canonical), Paths {unnormalised});
    }

    void importSourcesCompareRelativePicksFromTheWorkingFolder()
    {
        TemporaryFolder folder;
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(folder.root());
        const Paths same = CanonicalFileAccess::importSources("Tallowin.md", folder.root() / "Tallowin.md");
        const Paths different = CanonicalFileAccess::importSources("Other.md", folder.root() / "Tallowin.md");
        std::filesystem::current_path(previous);
        QCOMPARE(same, Paths {});
        QCOMPARE(different, Paths {"Other.md"});
    }
};

QTEST_MAIN(CanonicalFileAccessTests)
#include "CanonicalFileAccessTests.moc"
