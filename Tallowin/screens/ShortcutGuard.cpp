#include "Tallowin/screens/ShortcutGuard.h"

#include "Tallowin/presentation/TaskReviewKeys.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace tallowin {

ShortcutGuard::ShortcutGuard(QObject *parent)
    : QObject(parent)
{
    qApp->installEventFilter(this);
}

bool ShortcutGuard::isTextField(const QWidget *widget)
{
    if (!widget)
        return false;
    if (const auto *line = qobject_cast<const QLineEdit *>(widget))
        return !line->isReadOnly();
    if (const auto *text = qobject_cast<const QTextEdit *>(widget))
        return !text->isReadOnly();
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(widget))
        return !plain->isReadOnly();
    // Spin boxes and date fields take arrows and text too.
    return qobject_cast<const QAbstractSpinBox *>(widget) != nullptr;
}

bool ShortcutGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const auto *widget = static_cast<QWidget *>(watched);
    if (!isTextField(widget))
        return false;
    // The table answers for a key pressed outside a field; in a field that key is the field's.
    if (!TaskReviewKeys::command({key->key(), key->modifiers(), false}))
        return false;
    event->accept();
    return true;
}

} // namespace tallowin
