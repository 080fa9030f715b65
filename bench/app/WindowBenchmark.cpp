// The review window on the 10,000-card deck:
//   startToFirstCard   `tallowin --quit-after-first-card` as a process, from its start to the first card drawn,
//                      against `tallowin-cli check` of the same deck in the same run (the ratio is reported);
//   keyToNextCard      from a Ctrl+Down key press to the next card drawn, in a window on the offscreen platform with
//                      the real worker thread, so that the save runs as it does for a person.
#include "Tallowin/platform/ApplicationServices.h"
#include "Tallowin/screens/DeckCanvas.h"
#include "Tallowin/screens/TallowinApp.h"
#include "Tallowin/screens/TaskCard.h"
#include "Tallowin/store/TaskStore.h"
#include "tests/support/generator/DeckGenerator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

using namespace tallowin;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t deckSeed = 20260314;
constexpr std::size_t deckCards = 10000;

std::filesystem::path benchmarkFolder()
{
    static const std::filesystem::path folder = [] {
        const std::filesystem::path path = std::filesystem::temp_directory_path() / "tallowin-window-benchmark";
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path / "config");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        const std::filesystem::path deck = path / "Tallowin.md";
        std::ofstream(deck, std::ios::binary) << bench::generateDeckText(deckCards, deckSeed);
        std::filesystem::permissions(deck, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        return path;
    }();
    return folder;
}

std::filesystem::path deckFile()
{
    return benchmarkFolder() / "Tallowin.md";
}

// Runs a program to its end with the deck and a private configuration folder; answers how long that took.
double runMilliseconds(const std::vector<std::string> &arguments)
{
    std::vector<std::string> variables {"TALLOWIN_FILE_PATH=" + deckFile().string(), "QT_QPA_PLATFORM=offscreen",
        "XDG_CONFIG_HOME=" + (benchmarkFolder() / "config").string(), "HOME=" + benchmarkFolder().string()};
    for (char **entry = environ; *entry; ++entry) {
        const std::string variable(*entry);
        if (variable.rfind("TALLOWIN_", 0) != 0 && variable.rfind("QT_QPA_PLATFORM=", 0) != 0
            && variable.rfind("XDG_CONFIG_HOME=", 0) != 0 && variable.rfind("HOME=", 0) != 0)
            variables.push_back(variable);
    }
    std::vector<char *> environment;
    for (std::string &variable : variables)
        environment.push_back(variable.data());
    environment.push_back(nullptr);
    std::vector<std::string> copies = arguments;
    std::vector<char *> argv;
    for (std::string &argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const Clock::time_point started = Clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environment.data()) != 0)
        throw std::runtime_error("could not start " + arguments.front());
    int status = 0;
    waitpid(child, &status, 0);
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(arguments.front() + " failed");
    return elapsed;
}

// Both programs in turn, so that a machine getting busier slows both alike.
void startToFirstCard(benchmark::State &state)
{
    // Cards whose time has come are returned once here, so that no start below has a save to make.
    runMilliseconds({TALLOWIN_CLI_BINARY, "due"});
    runMilliseconds({TALLOWIN_APP_BINARY, "--quit-after-first-card"});
    double windowTotal = 0;
    double checkTotal = 0;
    for (auto _ : state) {
        const double window = runMilliseconds({TALLOWIN_APP_BINARY, "--quit-after-first-card"});
        const double check = runMilliseconds({TALLOWIN_CLI_BINARY, "check"});
        windowTotal += window;
        checkTotal += check;
        state.SetIterationTime(window / 1000.0);
    }
    state.counters["window_ms"] = windowTotal / double(state.iterations());
    state.counters["check_ms"] = checkTotal / double(state.iterations());
    state.counters["window_per_check"] = windowTotal / checkTotal;
}

bool waitFor(const std::function<bool()> &condition, int milliseconds = 60000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void keyToNextCard(benchmark::State &state)
{
    qputenv("TALLOWIN_FILE_PATH", QByteArray::fromStdString(deckFile().string()));
    const TaskStore::Services services = applicationServices();
    const std::shared_ptr<TallowinSerialExecutor> worker = services.worker;
    TaskStore store(std::nullopt, false, services);
    TallowinApp window(store);
    window.resize(1600, 900);
    window.show();
    TaskCard *card = window.canvas()->card();
    QString drawnID;
    Clock::time_point drawnAt;
    QObject::connect(card, &TaskCard::drawn, card, [&](const QString &id) {
        if (id != drawnID) {
            drawnID = id;
            drawnAt = Clock::now();
        }
    });
    const auto idle = [&] {
        return store.hasLoaded() && store.saveActivity() == TallowinSaveActivity::idle && !store.reloadGate().isLoading;
    };
    if (!waitFor([&] { return idle() && !drawnID.isEmpty(); }))
        throw std::runtime_error("the benchmark deck did not load");

    double saveTotal = 0;
    for (auto _ : state) {
        const QString before = drawnID;
        const Clock::time_point pressed = Clock::now();
        QTest::keyClick(card, Qt::Key_Down, Qt::ControlModifier);
        if (!waitFor([&] { return drawnID != before; }))
            throw std::runtime_error("the next card was not drawn");
        state.SetIterationTime(std::chrono::duration<double>(drawnAt - pressed).count());
        // The save of the review order, on the worker; a key before its end would be refused.
        const Clock::time_point drawn = Clock::now();
        if (!waitFor(idle))
            throw std::runtime_error("the save did not finish");
        saveTotal += std::chrono::duration<double, std::milli>(Clock::now() - drawn).count();
        // Behind the save the worker copies the deck for the next action; a person reads the card meanwhile.
        auto copied = std::make_shared<std::atomic<bool>>(false);
        worker->post([copied] { *copied = true; });
        if (!waitFor([&] { return copied->load(); }))
            throw std::runtime_error("the worker did not finish");
        QCoreApplication::processEvents();
    }
    state.counters["save_after_ms"] = saveTotal / double(state.iterations());
}

} // namespace

BENCHMARK(startToFirstCard)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(keyToNextCard)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(benchmarkFolder());
    return 0;
}
