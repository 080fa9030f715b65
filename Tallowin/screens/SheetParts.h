#pragma once

#include <QString>

class QBoxLayout;
class QLabel;
class QPushButton;
class QScrollArea;
class QWidget;

namespace tallowin {

class TaskStore;

// The pieces every sheet is built from, so that they look alike: a heading, smaller lines under it, a row of
// buttons with the primary one last.
struct SheetParts
{
    static QLabel *heading(const QString &text, QWidget *parent);
    static QLabel *text(const QString &text, QWidget *parent);
    // Secondary: hints and counts.
    static QLabel *hint(const QString &text, QWidget *parent);
    static QPushButton *primaryButton(const QString &text, QWidget *parent);
    // "Cancel", which closes the sheet as Esc does.
    static QPushButton *cancelButton(TaskStore &store, QWidget *parent);
    static QBoxLayout *buttonRow(QPushButton *cancel, QPushButton *primary);
    // A vertical scroller over a sheet's content, showing the sheet's face through it; the fields take focus.
    static QScrollArea *scroller(QWidget *content, QWidget *parent);
};

} // namespace tallowin
