#include "Tallowin/screens/EmptyStateView.h"

#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/store/TaskStore.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

EmptyStateView::EmptyStateView(TallowinActions &actions, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("emptyState"));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("emptyTitle"));
    m_title->setFont(TallowinStyle::font(this, 24, QFont::DemiBold));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("emptyText"));
    m_text->setFont(TallowinStyle::font(this, 14));
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    m_newTask = new QPushButton(this);
    m_newTask->setObjectName(QStringLiteral("emptyNewTask"));
    TallowinActions::bind(m_newTask, actions.newTask, QStringLiteral("New task"));
    m_reviewAgain = new QPushButton(this);
    m_reviewAgain->setObjectName(QStringLiteral("reviewAgain"));
    TallowinActions::bind(m_reviewAgain, actions.reviewAgain);
    for (QPushButton *button : {m_newTask, m_reviewAgain}) {
        button->setFont(TallowinStyle::font(this, 14, QFont::Medium));
        button->setMinimumHeight(34);
    }

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_newTask);
    buttons->addWidget(m_reviewAgain);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->addStretch(1);
    layout->addWidget(m_title);
    layout->addWidget(m_text);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->addStretch(1);
    applyColours();
    showKind(Kind::allCaughtUp);
}

EmptyStateView::Kind EmptyStateView::kindFor(const TaskStore &store)
{
    const TallowinDocument &document = store.document();
    if (document.tasks.empty())
        return Kind::newDeck;
    // A run that decided cards and has none left is finished; without one the queue is simply empty.
    const bool browsing = store.review().pileCarousel.has_value();
    if (!browsing && document.runID && document.runProcessedIDs && !document.runProcessedIDs->empty())
        return Kind::runFinished;
    return Kind::allCaughtUp;
}

void EmptyStateView::showKind(Kind kind)
{
    m_kind = kind;
    switch (kind) {
    case Kind::newDeck:
        m_title->setText(QStringLiteral("One task at a time."));
        m_text->setText(QStringLiteral(
            "Add something you need to do. Then complete it, save it for later, or move to the next card."));
        break;
    case Kind::allCaughtUp:
        m_title->setText(QStringLiteral("You’re all caught up."));
        m_text->setText(QStringLiteral("Open Decks to review your saved piles."));
        break;
    case Kind::runFinished:
        // One sentence pair, as people read it; no smaller line under it.
        m_title->setText(QStringLiteral("Your choices are saved. Review again whenever you’re ready."));
        m_text->clear();
        break;
    }
    m_text->setVisible(!m_text->text().isEmpty());
    m_newTask->setVisible(kind == Kind::newDeck);
    m_reviewAgain->setVisible(kind == Kind::runFinished);
}

void EmptyStateView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyColours();
    QWidget::changeEvent(event);
}

void EmptyStateView::applyColours()
{
    m_text->setStyleSheet(QStringLiteral("color: %1;").arg(TallowinStyle::secondaryText(palette()).name()));
    for (QPushButton *button : {m_newTask, m_reviewAgain})
        button->setStyleSheet(TallowinStyle::primaryButton(palette()));
}

} // namespace tallowin
