// tallowin-test-writer: a separate writer process for the contention tests.
//
//   changes DECK WRITER COUNT TRIES    makes COUNT changes in a row, each against the revision it loaded,
//                                      trying a busy save up to TRIES times
//   race DECK WRITER MARKER            per stdin line "ROUND BASE": one change saved against BASE, with a
//                                      witness file MARKER held exclusively while the deck is written
//   crash DECK LABEL CALL PHASE CUT    one change; dies by SIGKILL at the CALLth file operation, BEFORE
//                                      or AFTER it, or PARTIAL (writes CUT per mille of the data first)
//   pausing-lock LOCK                  a writer that follows the lock protocol without flock: creates LOCK
//                                      empty and prints "created", writes its ID after a line on stdin and
//                                      prints "written", removes LOCK after another line and prints "released"
//
// Reports one line per change on stdout (see WriterScenario.h); exits 1 on anything unexpected.

#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "tests/support/FailingFileOperations.h"
#include "tests/tools/WriterScenario.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>

namespace tallowin::test::writer {

namespace {

struct Outcome
{
    std::string name; // "landed", "refused" or "error"
    std::string message;
    bool busy = false;
};

// Refusals are expected in every scenario; any other error is reported as one and ends the program.
Outcome attemptSave(TallowinRepository &repository, const TallowinDocument &next, std::int64_t expected)
{
    try {
        repository.save(next, expected);
        return {"landed", {}};
    } catch (const TallowinRepositoryError &error) {
        return {"refused", error.what(), error.kind() == TallowinRepositoryError::Kind::writerBusy};
    } catch (const std::exception &error) {
        return {"error", error.what()};
    }
}

TallowinDocument loadOrExit(TallowinRepository &repository, const std::string &label)
{
    try {
        return repository.load();
    } catch (const std::exception &error) {
        std::cout << reportLine(label, "error", error.what()) << std::flush;
        std::exit(1);
    }
}

// Each change is saved against the revision it loaded. A busy save is tried again at once with the same
// document, up to attempts times, so that other writers land in between and the revision check must
// refuse it.
int makeChanges(const std::string &deck, const std::string &writer, int count, int attempts)
{
    TallowinRepository repository(deck);
    for (int index = 0; index < count; ++index) {
        const std::string label = "w" + writer + "-c" + std::to_string(index);
        const TallowinDocument loaded = loadOrExit(repository, label);
        const TallowinDocument next = withChange(loaded, loaded.revision + 1, label);
        Outcome outcome = attemptSave(repository, next, loaded.revision);
        for (int attempt = 1; outcome.busy && attempt < attempts; ++attempt)
            outcome = attemptSave(repository, next, loaded.revision);
        std::cout << reportLine(label, outcome.name, outcome.message) << std::flush;
        if (outcome.name == "error")
            return 1;
    }
    return 0;
}

// Holds the witness file from the first step of the write (the temporary file's creation) to the last
// (the folder sync), all of it under the writer lock. Finding the witness already there means another
// process is inside its own write at the same time.
class WitnessFileOperations : public TallowinFileOperations
{
public:
    explicit WitnessFileOperations(std::string marker)
        : m_marker(std::move(marker))
    { }

    int createExclusive(const std::filesystem::path &path, std::error_code &error) override
    {
        if (!m_holding) {
            const int witness = ::open(m_marker.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (witness >= 0) {
                ::close(witness);
                m_holding = true;
            } else {
                overlapped = true;
            }
        }
        return TallowinFileOperations::createExclusive(path, error);
    }

    std::error_code syncDirectory(const std::filesystem::path &directory) override
    {
        const std::error_code error = TallowinFileOperations::syncDirectory(directory);
        release();
        return error;
    }

    void release()
    {
        if (m_holding)
            ::unlink(m_marker.c_str());
        m_holding = false;
    }

    bool overlapped = false;

private:
    std::string m_marker;
    bool m_holding = false;
};

int race(const std::string &deck, const std::string &writer, const std::string &marker)
{
    const auto witness = std::make_shared<WitnessFileOperations>(marker);
    TallowinRepository repository(deck, &TallowinClock::current, witness);
    std::string round;
    std::int64_t base = 0;
    while (std::cin >> round >> base) {
        const std::string label = "r" + round + "-w" + writer;
        witness->overlapped = false;
        const TallowinDocument loaded = loadOrExit(repository, label);
        const Outcome outcome = attemptSave(repository, withChange(loaded, base + 1, label), base);
        witness->release();
        std::cout << reportLine(label, witness->overlapped ? "overlap" : outcome.name, outcome.message) << std::flush;
        if (outcome.name == "error")
            return 1;
    }
    return 0;
}

enum class Phase { before, after, partial };

// Dies at a chosen step of the write, as a process killed at that moment would.
class DyingFileOperations : public TallowinFileOperations
{
public:
    DyingFileOperations(int call, Phase phase, int cutPerMille)
        : m_call(call)
        , m_phase(phase)
        , m_cutPerMille(cutPerMille)
    { }

    int createExclusive(const std::filesystem::path &path, std::error_code &error) override
    {
        const bool dies = step();
        const int descriptor = TallowinFileOperations::createExclusive(path, error);
        if (dies)
            ::raise(SIGKILL);
        return descriptor;
    }
    std::error_code writeAll(int descriptor, std::span<const std::string_view> pieces) override
    {
        const bool dies = step();
        if (dies && m_phase == Phase::partial) {
            const std::size_t cut = test::totalSize(pieces) * static_cast<std::size_t>(m_cutPerMille) / 1000;
            TallowinFileOperations::writeAll(descriptor, test::firstBytesOf(pieces, cut));
            ::raise(SIGKILL);
        }
        return finish(dies, TallowinFileOperations::writeAll(descriptor, pieces));
    }
    std::error_code syncFile(int descriptor) override
    {
        const bool dies = step();
        return finish(dies, TallowinFileOperations::syncFile(descriptor));
    }
    std::error_code close(int descriptor) override
    {
        const bool dies = step();
        return finish(dies, TallowinFileOperations::close(descriptor));
    }
    std::error_code rename(const std::filesystem::path &from, const std::filesystem::path &to) override
    {
        const bool dies = step();
        return finish(dies, TallowinFileOperations::rename(from, to));
    }
    std::error_code syncDirectory(const std::filesystem::path &directory) override
    {
        const bool dies = step();
        return finish(dies, TallowinFileOperations::syncDirectory(directory));
    }

private:
    // Counts the call; dies now when this is the chosen call and the phase says before it.
    bool step()
    {
        const bool chosen = ++m_calls == m_call;
        if (chosen && m_phase == Phase::before)
            ::raise(SIGKILL);
        return chosen;
    }
    std::error_code finish(bool dies, std::error_code result)
    {
        if (dies)
            ::raise(SIGKILL);
        return result;
    }

    int m_calls = 0;
    int m_call;
    Phase m_phase;
    int m_cutPerMille;
};

int crash(const std::string &deck, const std::string &label, int call, const std::string &phase, int cutPerMille)
{
    const Phase chosen = phase == "before" ? Phase::before : phase == "after" ? Phase::after : Phase::partial;
    TallowinRepository repository(
        deck, &TallowinClock::current, std::make_shared<DyingFileOperations>(call, chosen, cutPerMille));
    const TallowinDocument loaded = loadOrExit(repository, label);
    const Outcome outcome = attemptSave(repository, withChange(loaded, loaded.revision + 1, label), loaded.revision);
    std::cout << reportLine(label, outcome.name, outcome.message) << std::flush;
    // Still alive: the chosen call never came.
    return 1;
}

int pausingLock(const std::string &lock)
{
    const int descriptor = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        std::cout << "error\tcannot create the lock file\n" << std::flush;
        return 1;
    }
    std::string line;
    std::cout << "created\n" << std::flush;
    std::getline(std::cin, line);
    const std::string pid = std::to_string(::getpid());
    if (::write(descriptor, pid.data(), pid.size()) != static_cast<ssize_t>(pid.size()))
        return 1;
    std::cout << "written\n" << std::flush;
    std::getline(std::cin, line);
    ::unlink(lock.c_str());
    ::close(descriptor);
    std::cout << "released\n" << std::flush;
    return 0;
}

} // namespace

} // namespace tallowin::test::writer

int main(int argc, char **argv)
{
    using namespace tallowin::test::writer;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "changes" && argc == 6)
        return makeChanges(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
    if (mode == "race" && argc == 5)
        return race(argv[2], argv[3], argv[4]);
    if (mode == "crash" && argc == 7)
        return crash(argv[2], argv[3], std::atoi(argv[4]), argv[5], std::atoi(argv[6]));
    if (mode == "pausing-lock" && argc == 3)
        return pausingLock(argv[2]);
    std::cerr << "usage: tallowin-test-writer changes DECK WRITER COUNT TRIES | race DECK WRITER MARKER"
                 " | crash DECK LABEL CALL before|after|partial CUT | pausing-lock LOCK\n";
    return 2;
}
