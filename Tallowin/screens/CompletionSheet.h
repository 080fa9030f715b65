#pragma once

#include "Tallowin/screens/TallowinSheet.h"

#include <string>

class QLabel;
class QPushButton;

namespace tallowin {

class SheetTextEdit;

// "Mark completed": an optional outcome whose links become evidence, with a live count of the links found.
class CompletionSheet : public TallowinSheet
{
    Q_OBJECT

public:
    CompletionSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);

    QString title() const override;
    void submit() override;

    // "1 evidence link found", "3 evidence links found".
    static QString evidenceHint(int count);

    SheetTextEdit *outcomeField() const { return m_outcome; }
    QLabel *evidenceLabel() const { return m_evidence; }
    QPushButton *completeButton() const { return m_complete; }

private:
    void updateEvidence();

    std::string m_taskID;
    SheetTextEdit *m_outcome;
    QLabel *m_evidence;
    QPushButton *m_complete;
};

} // namespace tallowin
