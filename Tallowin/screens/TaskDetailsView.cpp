#include "Tallowin/screens/TaskDetailsView.h"

#include "Tallowin/presentation/LocalTimeText.h"
#include "Tallowin/presentation/TaskDetailsPresentation.h"
#include "Tallowin/screens/SheetBadge.h"
#include "Tallowin/screens/SheetParts.h"
#include "Tallowin/screens/SheetStyle.h"
#include "Tallowin/screens/SourceLinkButton.h"
#include "Tallowin/screens/StoreActionAttempt.h"
#include "Tallowin/store/TaskStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tallowin {

namespace {

QLabel *textLabel(SheetStyle::Role role, QWidget *parent, bool selectable = true)
{
    auto *label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    if (selectable)
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SheetStyle::apply(label, role);
    return label;
}

QLabel *bodyLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

void showText(QLabel *label, const std::string &text)
{
    label->setText(QString::fromStdString(text));
    label->setVisible(!text.empty());
}

} // namespace

TaskDetailsView::TaskDetailsView(TaskStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
{
    auto *content = new QWidget;
    m_state = new SheetBadge(content);
    m_kind = textLabel(SheetStyle::Role::secondary, content, false);
    m_title = textLabel(SheetStyle::Role::cardTitle, content);
    m_person = textLabel(SheetStyle::Role::secondary, content);
    m_context = bodyLabel(content);
    m_outcomeHeading = textLabel(SheetStyle::Role::sectionTitle, content, false);
    m_outcomeHeading->setText(QStringLiteral("Outcome"));
    m_outcome = bodyLabel(content);
    m_returns = textLabel(SheetStyle::Role::sectionTitle, content);
    m_mergedInto = textLabel(SheetStyle::Role::sectionTitle, content);
    m_instructionHeading = textLabel(SheetStyle::Role::sectionTitle, content, false);
    m_instructionHeading->setText(QStringLiteral("Instruction for ChatGPT"));
    m_instruction = bodyLabel(content);
    m_sourcesHeading = textLabel(SheetStyle::Role::sectionTitle, content, false);
    m_sourcesHeading->setText(QStringLiteral("Sources"));
    m_sources = new QWidget(content);
    m_sourceRows = new QVBoxLayout(m_sources);
    m_sourceRows->setContentsMargins(0, 0, 0, 0);
    m_sourceRows->setSpacing(0);
    m_missing = textLabel(SheetStyle::Role::secondary, content, false);
    m_missing->setText(QStringLiteral("This task is no longer in your deck."));

    auto *badges = new QHBoxLayout;
    badges->setSpacing(10);
    badges->addWidget(m_state);
    badges->addWidget(m_kind);
    badges->addStretch();

    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 8, 0);
    column->setSpacing(6);
    column->addLayout(badges);
    column->addSpacing(4);
    column->addWidget(m_title);
    column->addWidget(m_person);
    column->addSpacing(2);
    // When the card comes back, or where it went, belongs with its state, above what it says.
    column->addWidget(m_returns);
    column->addWidget(m_mergedInto);
    column->addSpacing(6);
    column->addWidget(m_context);
    for (QWidget *group : std::initializer_list<QWidget *> {
             m_outcomeHeading, m_outcome, m_instructionHeading, m_instruction, m_sourcesHeading, m_sources}) {
        if (group == m_outcomeHeading || group == m_instructionHeading || group == m_sourcesHeading)
            column->addSpacing(8);
        column->addWidget(group);
    }
    column->addWidget(m_missing);
    column->addStretch();

    QScrollArea *scroll = SheetParts::scroller(content, this);

    m_error = textLabel(SheetStyle::Role::danger, this, false);
    m_error->hide();
    m_inReview = textLabel(SheetStyle::Role::secondary, this, false);
    m_inReview->setText(QStringLiteral("This task is already in review."));
    m_inReview->setAlignment(Qt::AlignRight);
    m_inReview->hide();
    m_review = new QPushButton(QStringLiteral("Review this task"), this);
    m_review->setAccessibleName(m_review->text());
    SheetStyle::apply(m_review, SheetStyle::Role::primaryButton);
    connect(m_review, &QPushButton::clicked, this, &TaskDetailsView::review);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_review);
    auto *footer = new QVBoxLayout;
    footer->setSpacing(6);
    footer->addWidget(m_error);
    footer->addWidget(m_inReview);
    footer->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(scroll, 1);
    layout->addLayout(footer);

    connect(&store, &TaskStore::documentChanged, this, &TaskDetailsView::refresh);
    setFocusProxy(m_review);
    refresh();
}

void TaskDetailsView::setTaskID(const std::string &taskID)
{
    if (m_taskID == taskID)
        return;
    m_taskID = taskID;
    m_error->hide();
    refresh();
}

bool TaskDetailsView::canReview() const
{
    return m_review->isEnabled();
}

void TaskDetailsView::refresh()
{
    const std::optional<TaskDetailsPresentation> details
        = TaskDetailsPresentation::make(m_store.document(), m_taskID, &localTimeText);
    const bool found = details.has_value();
    for (QWidget *part : std::initializer_list<QWidget *> {m_state, m_kind, m_title, m_person})
        part->setVisible(found);
    m_missing->setVisible(!found && !m_taskID.empty());
    m_review->setEnabled(found && details->canReview);
    // Nothing picked: nothing to show, not even the button.
    m_review->setVisible(!m_taskID.empty());
    m_inReview->setVisible(found && !details->canReview);
    if (!found) {
        for (QWidget *part : std::initializer_list<QWidget *> {m_context, m_outcomeHeading, m_outcome, m_returns,
                 m_mergedInto, m_instructionHeading, m_instruction, m_sourcesHeading, m_sources})
            part->hide();
        return;
    }
    m_state->setText(QString::fromStdString(details->stateBadge));
    m_state->setAccessibleName(m_state->text());
    m_state->updateGeometry();
    m_kind->setText(QString::fromStdString(details->kindLabel));
    m_title->setText(QString::fromStdString(details->title));
    showText(m_person, details->person);
    showText(m_context, details->context);
    showText(m_outcome, details->outcome.value_or(""));
    m_outcomeHeading->setVisible(details->outcome.has_value());
    showText(m_returns, details->returns.value_or(""));
    showText(m_mergedInto, details->mergedInto.value_or(""));
    showText(m_instruction, details->instruction);
    m_instructionHeading->setVisible(!details->instruction.empty());
    showSources(details->sources);
    m_sources->setVisible(!details->sources.empty());
    m_sourcesHeading->setVisible(!details->sources.empty());
}

void TaskDetailsView::showSources(const std::vector<TaskSource> &sources)
{
    // Rebuilt only when they changed, so a save elsewhere does not take focus from a link.
    if (sources == m_shownSources)
        return;
    m_shownSources = sources;
    while (QLayoutItem *item = m_sourceRows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const TaskSource &source : sources)
        m_sourceRows->addWidget(new SourceLinkButton(source, m_sources));
}

bool TaskDetailsView::review()
{
    if (!m_review->isEnabled())
        return false;
    StoreActionAttempt attempt(m_store);
    if (m_store.restore(m_taskID)) {
        m_error->hide();
        emit reviewed();
        return true;
    }
    if (const std::optional<std::string> error = attempt.error()) {
        m_error->setText(QString::fromStdString(*error));
        m_error->show();
        emit refused(m_error->text());
    }
    return false;
}

} // namespace tallowin
