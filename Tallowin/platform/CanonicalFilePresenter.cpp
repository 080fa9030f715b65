#include "Tallowin/platform/CanonicalFilePresenter.h"

#include <QFile>
#include <QPointer>

#include <sys/stat.h>
#include <utility>

namespace tallowin {

namespace {

QString qtPath(const std::filesystem::path &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

std::filesystem::path standardized(const std::filesystem::path &path)
{
    std::error_code failure;
    const std::filesystem::path absolute = std::filesystem::absolute(path, failure);
    return (failure ? path : absolute).lexically_normal();
}

bool isDirectory(const std::filesystem::path &path)
{
    struct stat status = {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The file's folder, or while that is missing the closest folder above it that exists, where the
// missing folder's creation will show.
std::filesystem::path folderToWatch(const std::filesystem::path &file)
{
    std::filesystem::path folder = file.parent_path();
    while (!folder.empty() && !isDirectory(folder) && folder.parent_path() != folder)
        folder = folder.parent_path();
    return folder;
}

} // namespace

CanonicalFilePresenter::CanonicalFilePresenter(const std::filesystem::path &presentedItemPath, QObject *parent)
    : QObject(parent)
    , m_presentedItemPath(presentedItemPath)
    , m_watchedFile(standardized(presentedItemPath))
    , m_watcher(this)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &CanonicalFilePresenter::fileEvent);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &CanonicalFilePresenter::directoryEvent);
    arm();
    m_snapshot = FileSnapshot::of(m_watchedFile);
}

void CanonicalFilePresenter::setPresentedItemPath(const std::filesystem::path &presentedItemPath)
{
    m_presentedItemPath = presentedItemPath;
    m_watchedFile = standardized(presentedItemPath);
    disarm();
    m_fileTouched = false;
    arm();
    m_snapshot = FileSnapshot::of(m_watchedFile);
}

void CanonicalFilePresenter::acknowledgeOwnWrite(const FileSnapshot &written)
{
    // The writer knows these contents, so a same-tick write cannot hide behind them.
    m_snapshot = written;
    m_snapshot.ambiguous = false;
    m_fileTouched = false;
    scheduleCheck();
}

void CanonicalFilePresenter::fileEvent(const QString &path)
{
    if (path != m_file.path)
        return;
    m_fileTouched = true;
    scheduleCheck();
}

void CanonicalFilePresenter::directoryEvent(const QString &path)
{
    if (path == m_folder.path)
        scheduleCheck();
}

// One replacement brings several events (the temporary's creation, the rename, the old inode's removal);
// they are read together, and one check after them reports them once.
void CanonicalFilePresenter::scheduleCheck()
{
    if (m_checkScheduled)
        return;
    m_checkScheduled = true;
    QMetaObject::invokeMethod(this, &CanonicalFilePresenter::check, Qt::QueuedConnection);
}

void CanonicalFilePresenter::check()
{
    m_checkScheduled = false;
    const bool touched = std::exchange(m_fileTouched, false);
    // Watches first, then the snapshot: a change after the snapshot then always raises another event.
    arm();
    const FileSnapshot current = FileSnapshot::of(m_watchedFile);
    // An event on the file itself with nothing visibly different is a change of permissions (every read
    // of the deck sets them), unless a same-sized write in the same clock tick could hide behind it.
    const bool same = current.sameContents(m_snapshot);
    const bool report = !same || (touched && current.exists && m_snapshot.ambiguous);
    // An unambiguous snapshot of the same contents stays: any write after it would have moved the time.
    if (!same || m_snapshot.ambiguous)
        m_snapshot = current;
    if (!report)
        return;
    const QPointer<CanonicalFilePresenter> alive(this);
    emit changed();
    if (alive && m_onChange) {
        // A copy, since the handler may replace itself.
        const std::function<void()> onChange = m_onChange;
        onChange();
    }
}

void CanonicalFilePresenter::arm()
{
    armEntry(m_folder, folderToWatch(m_watchedFile));
    struct stat status = {};
    if (::stat(m_watchedFile.c_str(), &status) == 0) {
        armEntry(m_file, m_watchedFile);
    } else if (!m_file.path.isEmpty()) {
        if (m_watcher.files().contains(m_file.path))
            m_watcher.removePath(m_file.path);
        m_file = {};
    }
}

// Places the watch on the inode the path names now. An atomic replacement leaves the old watch on the old
// inode (Qt drops it only once that inode is gone), so the inode decides, not whether the path is watched.
void CanonicalFilePresenter::armEntry(Watch &watch, const std::filesystem::path &path)
{
    const QString name = qtPath(path);
    for (int attempt = 0; attempt < 3; ++attempt) {
        struct stat before = {};
        const bool exists = !path.empty() && ::stat(path.c_str(), &before) == 0;
        const bool watched = m_watcher.files().contains(watch.path) || m_watcher.directories().contains(watch.path);
        if (exists && watched && watch.path == name && watch.device == before.st_dev && watch.inode == before.st_ino)
            return;
        if (watched)
            m_watcher.removePath(watch.path);
        watch = {};
        if (!exists || !m_watcher.addPath(name))
            return;
        // Replaced between the look and the watch: the watch may sit on the old inode, so place it again.
        struct stat after = {};
        if (::stat(path.c_str(), &after) == 0 && after.st_dev == before.st_dev && after.st_ino == before.st_ino) {
            watch = {name, before.st_dev, before.st_ino};
            return;
        }
        watch = {name, 0, 0};
    }
}

void CanonicalFilePresenter::disarm()
{
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_file = {};
    m_folder = {};
}

} // namespace tallowin
