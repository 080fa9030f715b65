#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

class QDrag;

namespace tallowin::test {

// Every text a person can read in the widget: labels, buttons, the placeholders of empty fields, and the fields'
// accessible names; only what is visible.
QStringList visibleTexts(const QWidget *root);

// The one visible widget of type W under root whose accessible name is name; null when there is none or several.
template<typename W> W *namedWidget(const QWidget *root, const QString &name)
{
    W *found = nullptr;
    for (W *widget : root->findChildren<W *>()) {
        if (widget->accessibleName() != name || !widget->isVisibleTo(root))
            continue;
        if (found)
            return nullptr;
        found = widget;
    }
    return found;
}

// Shows the window, focuses its first control and presses Tab until focus comes back to it; the controls that
// got focus, in the order they got it.
QList<QWidget *> tabbedControls(QWidget *window);

// The controls a person can operate: visible and enabled buttons (links among them), fields and lists.
QList<QWidget *> operableControls(const QWidget *root);

// Types the text into the widget a key at a time, as QTest::keyClicks does, also for letters beyond ASCII.
void typeText(QWidget *widget, const QString &text);

// Delivers a drag the way the platform's drag loop does: enter, move and drop on the widget under the point
// that accepts drops. What the drop accepted, or IgnoreAction.
Qt::DropAction dropAt(QDrag &drag, QWidget *window, QPoint windowPosition);

} // namespace tallowin::test
