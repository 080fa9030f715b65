#include "Tallowin/screens/CustomDateSheet.h"

#include "Tallowin/screens/SheetParts.h"
#include "Tallowin/store/TaskStore.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

namespace {

QDateTime toDateTime(TallowinInstant instant)
{
    return QDateTime::fromMSecsSinceEpoch(instant.time_since_epoch().count()).toLocalTime();
}

TallowinInstant toInstant(const QDateTime &dateTime)
{
    return TallowinInstant(std::chrono::milliseconds(dateTime.toMSecsSinceEpoch()));
}

} // namespace

CustomDateSheet::CustomDateSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent)
    : TallowinSheet(store, parent)
    , m_taskID(presentation.taskID)
{
    setObjectName(QStringLiteral("customDateSheet"));
    auto *heading = SheetParts::heading(title(), this);
    auto *explanation
        = SheetParts::text(QStringLiteral("The card will stay visible in its dated pile until this time."), this);
    m_date = new QDateTimeEdit(toDateTime(proposedReturn(store.now())), this);
    m_date->setObjectName(QStringLiteral("returnTime"));
    m_date->setAccessibleName(title());
    m_date->setCalendarPopup(true);
    m_date->setMinimumHeight(32);
    m_date->setMinimumDateTime(toDateTime(store.now()));
    m_date->setDisplayFormat(QStringLiteral("dddd, d MMMM yyyy  HH:mm"));
    m_note = new QLineEdit(this);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setPlaceholderText(QStringLiteral("Add a note, optional"));
    m_note->setAccessibleName(m_note->placeholderText());
    auto *hint = SheetParts::hint(QStringLiteral("Return saves this date"), this);
    m_save = SheetParts::primaryButton(QStringLiteral("Save for later"), this);
    m_save->setObjectName(QStringLiteral("saveForLater"));
    connect(m_save, &QPushButton::clicked, this, &CustomDateSheet::submit);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(heading);
    layout->addWidget(explanation);
    layout->addSpacing(6);
    layout->addWidget(m_date);
    layout->addWidget(m_note);
    layout->addWidget(hint);
    layout->addSpacing(10);
    layout->addLayout(SheetParts::buttonRow(SheetParts::cancelButton(store, this), m_save));
    setFocusProxy(m_date);
}

QString CustomDateSheet::title() const
{
    return QStringLiteral("Choose a return time");
}

TallowinInstant CustomDateSheet::proposedReturn(TallowinInstant now)
{
    QDateTime tomorrow = toDateTime(TallowinClock::addingCalendarDays(now, 1));
    tomorrow.setTime(QTime(9, 0));
    return toInstant(tomorrow);
}

TallowinInstant CustomDateSheet::chosenReturn() const
{
    return toInstant(m_date->dateTime());
}

void CustomDateSheet::submit()
{
    if (store().delay(m_taskID, DelayChoice::custom, chosenReturn(), m_note->text().trimmed().toStdString()))
        store().dismissPresentation();
}

} // namespace tallowin
