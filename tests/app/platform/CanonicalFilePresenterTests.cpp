#include "Tallowin/platform/CanonicalFilePresenter.h"

#include "tests/app/support/AppTestSupport.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryFolder.h"

#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>

using namespace tallowin;
using namespace tallowin::test;

namespace {

// Another process changing the deck the way every writer does: a temporary file renamed over it.
bool addThroughCli(const std::filesystem::path &deck, const std::string &title)
{
    const ProcessResult result = runCli({"--file", deck.string(), "--now", "2026-03-14T09:26:53.589Z", "add", title});
    if (result.exitCode != 0)
        qWarning("tallowin-cli add failed: %s", result.err.c_str());
    return result.exitCode == 0;
}

bool initThroughCli(const std::filesystem::path &deck)
{
    return runCli({"--file", deck.string(), "init"}).exitCode == 0;
}

void writeInPlace(const std::filesystem::path &file, const std::string &content)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

bool setModified(const std::filesystem::path &file, timespec modified)
{
    const timespec times[2] = {{0, UTIME_OMIT}, modified};
    return ::utimensat(AT_FDCWD, file.c_str(), times, 0) == 0;
}

timespec secondsAgo(time_t seconds, long nanoseconds = 0)
{
    timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return {now.tv_sec - seconds, nanoseconds};
}

// A report arrived, every event before the barrier has been handled, and the reports now number count.
bool reported(QSignalSpy &spy, FileEventBarrier &barrier, qsizetype count)
{
    if (!spy.wait(signalTimeoutMs)) {
        qWarning("no report within %d ms", signalTimeoutMs);
        return false;
    }
    if (!barrier.pass())
        return false;
    if (spy.count() != count)
        qWarning("%lld reports, expected %lld", qlonglong(spy.count()), qlonglong(count));
    return spy.count() == count;
}

} // namespace

class CanonicalFilePresenterTests : public QObject
{
    Q_OBJECT

private slots:
    void reportsEveryAtomicReplacementByAnotherProcess()
    {
        TemporaryFolder folder;
        const auto deck = folder.path("Tallowin.md");
        QVERIFY(initThroughCli(deck));
        CanonicalFilePresenter presenter(deck);
        int handled = 0;
        presenter.setOnChange([&handled] { ++handled; });
        QSignalSpy spy(&presenter, &CanonicalFilePresenter::changed);
        FileEventBarrier barrier;

        for (int round = 1; round <= 4; ++round) {
            const auto inodeBefore = inodeOf(deck);
            QVERIFY(addThroughCli(deck, "Task " + std::to_string(round)));
            // A new inode: the watch on the old one is gone, so this round needs the re-armed watch.
            QVERIFY(inodeOf(deck) != inodeBefore);
            QVERIFY(spy.wait(signalTimeoutMs));
            QVERIFY(barrier.pass());
            // Once per replacement, although each brings several events.
            QCOMPARE(spy.count(), round);
            QCOMPARE(handled, round);
        }
        // The watch sits on the newest file: a write in place, which the folder does not see, is reported.
        writeInPlace(deck, "written in place");
        QVERIFY(reported(spy, barrier, 5));
    }

    void followsTheNewFileWhileTheReplacedOneIsStillOpen()
    {
        // An open reader keeps the replaced inode alive, and with it the watch on that inode.
        TemporaryFolder folder;
        const auto deck = folder.path("Tallowin.md");
        QVERIFY(initThroughCli(deck));
        CanonicalFilePresenter presenter(deck);
        QSignalSpy spy(&presenter, &CanonicalFilePresenter::changed);
        FileEventBarrier barrier;
        std::ifstream reader(deck);
        QVERIFY(reader.is_open());

        QVERIFY(addThroughCli(deck, "Replaced"));
        QVERIFY(reported(spy, barrier, 1));

        writeInPlace(deck, "written in place");
        QVERIFY(reported(spy, barrier, 2));
    }

    void reportsWritesInPlace()
    {
        TemporaryFolder folder;
        const auto deck = folder.path("Tallowin.md");
        writeInPlace(deck, "first");
        CanonicalFilePresenter presenter(deck);
        QSignalSpy spy(&presenter, &CanonicalFilePresenter::changed);
        FileEventBarrier barrier;
        const auto inode = inodeOf(deck);

        writeInPlace(deck, "second, longer");
        QCOMPARE(inodeOf(deck), inode);
        QVERIFY(reported(spy, barrier, 1));

        // On a file system that keeps whole seconds, two writes of the same size within one second leave
        // size and time as they were; the event on the file itself must still be reported.
        const timespec wholeSecond = secondsAgo(0);
        writeInPlace(deck, "second, LONGER");
        QVERIFY(setModified(deck, wholeSecond));
        QVERIFY(reported(spy, barrier, 2));
        writeInPlace(deck, "SECOND, longer");
        QVERIFY(setModified(deck, wholeSecond));
        QVERIFY(reported(spy, barrier, 3));
    }

    void reportsCreationAndRemovalOfTheFile()
    {
        TemporaryFolder folder;
        const auto deck = folder.path("Tallowin.md");
        CanonicalFilePresenter presenter(deck);
        QSignalSpy spy(&presenter, &CanonicalFilePresenter::changed);
        FileEventBarrier barrier;

        QVERIFY(addThroughCli(deck, "Created"));
        QVERIFY(reported(spy, barrier, 1));

        // The file that appeared is watched from now on.
        QVERIFY(addThroughCli(deck, "Changed"));
        QVERIFY(reported(spy, barrier, 2));

        std::filesystem::remove(deck);
        QVERIFY(reported(spy, barrier, 3));

        writeInPlace(deck, "back again");
        QVERIFY(reported(spy, barrier, 4));
    }

    void reportsAFileWhoseFolderIsCreatedLater()
    {
        TemporaryFolder folder;
        const auto deck = folder.path("Later/Deeper/Tallowin.md");
        CanonicalFilePresenter presenter(deck);
        QSignalSpy spy(&presenter, &CanonicalFilePresenter::changed);
        FileEventBarrier barrier;

        std::filesystem::create_directories(deck.parent_path());
        QVERIFY(barrier.pass());
        QCOMPARE(spy.count(), 0);

        QVERIFY(addThroughCli(deck, "Created"));
        QVERIFY(reported(spy, barrier, 1));

        QVERIFY(addThroughCli(deck, "Changed"));
        QVERIFY(reported(spy, barrier, 2));
    }

    void ignoresOtherFilesInTheFolderAndPermissionChanges()
    {
        TemporaryFolder folder;
        const auto deck = folder.path("Tallowin.md");
        QVERIFY(initThroughCli(deck));
        // Long since written, so an event on it with nothing different cannot hide a write.
        QVERIFY(setModified(deck, secondsAgo(3600, 123456789)));
        CanonicalFilePresenter presenter(deck);
        QSignalSpy spy(&presenter, &CanonicalFilePresenter::changed);
        FileEventBarrier barrier;

        folder.write("notes.md", "unrelated");
        writeInPlace(folder.path("notes.md"), "unrelated, changed");
        std::filesystem::rename(folder.path("notes.md"), folder.path("renamed.md"));
        folder.write("Tallowin.md.lock", "12345");
        std::filesystem::remove(folder.path("Tallowin.md.lock"));
        std::filesystem::create_directory(folder.path("ImportBackups"));
        // Every read of the deck sets its permissions.
        QCOMPARE(::chmod(deck.c_str(), 0600), 0);
        QVERIFY(barrier.pass());
        QCOMPARE(spy.count(), 0);

        // The same presenter still reports the deck's own change.
        QVERIFY(addThroughCli(deck, "Real change"));
        QVERIFY(reported(spy, barrier, 1));
    }

    void theOwnersAcknowledgedWriteIsNotReportedButWhatFollowsIs()
    {
        TemporaryFolder folder;
        const auto deck = folder.path("Tallowin.md");
        QVERIFY(initThroughCli(deck));
        CanonicalFilePresenter presenter(deck);
        QSignalSpy spy(&presenter, &CanonicalFilePresenter::changed);
        FileEventBarrier barrier;

        // The owner's save: its acknowledgement comes before its events are read, as when the save's
        // completion overtakes them.
        QVERIFY(addThroughCli(deck, "Own write"));
        presenter.acknowledgeOwnWrite(FileSnapshot::of(deck));
        QVERIFY(barrier.pass());
        QCOMPARE(spy.count(), 0);
        // Moments after that write, an event with nothing different is still no change: the owner knows
        // these contents.
        QCOMPARE(::chmod(deck.c_str(), 0600), 0);
        QVERIFY(barrier.pass());
        QCOMPARE(spy.count(), 0);

        QVERIFY(addThroughCli(deck, "Foreign write"));
        QVERIFY(reported(spy, barrier, 1));
    }

    void aWriteThatOvertookTheOwnersAcknowledgementIsReported()
    {
        TemporaryFolder folder;
        const auto deck = folder.path("Tallowin.md");
        QVERIFY(initThroughCli(deck));
        CanonicalFilePresenter presenter(deck);
        QSignalSpy spy(&presenter, &CanonicalFilePresenter::changed);
        FileEventBarrier barrier;

        QVERIFY(addThroughCli(deck, "Own write"));
        const FileSnapshot own = FileSnapshot::of(deck);
        QVERIFY(addThroughCli(deck, "Foreign write right after"));
        // Long ago, so that the report cannot come from a same-tick doubt.
        QVERIFY(setModified(deck, secondsAgo(3600, 123456789)));
        presenter.acknowledgeOwnWrite(own);
        QVERIFY(reported(spy, barrier, 1));
    }

    void followsANewPresentedPath()
    {
        TemporaryFolder folder;
        const auto first = folder.path("first/Tallowin.md");
        const auto second = folder.path("second/Tallowin.md");
        QVERIFY(initThroughCli(first));
        QVERIFY(initThroughCli(second));
        CanonicalFilePresenter presenter(first);
        QSignalSpy spy(&presenter, &CanonicalFilePresenter::changed);
        FileEventBarrier barrier;

        presenter.setPresentedItemPath(second);
        QCOMPARE(presenter.presentedItemPath(), second);
        QVERIFY(addThroughCli(first, "Old file"));
        QVERIFY(barrier.pass());
        QCOMPARE(spy.count(), 0);

        QVERIFY(addThroughCli(second, "New file"));
        QVERIFY(reported(spy, barrier, 1));
    }

    void keepsTheLocationItWasGiven()
    {
        // Relative and unnormalised as given; watching works on the resolved path.
        TemporaryFolder folder;
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(folder.root());
        const std::filesystem::path given = "./sub/../Tallowin.md";
        QVERIFY(initThroughCli(folder.path("Tallowin.md")));
        CanonicalFilePresenter presenter(given);
        std::filesystem::current_path(previous);
        QCOMPARE(presenter.presentedItemPath(), given);
        QSignalSpy spy(&presenter, &CanonicalFilePresenter::changed);

        QVERIFY(addThroughCli(folder.path("Tallowin.md"), "Changed"));
        QVERIFY(spy.wait(signalTimeoutMs));
    }
};

QTEST_MAIN(CanonicalFilePresenterTests)
#include "CanonicalFilePresenterTests.moc"
