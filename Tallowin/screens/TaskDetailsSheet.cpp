#include "Tallowin/screens/TaskDetailsSheet.h"

#include "Tallowin/screens/SheetStyle.h"
#include "Tallowin/screens/TaskDetailsView.h"
#include "Tallowin/store/TaskStore.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tallowin {

TaskDetailsSheet::TaskDetailsSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent)
    : TallowinSheet(store, parent)
{
    auto *heading = new QLabel(title(), this);
    SheetStyle::apply(heading, SheetStyle::Role::heading);
    m_details = new TaskDetailsView(store, this);
    m_details->setTaskID(presentation.taskID);
    connect(m_details, &TaskDetailsView::reviewed, this, [this] { this->store().dismissPresentation(); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(
        SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin);
    layout->setSpacing(12);
    layout->addWidget(heading);
    layout->addWidget(m_details, 1);
    setFocusProxy(m_details);
    resize(560, 520);
}

QString TaskDetailsSheet::title() const
{
    return QStringLiteral("Task details");
}

void TaskDetailsSheet::submit()
{
    m_details->review();
}

} // namespace tallowin
