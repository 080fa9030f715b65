#include "Tallowin/platform/QtStorePanels.h"

#include "tests/support/TemporaryFolder.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tallowin;
using namespace tallowin::test;

namespace {

// Answers the next modal file dialog as the user would. QDialog::exec() shows the dialog before it runs its
// event loop, so the dialog is up when the timer fires; anything else up is closed, failing the test.
void answerNextDialog(std::function<void(QFileDialog &)> answer)
{
    QTimer::singleShot(0, [answer = std::move(answer)] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QFileDialog *>(modal))
            answer(*dialog);
        else if (modal != nullptr)
            modal->close();
    });
}

QString qtPath(const std::filesystem::path &path)
{
    return QString::fromStdString(path.string());
}

} // namespace

class QtStorePanelsTests : public QObject
{
    Q_OBJECT

private slots:
    void importPanelOffersMarkdownAndTextAndReturnsThePick()
    {
        TemporaryFolder folder;
        folder.write("Team.md", "# Team");
        QtStorePanels panels;
        QString title;
        QString confirm;
        QString message;
        QStringList filters;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        bool mayCreateFolders = false;
        answerNextDialog([&](QFileDialog &dialog) {
            title = dialog.windowTitle();
            confirm = dialog.labelText(QFileDialog::Accept);
            if (const auto *label = dialog.findChild<QLabel *>(QStringLiteral("panelMessage")))
                message = label->text();
            filters = dialog.nameFilters();
            mode = dialog.fileMode();
            mayCreateFolders = !dialog.testOption(QFileDialog::ReadOnly);
            dialog.setDirectory(qtPath(folder.root()));
            dialog.selectFile(qtPath(folder.path("Team.md")));
            static_cast<QDialog &>(dialog).accept();
        });

        const auto picked = panels.chooseImportFile();
        QCOMPARE(picked, std::optional<std::filesystem::path>(folder.path("Team.md")));
        QCOMPARE(title, QStringLiteral("Import a Tallowin file"));
        QCOMPARE(confirm, QStringLiteral("Import"));
        QCOMPARE(message,
            QStringLiteral("Tallowin will copy and merge tasks from this file. The original file will not change."));
        QCOMPARE(mode, QFileDialog::ExistingFile);
        QVERIFY(mayCreateFolders);
        QVERIFY(!filters.isEmpty());
        QVERIFY(filters.first().contains(QStringLiteral("*.md")));
        QVERIFY(filters.first().contains(QStringLiteral("*.txt")));
    }

    void cancellingEitherPanelReturnsNothing()
    {
        QtStorePanels panels;
        answerNextDialog([](QFileDialog &dialog) { dialog.reject(); });
        QCOMPARE(panels.chooseImportFile(), std::nullopt);
        answerNextDialog([](QFileDialog &dialog) { dialog.reject(); });
        QCOMPARE(panels.chooseDiagnosticsDestination("Tallowin-Diagnostics-2026-03-14-102653.md"), std::nullopt);
    }

    void diagnosticsPanelProposesTheNameAndReturnsTheDestination()
    {
        TemporaryFolder folder;
        QtStorePanels panels;
        QString title;
        QString confirm;
        QString proposed;
        QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
        answerNextDialog([&](QFileDialog &dialog) {
            title = dialog.windowTitle();
            confirm = dialog.labelText(QFileDialog::Accept);
            acceptMode = dialog.acceptMode();
            const QStringList selected = dialog.selectedFiles();
            proposed = selected.isEmpty() ? QString() : QFileInfo(selected.first()).fileName();
            dialog.setDirectory(qtPath(folder.root()));
            dialog.selectFile(qtPath(folder.path("Report.md")));
            static_cast<QDialog &>(dialog).accept();
        });

        const auto destination = panels.chooseDiagnosticsDestination("Tallowin-Diagnostics-2026-03-14-102653.md");
        QCOMPARE(destination, std::optional<std::filesystem::path>(folder.path("Report.md")));
        QCOMPARE(title, QStringLiteral("Export Tallowin diagnostics"));
        QCOMPARE(confirm, QStringLiteral("Export"));
        QCOMPARE(acceptMode, QFileDialog::AcceptSave);
        QCOMPARE(proposed, QStringLiteral("Tallowin-Diagnostics-2026-03-14-102653.md"));
    }
};

QTEST_MAIN(QtStorePanelsTests)
#include "QtStorePanelsTests.moc"
