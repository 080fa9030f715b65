#include "Tallowin/store/TaskStore.h"

#include "Tallowin/store/FailureText.h"
#include "TallowinCore/discovery/TallowinDiagnosticsReport.h"
#include "TallowinCore/discovery/TallowinSystemInfo.h"
#include "TallowinCore/io/TallowinAtomicFile.h"

#include <QPointer>

#include <ctime>

// What crosses the deck's boundary on the user's request: imports, the diagnostics report, the discovery scan.

namespace tallowin {

namespace {

// "Tallowin-Diagnostics-2026-03-14-092653.md" in local time.
std::string diagnosticsFileName(TallowinInstant now)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local {};
    tzset();
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
    return std::string("Tallowin-Diagnostics-") + stamp + ".md";
}

} // namespace

void TaskStore::importFile()
{
    const std::optional<std::filesystem::path> chosen = m_fileAccess->chooseImportFile(*m_services.panels);
    if (chosen)
        importChosenFile(*chosen);
}

void TaskStore::importChosenFile(const std::filesystem::path &chosen)
{
    const std::vector<std::filesystem::path> sources = CanonicalFileAccess::importSources(chosen, m_filePath);
    if (sources.empty())
        return;
    auto report = std::make_shared<TallowinImportReport>();
    onWorker([repository = m_repository, sources, report] { *report = repository->importFiles(sources); },
        [report](TaskStore &store, std::exception_ptr failure) {
            if (failure) {
                store.setErrorMessage(failureText(failure));
                return;
            }
            store.m_importReport = std::move(*report);
            emit store.importReportChanged();
            store.setNotice(store.m_importReport->summary());
            if (store.m_observesExternalChanges && store.m_usesCanonicalStorage)
                store.recordFilePath();
            store.reload();
            if (store.m_cloudSync)
                store.m_cloudSync->requestSync();
        });
}

std::string TaskStore::diagnosticsReport() const
{
    TallowinDiagnosticsInput input;
    input.document = *m_document;
    input.settings = m_settings;
    input.filePath = m_filePath;
    input.settingsFilePath = m_settingsFilePath;
    input.importReport = m_importReport;
    input.shortVersion = TallowinSystemInfo::shortVersion();
    input.buildNumber = TallowinSystemInfo::buildNumber();
    input.operatingSystemVersion = TallowinSystemInfo::operatingSystemVersion();
    return TallowinDiagnosticsReport::build(input, m_services.clock());
}

void TaskStore::exportDiagnostics()
{
    const TallowinInstant now = m_services.clock();
    const std::optional<std::filesystem::path> destination
        = m_services.panels->chooseDiagnosticsDestination(diagnosticsFileName(now));
    if (!destination || destination->empty())
        return;
    auto report = std::make_shared<const std::string>(diagnosticsReport());
    onWorker(
        [destination = *destination, report] {
            TallowinFileOperations operations;
            TallowinAtomicFile::write(destination, *report, operations);
        },
        [](TaskStore &store, std::exception_ptr failure) {
            if (failure)
                store.setErrorMessage("Tallowin could not export diagnostics: " + failureText(failure));
            else
                store.setNotice("Exported a diagnostic report you can attach here.");
        });
}

void TaskStore::startDiscovery()
{
    if (m_isScanning)
        return;
    setIsScanning(true);
    setScanStatus("Checking Slack access and looking for tasks…");
    m_discoveryInFlight = true;
    const QPointer<TaskStore> self(this);
    m_discoveryRunner->openScan(m_filePath, [self](std::exception_ptr failure) {
        if (!self)
            return;
        TaskStore &store = *self;
        if (failure) {
            store.setScanStatus(std::nullopt);
            store.setErrorMessage(failureText(failure));
        } else {
            const std::string opened = "Task scan opened in Codex. Run it there, then return to Tallowin.";
            store.setScanStatus(opened);
            store.setNotice(opened);
        }
        store.setIsScanning(false);
        store.m_discoveryInFlight = false;
    });
}

} // namespace tallowin
