#pragma once

#include "Tallowin/presentation/InboxReview.h"
#include "Tallowin/screens/TallowinSheet.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace tallowin {

class SheetTextEdit;

// The suggested tasks an outside agent found, one at a time. The user may correct the person, the title and the
// context before adding the task; the edits belong to the suggestion shown and stay when the store refuses.
class InboxSheet : public TallowinSheet
{
    Q_OBJECT

public:
    InboxSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);

    QString title() const override;
    // Adds the shown suggestion with the edits.
    void submit() override;

    void dismissCandidate();
    InboxReview::Page page() const { return m_review.page(); }
    // The suggestion as the user edited it.
    TaskCandidate reviewed() const;

private:
    void refresh();
    void showCandidate(const TaskCandidate &candidate);
    void refreshButtons();
    void showError(const std::optional<std::string> &error);

    InboxReview m_review;
    QLabel *m_heading = nullptr;
    QStackedWidget *m_pages = nullptr;
    QWidget *m_candidatePage = nullptr;
    QLineEdit *m_person = nullptr;
    QLineEdit *m_title = nullptr;
    SheetTextEdit *m_context = nullptr;
    QVBoxLayout *m_sourceRow = nullptr;
    QLabel *m_sourceDetail = nullptr;
    QLabel *m_reason = nullptr;
    QLabel *m_error = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_dismiss = nullptr;
    QPushButton *m_close = nullptr;
    QWidget *m_emptyPage = nullptr;
    QWidget *m_reviewedPage = nullptr;
};

} // namespace tallowin
