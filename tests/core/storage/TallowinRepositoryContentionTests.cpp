#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "tests/support/FolderChecks.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"
#include "tests/tools/WriterScenario.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace tallowin {
namespace {

using test::entriesOf;
using test::exitedProcessID;

namespace fs = std::filesystem;
using test::writer::startingDeck;
using test::writer::withChange;

constexpr const char *busy = "Tallowin is being updated by another writer. Reload and retry.";
const fs::path helperPath = fs::path(TALLOWIN_TEST_WRITER_PATH);

// One run of the writer helper with its stdin and stdout connected to us.
class WriterProcess
{
public:
    explicit WriterProcess(const std::vector<std::string> &arguments)
    {
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
            throw std::runtime_error("cannot make pipes");
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        std::vector<std::string> all = {helperPath.string()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char *> argv;
        for (auto &argument : all)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const int spawned = ::posix_spawn(&m_pid, helperPath.c_str(), &actions, nullptr, argv.data(), environ);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        ::close(output[1]);
        if (spawned != 0) {
            ::close(input[1]);
            ::close(output[0]);
            throw std::runtime_error("cannot start " + helperPath.string());
        }
        m_input = input[1];
        m_output = ::fdopen(output[0], "r");
    }
    ~WriterProcess()
    {
        closeInput();
        if (m_output)
            std::fclose(m_output);
        if (!m_status) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
    }
    WriterProcess(const WriterProcess &) = delete;
    WriterProcess &operator=(const WriterProcess &) = delete;

    pid_t pid() const { return m_pid; }

    void send(const std::string &text) const
    {
        if (::write(m_input, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            throw std::runtime_error("cannot write to the writer helper");
    }
    void closeInput()
    {
        if (m_input >= 0)
            ::close(m_input);
        m_input = -1;
    }
    std::optional<std::string> readLine() const
    {
        std::string line;
        for (int character = std::fgetc(m_output); character != EOF; character = std::fgetc(m_output)) {
            if (character == '\n')
                return line;
            line.push_back(static_cast<char>(character));
        }
        return line.empty() ? std::nullopt : std::optional(line);
    }
    std::vector<std::string> readAll() const
    {
        std::vector<std::string> lines;
        while (auto line = readLine())
            lines.push_back(*line);
        return lines;
    }
    int wait()
    {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) { }
        m_status = status;
        return status;
    }

private:
    pid_t m_pid = -1;
    int m_input = -1;
    std::FILE *m_output = nullptr;
    std::optional<int> m_status;
};

struct Report
{
    std::string label;
    std::string outcome;
    std::string message;
};

Report parse(const std::string &line)
{
    const auto first = line.find('\t');
    const auto second = line.find('\t', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return {line, "unreadable", {}};
    return {line.substr(0, first), line.substr(first + 1, second - first - 1), line.substr(second + 1)};
}

// A refusal is one of the repository's two sentences; a conflict names the revision that was read and a
// later one.
::testing::AssertionResult isRefusal(const std::string &message, std::optional<std::int64_t> base = std::nullopt)
{
    if (message == busy)
        return ::testing::AssertionSuccess();
    static const std::regex conflict(
        "The Tallowin file changed from revision ([0-9]+) to ([0-9]+)\\. Reload it before making another change\\.");
    std::smatch match;
    if (!std::regex_match(message, match, conflict))
        return ::testing::AssertionFailure() << "unexpected message: " << message;
    const std::int64_t expected = std::stoll(match[1]);
    const std::int64_t actual = std::stoll(match[2]);
    if (actual <= expected || (base && (expected != *base || actual != *base + 1)))
        return ::testing::AssertionFailure() << "implausible revisions: " << message;
    return ::testing::AssertionSuccess();
}

std::set<std::string> historyIDs(const TallowinDocument &deck)
{
    std::set<std::string> ids;
    for (const auto &event : deck.tasks.front().history)
        ids.insert(event.id);
    return ids;
}

class TallowinRepositoryContentionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(helperPath)) << helperPath << " is missing; build tallowin-test-writer";
        // A helper that died must fail the test, not kill it through a write to its closed pipe.
        std::signal(SIGPIPE, SIG_IGN);
    }

    // Makes the lock file look as old as a leftover: a minute past the grace period.
    void ageLockFile() const
    {
        const auto old
            = std::chrono::system_clock::now() - TallowinRepository::emptyLockGracePeriod - std::chrono::minutes(1);
        const timespec time = {std::chrono::system_clock::to_time_t(old), 0};
        const timespec times[2] = {time, time};
        ASSERT_EQ(::utimensat(AT_FDCWD, folder.path("Decks/Tallowin.md.lock").c_str(), times, 0), 0);
    }

    test::TemporaryFolder folder;
    const fs::path deckPath = folder.path("Decks/Tallowin.md");
    TallowinRepository repository {deckPath};
};

// Eight processes make changes to one deck as fast as they can, each retrying a busy save at once with
// the document it computed, so that many saves meet a revision written after their load. Every change
// lands or is refused with one of the two messages, and every change that landed is in the final deck.
TEST_F(TallowinRepositoryContentionTest, NoChangeIsLost)
{
    constexpr int writerCount = 8;
    constexpr int changesEach = 50;
    constexpr int attemptsWhileBusy = 200;
    repository.prepareIfNeeded(startingDeck(3));

    std::vector<std::unique_ptr<WriterProcess>> writers;
    for (int index = 0; index < writerCount; ++index)
        writers.push_back(std::make_unique<WriterProcess>(std::vector<std::string> {"changes", deckPath.string(),
            std::to_string(index), std::to_string(changesEach), std::to_string(attemptsWhileBusy)}));

    std::set<std::string> landed;
    int reports = 0;
    for (auto &writer : writers) {
        for (const auto &line : writer->readAll()) {
            const Report report = parse(line);
            ++reports;
            if (report.outcome == "landed")
                landed.insert(report.label);
            else
                EXPECT_TRUE(report.outcome == "refused" && isRefusal(report.message)) << line;
        }
        const int status = writer->wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    EXPECT_EQ(reports, writerCount * changesEach);
    EXPECT_FALSE(landed.empty());
    const TallowinDocument final = repository.load();
    EXPECT_EQ(final.revision, 1 + static_cast<std::int64_t>(landed.size()));
    EXPECT_EQ(historyIDs(final), landed);
    EXPECT_EQ(entriesOf(deckPath.parent_path()), std::set<std::string> {"Tallowin.md"});
}

// A writer that follows the lock protocol without flock creates the lock file and writes its ID a moment later.
// Caught in between, its empty lock keeps every other writer out: overtaking it would let two writers proceed.
TEST_F(TallowinRepositoryContentionTest, AWriterPausedBetweenCreatingAndFillingTheLockKeepsOthersBusy)
{
    repository.prepareIfNeeded(startingDeck(3));
    const TallowinDocument before = repository.load();
    const std::string deckBefore = folder.read("Decks/Tallowin.md");
    const fs::path lockPath = repository.lockPath();
    WriterProcess writer({"pausing-lock", lockPath.string()});
    ASSERT_EQ(writer.readLine(), std::optional<std::string>("created"));

    const auto expectBusy = [&](const std::string &lockContent) {
        EXPECT_THROW_SENTENCE(TallowinRepositoryError, TallowinRepositoryError::writerBusy(),
            repository.save(withChange(before, before.revision + 1, "overtaker"), before.revision));
        EXPECT_EQ(folder.read("Decks/Tallowin.md"), deckBefore);
        EXPECT_EQ(folder.read("Decks/Tallowin.md.lock"), lockContent);
    };
    expectBusy("");
    writer.send("\n");
    ASSERT_EQ(writer.readLine(), std::optional<std::string>("written"));
    expectBusy(std::to_string(writer.pid()));
    writer.send("\n");
    ASSERT_EQ(writer.readLine(), std::optional<std::string>("released"));
    EXPECT_EQ(writer.wait(), 0);

    repository.save(withChange(before, before.revision + 1, "after"), before.revision);
    EXPECT_EQ(repository.load().revision, before.revision + 1);
    EXPECT_EQ(entriesOf(deckPath.parent_path()), std::set<std::string> {"Tallowin.md"});
}

// Eight processes find the same stale lock at once, round after round. Each saves against the revision
// the round started from, so two holders at once would both land; a witness file shows any overlap of
// their writes directly.
TEST_F(TallowinRepositoryContentionTest, OnlyOneWriterTakesOverAStaleLock)
{
    constexpr int writerCount = 8;
    constexpr int rounds = 400;
    repository.prepareIfNeeded(startingDeck(2));
    fs::create_directory(folder.path("Witness"));
    const fs::path marker = folder.path("Witness/holder");
    const std::string deadWriter = std::to_string(exitedProcessID());

    std::vector<std::unique_ptr<WriterProcess>> writers;
    for (int index = 0; index < writerCount; ++index)
        writers.push_back(std::make_unique<WriterProcess>(
            std::vector<std::string> {"race", deckPath.string(), std::to_string(index), marker.string()}));

    std::int64_t base = 1;
    std::set<std::string> landed;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // A writer that died holding the lock, after writing its ID or before (an empty file then, and old: a young
        // one is a writer still about to write its ID).
        folder.write("Decks/Tallowin.md.lock", round % 2 == 0 ? deadWriter : "");
        if (round % 2 != 0)
            ageLockFile();
        for (auto &writer : writers)
            writer->send(std::to_string(round) + " " + std::to_string(base) + "\n");

        int landedThisRound = 0;
        for (auto &writer : writers) {
            const auto line = writer->readLine();
            ASSERT_TRUE(line.has_value()) << "a writer stopped";
            const Report report = parse(*line);
            if (report.outcome == "landed") {
                ++landedThisRound;
                landed.insert(report.label);
            } else {
                ASSERT_EQ(report.outcome, "refused") << *line;
                EXPECT_TRUE(isRefusal(report.message, base)) << *line;
            }
        }
        ASSERT_LE(landedThisRound, 1);
        ASSERT_EQ(entriesOf(deckPath.parent_path()), std::set<std::string> {"Tallowin.md"});
        ASSERT_FALSE(fs::exists(marker));
        base += landedThisRound;
    }

    for (auto &writer : writers) {
        writer->closeInput();
        const int status = writer->wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    EXPECT_FALSE(landed.empty());
    const TallowinDocument final = repository.load();
    EXPECT_EQ(final.revision, base);
    EXPECT_EQ(historyIDs(final), landed);
}

// A writer killed at any step of its write leaves the old deck or the new one, never a mix, and the next
// writer takes over its lock.
TEST_F(TallowinRepositoryContentionTest, KilledWriterLeavesTheOldOrTheNewDeck)
{
    constexpr int rounds = 240;
    constexpr int renameCall = 5;
    TallowinDocument current = repository.prepareIfNeeded(startingDeck(2000));
    std::mt19937 random(20260314);
    std::uniform_int_distribution<int> callOf(1, 6);
    std::uniform_int_distribution<int> cutOf(0, 1000);
    const std::vector<std::string> phases = {"before", "after", "partial"};

    for (int round = 0; round < rounds; ++round) {
        const int call = callOf(random);
        const std::string phase = phases[std::uniform_int_distribution<std::size_t>(0, call == 2 ? 2 : 1)(random)];
        const int cut = cutOf(random);
        const std::string label = "k" + std::to_string(round);
        SCOPED_TRACE("round " + std::to_string(round) + ": " + phase + " call " + std::to_string(call));

        WriterProcess writer({"crash", deckPath.string(), label, std::to_string(call), phase, std::to_string(cut)});
        const auto output = writer.readAll();
        const int status = writer.wait();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "status " << status << ": " << (output.empty() ? "" : output.front());

        const bool replaced = call > renameCall || (call == renameCall && phase != "before");
        const TallowinDocument expected = replaced ? withChange(current, current.revision + 1, label) : current;
        const TallowinDocument found = TaskMarkdownCodec::decode(folder.read("Decks/Tallowin.md"));
        ASSERT_TRUE(found == expected) << "found revision " << found.revision << ", expected " << expected.revision;
        // It died holding the lock; the next writer has to clear it.
        ASSERT_EQ(folder.read("Decks/Tallowin.md.lock"), std::to_string(writer.pid()));
        // At most its own temporary file is left; the ones of earlier rounds went with the next write.
        auto entries = entriesOf(deckPath.parent_path());
        const auto temporaries
            = std::erase_if(entries, [](const std::string &name) { return name.starts_with(".Tallowin.md.tmp-"); });
        ASSERT_LE(temporaries, 1u);
        ASSERT_EQ(entries, (std::set<std::string> {"Tallowin.md", "Tallowin.md.lock"}));
        current = found;
    }

    const TallowinDocument last = withChange(current, current.revision + 1, "survivor");
    EXPECT_EQ(repository.save(last, current.revision), last);
    EXPECT_EQ(entriesOf(deckPath.parent_path()), std::set<std::string> {"Tallowin.md"});
}

} // namespace
} // namespace tallowin
