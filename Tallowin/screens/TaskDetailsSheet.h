#pragma once

#include "Tallowin/screens/TallowinSheet.h"

namespace tallowin {

class TaskDetailsView;

// The details of one card, with "Review this task", which closes the sheet once the store took the change.
class TaskDetailsSheet : public TallowinSheet
{
    Q_OBJECT

public:
    TaskDetailsSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);

    QString title() const override;
    void submit() override;

    TaskDetailsView *details() const { return m_details; }

private:
    TaskDetailsView *m_details = nullptr;
};

} // namespace tallowin
