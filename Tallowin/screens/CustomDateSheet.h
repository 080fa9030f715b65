#pragma once

#include "Tallowin/screens/TallowinSheet.h"
#include "TallowinCore/base/TallowinClock.h"

#include <string>

class QDateTimeEdit;
class QLineEdit;
class QPushButton;

namespace tallowin {

// "Choose a return time": the date and time the card comes back, and an optional note. It proposes tomorrow at nine.
class CustomDateSheet : public TallowinSheet
{
    Q_OBJECT

public:
    CustomDateSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);

    QString title() const override;
    void submit() override;

    // Nine in the morning of the day after now, in the local time zone.
    static TallowinInstant proposedReturn(TallowinInstant now);
    TallowinInstant chosenReturn() const;

    QDateTimeEdit *dateField() const { return m_date; }
    QLineEdit *noteField() const { return m_note; }
    QPushButton *saveButton() const { return m_save; }

private:
    std::string m_taskID;
    QDateTimeEdit *m_date;
    QLineEdit *m_note;
    QPushButton *m_save;
};

} // namespace tallowin
