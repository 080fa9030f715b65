#pragma once

#include "Tallowin/screens/TallowinSheet.h"
#include "TallowinCore/workflow/DelayChoice.h"

#include <array>
#include <string>

class QPushButton;

namespace tallowin {

class CustomDateSheet;

// "Choose when this returns": the four piles. A pile sends the card there; "Choose a date…" moves on to the custom
// date, which is part of this sheet.
class DelaySheet : public TallowinSheet
{
    Q_OBJECT

public:
    DelaySheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);

    QString title() const override;
    void submit() override;

    void showCustomDate();
    bool showsCustomDate() const;
    QPushButton *choiceButton(DelayChoice choice) const { return m_choices[std::size_t(choice)]; }
    CustomDateSheet *customDate() const { return m_customDate; }

private:
    void choose(DelayChoice choice);

    std::string m_taskID;
    QWidget *m_choicesPage;
    std::array<QPushButton *, 4> m_choices {};
    CustomDateSheet *m_customDate;
};

} // namespace tallowin
