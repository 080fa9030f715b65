#pragma once

#include "Tallowin/screens/TallowinSheet.h"

namespace tallowin {

// Stands in for a sheet this version does not have yet, saying so plainly.
class UnavailableSheet : public TallowinSheet
{
    Q_OBJECT

public:
    static constexpr const char *explanation = "This part of Tallowin is not available yet.";

    UnavailableSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);

    QString title() const override { return m_title; }
    // The name of the sheet a presentation stands for.
    static QString titleFor(TallowinPresentation::Kind kind);

private:
    QString m_title;
};

} // namespace tallowin
