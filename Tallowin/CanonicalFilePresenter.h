#pragma once

#include <QFileSystemWatcher>
#include <QObject>

#include <ctime>
#include <filesystem>
#include <functional>
#include <sys/types.h>

namespace tallowin {

// Reports changes that anyone makes to one file: writes in place, atomic replacement (a temporary file
// renamed over it), creation and removal. Watches the file and its folder and follows the file to its new
// inode after every replacement. Changes of other files in the folder and changes of the file's
// permissions alone are not reported; a change it cannot rule out is. Lives on the thread that creates it,
// the main thread, and reports there, once per burst of file-system events.
class CanonicalFilePresenter : public QObject
{
    Q_OBJECT

public:
    explicit CanonicalFilePresenter(const std::filesystem::path &presentedItemURL, QObject *parent = nullptr);

    const std::filesystem::path &presentedItemURL() const { return m_presentedItemURL; }
    // Watches another file from now on; changes of the previous one are no longer reported.
    void setPresentedItemURL(const std::filesystem::path &presentedItemURL);
    // Called after changed() for every reported change.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

signals:
    void changed();

private:
    // What the file looks like on disk; equal snapshots mean the same contents unless the modification
    // time could not tell two writes apart.
    struct Snapshot
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified = {};
        // The snapshot was taken so soon after the last modification that another write in the same
        // clock tick would leave the same time behind.
        bool ambiguous = false;
    };
    // An entry being watched and the inode the watch was placed on.
    struct Watch
    {
        QString path;
        dev_t device = 0;
        ino_t inode = 0;
    };

    void fileEvent(const QString &path);
    void directoryEvent(const QString &path);
    void scheduleCheck();
    void check();
    void arm();
    void armEntry(Watch &watch, const std::filesystem::path &path);
    void disarm();
    static Snapshot snapshotOf(const std::filesystem::path &path);
    static bool sameContents(const Snapshot &a, const Snapshot &b);

    std::filesystem::path m_presentedItemURL;
    std::filesystem::path m_watchedFile;
    std::function<void()> m_onChange;
    QFileSystemWatcher m_watcher;
    Watch m_file;
    Watch m_folder;
    Snapshot m_snapshot;
    bool m_checkScheduled = false;
    bool m_fileTouched = false;
};

} // namespace tallowin
