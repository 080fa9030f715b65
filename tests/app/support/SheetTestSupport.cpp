#include "tests/app/support/SheetTestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace tallowin::test {

QStringList visibleTexts(const QWidget *root)
{
    QStringList texts;
    for (const QWidget *widget : root->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(root))
            continue;
        if (const auto *label = qobject_cast<const QLabel *>(widget)) {
            if (!label->text().isEmpty())
                texts << label->text();
        } else if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
            texts << button->text();
        } else if (const auto *line = qobject_cast<const QLineEdit *>(widget)) {
            texts << line->placeholderText() << line->accessibleName();
        } else if (const auto *edit = qobject_cast<const QPlainTextEdit *>(widget)) {
            texts << edit->placeholderText() << edit->accessibleName();
        }
    }
    texts.removeAll(QString());
    return texts;
}

QList<QWidget *> operableControls(const QWidget *root)
{
    QList<QWidget *> controls;
    for (QWidget *widget : root->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(root) || !widget->isEnabled())
            continue;
        if (qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget)
            || qobject_cast<QPlainTextEdit *>(widget) || qobject_cast<QAbstractSpinBox *>(widget)
            || qobject_cast<QAbstractItemView *>(widget))
            controls << widget;
    }
    return controls;
}

QList<QWidget *> tabbedControls(QWidget *window)
{
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return {};
    const QList<QWidget *> controls = operableControls(window);
    if (controls.isEmpty())
        return {};
    QWidget *first = nullptr;
    for (QWidget *widget = window->nextInFocusChain(); widget != window; widget = widget->nextInFocusChain()) {
        if (controls.contains(widget)) {
            first = widget;
            break;
        }
    }
    if (!first)
        return {};
    first->setFocus(Qt::TabFocusReason);
    QList<QWidget *> reached {first};
    // A label with links keeps focus while Tab walks its links, so focus may stay put for a few presses.
    for (int presses = 0; presses < 200; ++presses) {
        QWidget *focused = QApplication::focusWidget();
        if (!focused)
            break;
        QTest::keyClick(focused, Qt::Key_Tab);
        QWidget *next = QApplication::focusWidget();
        if (next == first)
            break;
        if (next && !reached.contains(next))
            reached << next;
    }
    return reached;
}

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

Qt::DropAction dropAt(QDrag &drag, QWidget *window, QPoint windowPosition)
{
    QWidget *target = window->childAt(windowPosition);
    while (target && !target->acceptDrops())
        target = target->parentWidget();
    if (!target)
        return Qt::IgnoreAction;
    const QPoint position = target->mapFrom(window, windowPosition);
    const QMimeData *mime = drag.mimeData();
    QDragEnterEvent enter(position, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDragMoveEvent move(position, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(target, &leave);
        return Qt::IgnoreAction;
    }
    QDropEvent drop(QPointF(position), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

} // namespace tallowin::test
