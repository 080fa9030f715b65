#pragma once

#include "Tallowin/presentation/TallowinPresentation.h"

#include <QString>
#include <QWidget>

#include <functional>

namespace tallowin {

class TaskStore;

// The content of one sheet, shown by the sheet host while the store presents its case. A sheet reads the store
// and calls its actions, and keeps nothing of the deck but its draft values. It never closes itself: a sheet whose
// action the store accepted clears the store's presentation, and the host closes it.
class TallowinSheet : public QWidget
{
    Q_OBJECT

public:
    TallowinSheet(TaskStore &store, QWidget *parent = nullptr);

    // The sheet's heading, also the host window's title and accessible name.
    virtual QString title() const = 0;
    // What Return does: the sheet's primary action, when it is enabled.
    virtual void submit() { }

signals:
    // The heading changed, as when a sheet moves on to a second step.
    void titleChanged();

protected:
    TaskStore &store() const { return m_store; }

private:
    TaskStore &m_store;
};

// Makes the sheet for a presentation; the host's seam, which tests replace.
using SheetFactory
    = std::function<TallowinSheet *(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent)>;

} // namespace tallowin
