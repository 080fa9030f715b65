#pragma once

#include "Tallowin/screens/TallowinSheet.h"

class QLabel;
class QPushButton;

namespace tallowin {

class SheetTextEdit;

// Queues an instruction for the outside agent on one card. The instruction is the sheet's draft; the store
// refuses a blank one with its sentence, which the sheet shows while keeping what was typed.
class ActionSheet : public TallowinSheet
{
    Q_OBJECT

public:
    ActionSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);

    QString title() const override;
    void submit() override;

    QString instruction() const;

private:
    void refreshCard();
    void showError(const QString &text);

    std::string m_taskID;
    QLabel *m_cardTitle = nullptr;
    SheetTextEdit *m_instruction = nullptr;
    QLabel *m_error = nullptr;
    QPushButton *m_save = nullptr;
};

} // namespace tallowin
