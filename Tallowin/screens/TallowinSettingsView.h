#pragma once

#include "Tallowin/presentation/SettingsDraft.h"
#include "Tallowin/screens/TallowinSheet.h"

#include <filesystem>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace tallowin {

class SheetTextEdit;
class SyncSettingsSection;

// The scan and VIP settings as a draft the user edits, saved to Tallowin.toml by "Save settings"; the settings
// file and the diagnostics report; and sync. The sheet stays open after saving so that "Settings saved" can be
// read. A change of the file on disk replaces the draft only while the user has not edited it.
class TallowinSettingsView : public TallowinSheet
{
    Q_OBJECT

public:
    // Opens a file with the application the desktop has for it; false when there is none.
    using FileOpener = std::function<bool(const std::filesystem::path &)>;

    TallowinSettingsView(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);
    ~TallowinSettingsView() override;

    QString title() const override;
    // Saves the draft.
    void submit() override;

    void editSettingsFile();
    void exportDiagnostics();
    void setFileOpener(FileOpener opener) { m_openFile = std::move(opener); }

    const SettingsDraft &draft() const { return m_draft; }
    SyncSettingsSection *syncSection() const { return m_sync; }

private:
    void showDraft();
    void edited();
    void showSaveResult(const QString &result, const QString &reason, bool failed);
    void showFileResult(const QString &text, bool failed);
    void settingsChanged();
    void saveDraft();
    void saveFinished();
    void connectionSaveFinished();

    SettingsDraft m_draft;
    // The draft as last taken from the store; the user has edited when the two differ.
    SettingsDraft m_shown;
    FileOpener m_openFile;
    bool m_exporting = false;
    // "Settings saved" shows, and goes away at the next edit.
    bool m_saved = false;
    // A save of this sheet's is being written.
    bool m_awaitingSave = false;
    // The sync connection is being checked and kept, before the rest is saved.
    bool m_awaitingConnection = false;
    QCheckBox *m_automatic = nullptr;
    QSpinBox *m_hours = nullptr;
    QSpinBox *m_firstScan = nullptr;
    QSpinBox *m_laterScans = nullptr;
    QSpinBox *m_overlap = nullptr;
    SheetTextEdit *m_names = nullptr;
    QCheckBox *m_activity = nullptr;
    QCheckBox *m_comments = nullptr;
    QCheckBox *m_gitHub = nullptr;
    QPushButton *m_editFile = nullptr;
    QPushButton *m_export = nullptr;
    QLabel *m_fileResult = nullptr;
    SyncSettingsSection *m_sync = nullptr;
    QLabel *m_saveResult = nullptr;
    QLabel *m_saveReason = nullptr;
    QPushButton *m_save = nullptr;
};

} // namespace tallowin
