#include "Tallowin/screens/CompletionSheet.h"

#include "Tallowin/screens/SheetParts.h"
#include "Tallowin/screens/SheetTextEdit.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/document/CompletionEvidence.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

namespace {

QString titleOf(const TaskStore &store, const std::string &taskID)
{
    for (const TaskItem &task : store.document().tasks) {
        if (task.id == taskID)
            return QString::fromStdString(task.title);
    }
    return {};
}

} // namespace

CompletionSheet::CompletionSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent)
    : TallowinSheet(store, parent)
    , m_taskID(presentation.taskID)
{
    setObjectName(QStringLiteral("completionSheet"));
    auto *heading = SheetParts::heading(title(), this);
    auto *card = SheetParts::hint(titleOf(store, m_taskID), this);
    card->setObjectName(QStringLiteral("cardTitle"));
    card->setWordWrap(true);
    m_outcome = new SheetTextEdit(QStringLiteral("Add an outcome or evidence link, optional."), this);
    m_outcome->setObjectName(QStringLiteral("outcome"));
    auto *links = SheetParts::hint(QStringLiteral("Links are saved as evidence."), this);
    links->setObjectName(QStringLiteral("linksSaved"));
    m_evidence = SheetParts::hint(QString(), this);
    m_evidence->setObjectName(QStringLiteral("evidence"));
    m_complete = SheetParts::primaryButton(QStringLiteral("Complete"), this);
    m_complete->setObjectName(QStringLiteral("complete"));
    connect(m_complete, &QPushButton::clicked, this, &CompletionSheet::submit);
    connect(m_outcome, &SheetTextEdit::textChanged, this, &CompletionSheet::updateEvidence);

    auto *hints = new QHBoxLayout;
    hints->addWidget(links);
    hints->addStretch(1);
    hints->addWidget(m_evidence);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(heading);
    layout->addWidget(card);
    layout->addSpacing(6);
    layout->addWidget(m_outcome);
    layout->addLayout(hints);
    layout->addSpacing(10);
    layout->addLayout(SheetParts::buttonRow(SheetParts::cancelButton(store, this), m_complete));
    setFocusProxy(m_outcome);
    updateEvidence();
}

QString CompletionSheet::title() const
{
    return QStringLiteral("Mark completed");
}

QString CompletionSheet::evidenceHint(int count)
{
    return QString::number(count) + QStringLiteral(" evidence ")
        + (count == 1 ? QStringLiteral("link") : QStringLiteral("links")) + QStringLiteral(" found");
}

void CompletionSheet::updateEvidence()
{
    const std::string outcome = m_outcome->text().toStdString();
    m_evidence->setText(evidenceHint(int(CompletionEvidence::urls(outcome).size())));
}

void CompletionSheet::submit()
{
    if (store().complete(m_taskID, m_outcome->text().toStdString()))
        store().dismissPresentation();
}

} // namespace tallowin
