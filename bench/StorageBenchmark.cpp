// One save of a generated deck by the repository that wrote it last (lock, the revision check from the file's state,
// validate, encode, write, fsync, rename, fsync of the folder), the same save after another writer (the revision
// check then reads and decodes the file), and one change through update(), against the bare I/O floor on the same
// file: read it, write its bytes to a temporary file, fsync, rename, fsync the folder.
#include "TallowinCore/storage/TallowinRepository.h"
#include "tests/support/generator/DeckGenerator.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace {

using tallowin::TallowinDocument;
using tallowin::TallowinRepository;

constexpr std::uint64_t deckSeed = 20260314;

// A folder on the same disk as the system's temporary folder, holding one deck per size.
class BenchFolder
{
public:
    BenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tallowin-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("could not create a folder for the benchmark");
        m_root = pattern;
    }
    ~BenchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    const std::filesystem::path &root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

struct StoredDeck
{
    std::filesystem::path path;
    TallowinDocument document;
};

StoredDeck &storedDeck(std::size_t cards)
{
    static BenchFolder folder;
    static std::map<std::size_t, std::unique_ptr<StoredDeck>> cache;
    auto &entry = cache[cards];
    if (!entry) {
        entry = std::make_unique<StoredDeck>();
        entry->path = folder.root() / std::to_string(cards) / "Tallowin.md";
        entry->document = tallowin::bench::generateDeck(cards, deckSeed);
        TallowinRepository(entry->path).prepareIfNeeded(entry->document);
    }
    return *entry;
}

void check(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(what);
}

void ioFloor(benchmark::State &state)
{
    const StoredDeck &deck = storedDeck(static_cast<std::size_t>(state.range(0)));
    const std::filesystem::path folder = deck.path.parent_path();
    const std::filesystem::path temporary = folder / ".floor.tmp";
    const std::filesystem::path target = folder / "floor.md";
    std::size_t bytes = 0;
    // The bytes go through one buffer kept across iterations, so the floor is the I/O alone: a fresh buffer each
    // time would add faulting in its pages, more or less of it depending on what the allocator gives back.
    std::string buffer(std::filesystem::file_size(deck.path), '\0');
    for (auto _ : state) {
        const int source = ::open(deck.path.c_str(), O_RDONLY | O_CLOEXEC);
        check(source >= 0, "open the deck");
        std::size_t size = 0;
        for (ssize_t count; (count = ::read(source, buffer.data() + size, buffer.size() - size)) > 0;)
            size += std::size_t(count);
        check(::close(source) == 0 && size == buffer.size(), "read the deck");
        const int file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        check(file >= 0, "open");
        for (std::size_t written = 0; written < size;) {
            const ssize_t count = ::write(file, buffer.data() + written, size - written);
            check(count > 0, "write");
            written += std::size_t(count);
        }
        check(::fsync(file) == 0 && ::close(file) == 0, "fsync");
        check(::rename(temporary.c_str(), target.c_str()) == 0, "rename");
        const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        check(directory >= 0 && ::fsync(directory) == 0 && ::close(directory) == 0, "fsync folder");
        bytes = size;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["file_MB"] = double(bytes) / 1e6;
}

void save(benchmark::State &state)
{
    StoredDeck &deck = storedDeck(static_cast<std::size_t>(state.range(0)));
    TallowinRepository repository(deck.path);
    TallowinDocument &document = deck.document;
    for (auto _ : state) {
        const std::int64_t expected = document.revision;
        document.revision = expected + 1;
        repository.save(document, expected);
    }
    state.counters["file_MB"] = double(std::filesystem::file_size(deck.path)) / 1e6;
}

// A save by a repository that did not write the file last, as after another process's write.
void saveAfterAnotherWriter(benchmark::State &state)
{
    StoredDeck &deck = storedDeck(static_cast<std::size_t>(state.range(0)));
    TallowinDocument &document = deck.document;
    for (auto _ : state) {
        TallowinRepository repository(deck.path);
        const std::int64_t expected = document.revision;
        document.revision = expected + 1;
        repository.save(document, expected);
    }
    state.counters["file_MB"] = double(std::filesystem::file_size(deck.path)) / 1e6;
}

// One change through update() (lock, read and decode once, the change made in place, validate beside the
// encoding, write, fsync, rename, fsync of the folder): what a change command pays for storage.
void update(benchmark::State &state)
{
    StoredDeck &deck = storedDeck(static_cast<std::size_t>(state.range(0)));
    TallowinRepository repository(deck.path);
    const TallowinRepository::Change retitle = [](TallowinDocument &&current) -> std::optional<TallowinDocument> {
        current.title = current.title == "Benchmark" ? "Tallowin" : "Benchmark";
        return std::move(current);
    };
    for (auto _ : state) {
        std::optional<TallowinDocument> stored = repository.update(retitle);
        // Freeing the stored deck is its owner's business, not the write's.
        state.PauseTiming();
        stored.reset();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = double(std::filesystem::file_size(deck.path)) / 1e6;
}

} // namespace

// Floor, saves and update alternate per size, so they are measured under the same conditions.
BENCHMARK(ioFloor)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(save)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saveAfterAnotherWriter)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(update)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ioFloor)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(save)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saveAfterAnotherWriter)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(update)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ioFloor)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(save)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saveAfterAnotherWriter)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(update)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
