#include "Tallowin/screens/TallowinSettingsView.h"

#include "Tallowin/screens/SheetParts.h"
#include "Tallowin/screens/SheetStyle.h"
#include "Tallowin/screens/SheetTextEdit.h"
#include "Tallowin/screens/SyncSettingsSection.h"
#include "Tallowin/store/TaskStore.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace tallowin {

namespace {

constexpr const char *exportedNotice = "Exported a diagnostic report you can attach here.";
constexpr const char *exportFailurePrefix = "Tallowin could not export diagnostics: ";

QLabel *label(const QString &text, SheetStyle::Role role, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setWordWrap(true);
    SheetStyle::apply(result, role);
    return result;
}

QCheckBox *checkBox(const QString &text, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    box->setAccessibleName(text);
    return box;
}

// A count field; its name is the label before it, its unit the label after it. The values in the file have no
// upper bound, so neither has the field beyond what it can hold.
QSpinBox *countField(const QString &name, QWidget *parent)
{
    auto *field = new QSpinBox(parent);
    field->setRange(1, INT_MAX);
    field->setAccessibleName(name);
    field->setMinimumWidth(90);
    field->setAlignment(Qt::AlignRight);
    return field;
}

int shownCount(std::int64_t value)
{
    return int(std::clamp<std::int64_t>(value, 1, INT_MAX));
}

} // namespace

TallowinSettingsView::TallowinSettingsView(TaskStore &store, const TallowinPresentation &, QWidget *parent)
    : TallowinSheet(store, parent)
    , m_openFile([](const std::filesystem::path &path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path.string())));
    })
{
    auto *content = new QWidget;
    content->setAutoFillBackground(false);

    m_automatic = checkBox(QStringLiteral("Find tasks automatically"), content);
    auto *automaticHelp
        = label(QStringLiteral("Runs through Codex on this Mac. Codex needs access to Slack and your Tallowin file."),
            SheetStyle::Role::secondary, content);
    automaticHelp->setIndent(26);

    auto *counts = new QGridLayout;
    counts->setHorizontalSpacing(10);
    counts->setVerticalSpacing(8);
    counts->setColumnStretch(3, 1);
    const auto countRow = [&](int row, const QString &name, const QString &unit, int indent) {
        auto *nameLabel = new QLabel(name, content);
        nameLabel->setIndent(indent);
        QSpinBox *field = countField(name, content);
        nameLabel->setBuddy(field);
        counts->addWidget(nameLabel, row, 0);
        counts->addWidget(field, row, 1);
        counts->addWidget(new QLabel(unit, content), row, 2);
        return field;
    };
    m_hours = countRow(0, QStringLiteral("Check every"), QStringLiteral("hours"), 0);
    auto *rangeHeading = label(QStringLiteral("Scan history range"), SheetStyle::Role::sectionTitle, content);
    counts->addWidget(rangeHeading, 1, 0, 1, 4);
    m_firstScan = countRow(2, QStringLiteral("First scan"), QStringLiteral("days"), 12);
    m_laterScans = countRow(3, QStringLiteral("Later scans"), QStringLiteral("days"), 12);
    m_overlap = countRow(4, QStringLiteral("Overlap"), QStringLiteral("days"), 12);
    counts->setRowMinimumHeight(1, 34);
    counts->setAlignment(rangeHeading, Qt::AlignBottom);

    auto *peopleHeading = label(QStringLiteral("People to watch"), SheetStyle::Role::sectionTitle, content);
    auto *peopleHelp
        = label(QStringLiteral("Add one name per line. Only updates that need your attention become task suggestions."),
            SheetStyle::Role::secondary, content);
    m_names = new SheetTextEdit(SheetTextEdit::ReturnKey::startsLine, content);
    m_names->setPlaceholderText(QStringLiteral("Names, optional"));
    m_names->setAccessibleName(peopleHeading->text());
    m_names->setFixedHeight(96);
    peopleHeading->setBuddy(m_names);
    m_activity = checkBox(QStringLiteral("Activity"), content);
    m_comments = checkBox(QStringLiteral("Comments and replies"), content);
    m_gitHub = checkBox(QStringLiteral("GitHub changes, when connected"), content);

    auto *filesHeading = label(QStringLiteral("Files and diagnostics"), SheetStyle::Role::sectionTitle, content);
    m_editFile = new QPushButton(QStringLiteral("Edit settings file"), content);
    m_editFile->setAccessibleName(m_editFile->text());
    SheetStyle::apply(m_editFile, SheetStyle::Role::button);
    m_export = new QPushButton(QStringLiteral("Export diagnostics…"), content);
    m_export->setAccessibleName(m_export->text());
    SheetStyle::apply(m_export, SheetStyle::Role::button);
    auto *fileButtons = new QHBoxLayout;
    fileButtons->addWidget(m_editFile);
    fileButtons->addWidget(m_export);
    fileButtons->addStretch();
    m_fileResult = label(QString(), SheetStyle::Role::secondary, content);
    m_fileResult->setTextFormat(Qt::PlainText);
    m_fileResult->hide();

    m_sync = new SyncSettingsSection(store, content);

    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 12, 0);
    column->setSpacing(8);
    column->addWidget(m_automatic);
    column->addWidget(automaticHelp);
    column->addSpacing(4);
    column->addLayout(counts);
    column->addSpacing(14);
    column->addWidget(peopleHeading);
    column->addWidget(peopleHelp);
    column->addWidget(m_names);
    column->addWidget(m_activity);
    column->addWidget(m_comments);
    column->addWidget(m_gitHub);
    column->addSpacing(14);
    column->addWidget(filesHeading);
    column->addLayout(fileButtons);
    column->addWidget(m_fileResult);
    column->addSpacing(14);
    column->addWidget(m_sync);
    column->addStretch();

    QScrollArea *scroll = SheetParts::scroller(content, this);

    m_saveResult = label(QString(), SheetStyle::Role::sectionTitle, this);
    m_saveReason = label(QString(), SheetStyle::Role::secondary, this);
    m_saveReason->setTextFormat(Qt::PlainText);
    m_saveResult->hide();
    m_saveReason->hide();
    m_save = new QPushButton(QStringLiteral("Save settings"), this);
    m_save->setAccessibleName(m_save->text());
    m_save->setDefault(true);
    SheetStyle::apply(m_save, SheetStyle::Role::primaryButton);
    auto *results = new QVBoxLayout;
    results->setSpacing(2);
    results->addWidget(m_saveResult);
    results->addWidget(m_saveReason);
    auto *footer = new QHBoxLayout;
    footer->addLayout(results, 1);
    footer->addWidget(m_save, 0, Qt::AlignRight | Qt::AlignBottom);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(
        SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin);
    layout->setSpacing(8);
    layout->addWidget(label(title(), SheetStyle::Role::heading, this));
    layout->addWidget(label(
        QStringLiteral("Choose when to find tasks and whose updates matter."), SheetStyle::Role::secondary, this));
    layout->addSpacing(8);
    layout->addWidget(scroll, 1);
    layout->addSpacing(4);
    layout->addLayout(footer);

    // Each field writes only its own part of the draft, so a value the field cannot show stays as the file has it.
    connect(m_automatic, &QCheckBox::toggled, this, [this](bool on) {
        m_draft.findTasksAutomatically = on;
        edited();
    });
    connect(m_hours, &QSpinBox::valueChanged, this, [this](int value) {
        m_draft.checkEveryHours = value;
        edited();
    });
    connect(m_firstScan, &QSpinBox::valueChanged, this, [this](int value) {
        m_draft.firstScanDays = value;
        edited();
    });
    connect(m_laterScans, &QSpinBox::valueChanged, this, [this](int value) {
        m_draft.laterScansDays = value;
        edited();
    });
    connect(m_overlap, &QSpinBox::valueChanged, this, [this](int value) {
        m_draft.overlapDays = value;
        edited();
    });
    connect(m_names, &QPlainTextEdit::textChanged, this, [this] {
        m_draft.peopleToWatch = m_names->text().toStdString();
        edited();
    });
    connect(m_activity, &QCheckBox::toggled, this, [this](bool on) {
        m_draft.activity = on;
        edited();
    });
    connect(m_comments, &QCheckBox::toggled, this, [this](bool on) {
        m_draft.commentsAndReplies = on;
        edited();
    });
    connect(m_gitHub, &QCheckBox::toggled, this, [this](bool on) {
        m_draft.gitHubChanges = on;
        edited();
    });
    connect(m_save, &QPushButton::clicked, this, &TallowinSettingsView::submit);
    connect(m_editFile, &QPushButton::clicked, this, &TallowinSettingsView::editSettingsFile);
    connect(m_export, &QPushButton::clicked, this, &TallowinSettingsView::exportDiagnostics);
    connect(&store, &TaskStore::settingsChanged, this, &TallowinSettingsView::settingsChanged);
    connect(&store, &TaskStore::settingsSaveFinished, this, &TallowinSettingsView::saveFinished);
    connect(
        &store.syncConnection(), &SyncConnection::saveFinished, this, &TallowinSettingsView::connectionSaveFinished);
    connect(&store, &TaskStore::noticeChanged, this, [this] {
        if (m_exporting && this->store().notice() == exportedNotice) {
            m_exporting = false;
            showFileResult(QString::fromLatin1(exportedNotice), false);
        }
    });
    connect(&store, &TaskStore::errorMessageChanged, this, [this] {
        const std::optional<std::string> &error = this->store().errorMessage();
        if (m_exporting && error && error->starts_with(exportFailurePrefix)) {
            m_exporting = false;
            showFileResult(QString::fromStdString(*error), true);
        }
    });

    m_draft = m_shown = SettingsDraft::of(store.settings());
    showDraft();
    setFocusProxy(m_automatic);
    resize(600, 720);
}

TallowinSettingsView::~TallowinSettingsView() = default;

QString TallowinSettingsView::title() const
{
    return QStringLiteral("Settings");
}

void TallowinSettingsView::showDraft()
{
    const QSignalBlocker blockers[] = {QSignalBlocker(m_automatic), QSignalBlocker(m_hours),
        QSignalBlocker(m_firstScan), QSignalBlocker(m_laterScans), QSignalBlocker(m_overlap), QSignalBlocker(m_names),
        QSignalBlocker(m_activity), QSignalBlocker(m_comments), QSignalBlocker(m_gitHub)};
    m_automatic->setChecked(m_draft.findTasksAutomatically);
    m_hours->setValue(shownCount(m_draft.checkEveryHours));
    m_firstScan->setValue(shownCount(m_draft.firstScanDays));
    m_laterScans->setValue(shownCount(m_draft.laterScansDays));
    m_overlap->setValue(shownCount(m_draft.overlapDays));
    m_names->setPlainText(QString::fromStdString(m_draft.peopleToWatch));
    m_activity->setChecked(m_draft.activity);
    m_comments->setChecked(m_draft.commentsAndReplies);
    m_gitHub->setChecked(m_draft.gitHubChanges);
}

void TallowinSettingsView::settingsChanged()
{
    const bool edited = m_draft != m_shown;
    m_shown = SettingsDraft::of(store().settings());
    if (edited)
        return;
    m_draft = m_shown;
    showDraft();
}

void TallowinSettingsView::submit()
{
    if (m_awaitingSave || m_awaitingConnection)
        return;
    // An edited sync connection is checked with the server and kept first; the rest follows once it is.
    if (m_sync->connectionEdited()) {
        m_awaitingConnection = true;
        m_save->setEnabled(false);
        m_sync->saveConnection();
        return;
    }
    saveDraft();
}

void TallowinSettingsView::saveDraft()
{
    try {
        store().saveSettings(m_draft.applied(store().settings()));
    } catch (const std::exception &error) {
        m_save->setEnabled(true);
        showSaveResult(QStringLiteral("Couldn’t save settings"), QString::fromStdString(error.what()), true);
        return;
    }
    // The file is written on the store's worker; saveFinished() tells how it went.
    m_awaitingSave = true;
    m_save->setEnabled(false);
}

void TallowinSettingsView::connectionSaveFinished()
{
    if (!m_awaitingConnection)
        return;
    m_awaitingConnection = false;
    const std::optional<SyncConnection::Outcome> &outcome = store().syncConnection().outcome();
    if (!outcome || !outcome->succeeded) {
        m_save->setEnabled(true);
        showSaveResult(QStringLiteral("Couldn’t save settings"),
            outcome ? QString::fromStdString(outcome->text) : QString(), true);
        return;
    }
    saveDraft();
}

void TallowinSettingsView::saveFinished()
{
    if (!m_awaitingSave)
        return;
    m_awaitingSave = false;
    m_save->setEnabled(true);
    if (const std::optional<std::string> &failure = store().settingsSaveError()) {
        showSaveResult(QStringLiteral("Couldn’t save settings"), QString::fromStdString(*failure), true);
        return;
    }
    // The saved settings are the validated ones: trimmed names without repeats.
    m_draft = m_shown = SettingsDraft::of(store().settings());
    showDraft();
    showSaveResult(QStringLiteral("Settings saved"), {}, false);
}

void TallowinSettingsView::edited()
{
    // "Settings saved" is about the values as they were saved, not as they are being edited now.
    if (m_saved) {
        m_saved = false;
        m_saveResult->hide();
    }
}

void TallowinSettingsView::showSaveResult(const QString &result, const QString &reason, bool failed)
{
    m_saveResult->setText(result);
    SheetStyle::apply(m_saveResult, failed ? SheetStyle::Role::danger : SheetStyle::Role::sectionTitle);
    m_saveResult->show();
    m_saveReason->setText(reason);
    m_saveReason->setVisible(!reason.isEmpty());
    m_saved = !failed;
}

void TallowinSettingsView::showFileResult(const QString &text, bool failed)
{
    m_fileResult->setText(text);
    SheetStyle::apply(m_fileResult, failed ? SheetStyle::Role::danger : SheetStyle::Role::secondary);
    m_fileResult->show();
}

void TallowinSettingsView::editSettingsFile()
{
    QString problem;
    try {
        store().loadSettings(true);
    } catch (const std::exception &error) {
        // An invalid file is what the user may want to open and fix.
        problem = QString::fromStdString(error.what());
    }
    const std::filesystem::path path = store().settingsFilePath();
    std::error_code missing;
    if (std::filesystem::exists(path, missing) && m_openFile(path)) {
        if (problem.isEmpty())
            m_fileResult->hide();
        else
            showFileResult(problem, true);
        return;
    }
    if (problem.isEmpty())
        problem = QStringLiteral("No application is set up to open %1.")
                      .arg(QString::fromStdString(path.filename().string()));
    showFileResult(problem, true);
}

void TallowinSettingsView::exportDiagnostics()
{
    m_exporting = true;
    m_fileResult->hide();
    store().exportDiagnostics();
}

} // namespace tallowin
