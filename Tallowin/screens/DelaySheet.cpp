#include "Tallowin/screens/DelaySheet.h"

#include "Tallowin/screens/CustomDateSheet.h"
#include "Tallowin/screens/SheetParts.h"
#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/store/TaskStore.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

DelaySheet::DelaySheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent)
    : TallowinSheet(store, parent)
    , m_taskID(presentation.taskID)
{
    setObjectName(QStringLiteral("delaySheet"));
    auto *choices = new QWidget(this);
    auto *choicesLayout = new QVBoxLayout(choices);
    choicesLayout->setContentsMargins(0, 0, 0, 0);
    choicesLayout->setSpacing(8);
    choicesLayout->addWidget(SheetParts::heading(QStringLiteral("Choose when this returns"), choices));
    choicesLayout->addSpacing(6);
    for (const DelayChoice choice : allDelayChoices) {
        const std::string_view label = choiceLabel(choice);
        auto *button = new QPushButton(QString::fromUtf8(label.data(), qsizetype(label.size())), choices);
        button->setObjectName(QStringLiteral("choice.") + QString::fromUtf8(rawValue(choice).data()));
        button->setMinimumHeight(40);
        button->setFont(TallowinStyle::font(button, 14, QFont::Medium));
        button->setAutoDefault(true);
        button->setStyleSheet(TallowinStyle::secondaryButton(palette(), palette().color(QPalette::Window)));
        connect(button, &QPushButton::clicked, this, [this, choice] { choose(choice); });
        choicesLayout->addWidget(button);
        m_choices[std::size_t(choice)] = button;
    }
    choicesLayout->addSpacing(10);
    choicesLayout->addLayout(SheetParts::buttonRow(SheetParts::cancelButton(store, choices), nullptr));

    m_choicesPage = choices;
    m_customDate = new CustomDateSheet(store, presentation, this);
    m_customDate->hide();
    // One step at a time, each at its own height.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(choices);
    layout->addWidget(m_customDate);
    setFocusProxy(m_choices.front());
}

QString DelaySheet::title() const
{
    return showsCustomDate() ? m_customDate->title() : QStringLiteral("Choose when this returns");
}

bool DelaySheet::showsCustomDate() const
{
    return !m_customDate->isHidden();
}

void DelaySheet::showCustomDate()
{
    if (showsCustomDate())
        return;
    m_choicesPage->hide();
    m_customDate->show();
    setFocusProxy(m_customDate);
    m_customDate->setFocus();
    emit titleChanged();
}

void DelaySheet::choose(DelayChoice choice)
{
    if (choice == DelayChoice::custom) {
        showCustomDate();
        return;
    }
    if (store().delay(m_taskID, choice))
        store().dismissPresentation();
}

void DelaySheet::submit()
{
    if (showsCustomDate()) {
        m_customDate->submit();
        return;
    }
    // Return picks the pile that has the focus.
    for (QPushButton *button : m_choices) {
        if (button->hasFocus()) {
            button->click();
            return;
        }
    }
}

} // namespace tallowin
