#include "Tallowin/platform/QtStorePanels.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QStandardPaths>

namespace tallowin {

namespace {

constexpr const char *importTitle = "Import a Tallowin file";
constexpr const char *importMessage
    = "Tallowin will copy and merge tasks from this file. The original file will not change.";
constexpr const char *importButton = "Import";
constexpr const char *diagnosticsTitle = "Export Tallowin diagnostics";
constexpr const char *diagnosticsButton = "Export";

std::optional<std::filesystem::path> runDialog(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList selected = dialog.selectedFiles();
    if (selected.isEmpty() || selected.first().isEmpty())
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(selected.first()).toStdString());
}

// QFileDialog has no message line. Qt's own dialog is a grid, so the message goes in a row of its own
// under the file type; the window title carries the title.
void addMessage(QFileDialog &dialog, const QString &message)
{
    auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
    if (grid == nullptr)
        return;
    auto *label = new QLabel(message, &dialog);
    label->setObjectName(QStringLiteral("panelMessage"));
    label->setWordWrap(true);
    grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

} // namespace

QtStorePanels::QtStorePanels(QWidget *window)
    : m_window(window)
{ }

std::optional<std::filesystem::path> QtStorePanels::chooseImportFile()
{
    QFileDialog dialog(m_window, QString::fromUtf8(importTitle));
    // The message line needs Qt's own dialog; the platform's cannot take one.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8(importButton));
    dialog.setNameFilters({QStringLiteral("Markdown or plain text (*.md *.txt)"), QStringLiteral("Markdown (*.md)"),
        QStringLiteral("Plain text (*.txt)")});
    addMessage(dialog, QString::fromUtf8(importMessage));
    return runDialog(dialog);
}

std::optional<std::filesystem::path> QtStorePanels::chooseDiagnosticsDestination(const std::string &proposedName)
{
    QFileDialog dialog(m_window, QString::fromUtf8(diagnosticsTitle));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8(diagnosticsButton));
    // The report is Markdown, which is plain text.
    dialog.setNameFilters({QStringLiteral("Plain text (*.md *.txt)")});
    dialog.setDefaultSuffix(QStringLiteral("md"));
    dialog.setDirectory(documentsFolder());
    dialog.selectFile(QString::fromStdString(proposedName));
    return runDialog(dialog);
}

} // namespace tallowin
