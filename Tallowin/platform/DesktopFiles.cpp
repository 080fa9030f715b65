#include "Tallowin/platform/DesktopFiles.h"

#include <QDBusMessage>
#include <QDesktopServices>
#include <QUrl>

namespace tallowin {

namespace {

QUrl urlOf(const std::filesystem::path &path)
{
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

bool openWithDesktop(const std::filesystem::path &path)
{
    return QDesktopServices::openUrl(urlOf(path));
}

} // namespace

bool DesktopFiles::revealOverDBus(const std::filesystem::path &file, QDBusConnection bus,
    const std::function<bool(const std::filesystem::path &)> &openFolder)
{
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("ShowItems"));
        call << QStringList {urlOf(file).toString(QUrl::FullyEncoded)} << QString();
        // A file manager answers at once; one that is not installed is an error just as quickly.
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
    }
    return openFolder(file.parent_path());
}

DesktopFiles DesktopFiles::system()
{
    DesktopFiles files;
    files.open = &openWithDesktop;
    files.reveal = [](const std::filesystem::path &file) {
        return revealOverDBus(file, QDBusConnection::sessionBus(), &openWithDesktop);
    };
    return files;
}

} // namespace tallowin
