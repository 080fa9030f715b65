#pragma once

#include "Tallowin/store/FileSnapshot.h"

#include <QFileSystemWatcher>
#include <QObject>

#include <filesystem>
#include <functional>

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
    explicit CanonicalFilePresenter(const std::filesystem::path &presentedItemPath, QObject *parent = nullptr);

    const std::filesystem::path &presentedItemPath() const { return m_presentedItemPath; }
    // Watches another file from now on; changes of the previous one are no longer reported.
    void setPresentedItemPath(const std::filesystem::path &presentedItemPath);
    // Called after changed() for every reported change.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    // The owner itself left the file as `written`, so that is no change; whatever differs from it now or
    // later is reported. Notifications of one's own writes arrive late and would otherwise look foreign.
    void acknowledgeOwnWrite(const FileSnapshot &written);

signals:
    void changed();

private:
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

    std::filesystem::path m_presentedItemPath;
    std::filesystem::path m_watchedFile;
    std::function<void()> m_onChange;
    QFileSystemWatcher m_watcher;
    Watch m_file;
    Watch m_folder;
    FileSnapshot m_snapshot;
    bool m_checkScheduled = false;
    bool m_fileTouched = false;
};

} // namespace tallowin
