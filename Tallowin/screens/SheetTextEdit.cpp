#include "Tallowin/screens/SheetTextEdit.h"

#include <QKeyEvent>

namespace tallowin {

SheetTextEdit::SheetTextEdit(const QString &placeholder, QWidget *parent)
    : QPlainTextEdit(parent)
{
    setPlaceholderText(placeholder);
    setAccessibleName(placeholder);
    setTabChangesFocus(true);
}

QSize SheetTextEdit::sizeHint() const
{
    const int lines = 4;
    return {420, fontMetrics().lineSpacing() * lines + 2 * (frameWidth() + int(document()->documentMargin()))};
}

void SheetTextEdit::keyPressEvent(QKeyEvent *event)
{
    const bool returnKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (returnKey && !(event->modifiers() & Qt::ShiftModifier)) {
        // Up to the sheet's host, which saves.
        event->ignore();
        return;
    }
    if (returnKey) {
        insertPlainText(QStringLiteral("\n"));
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

} // namespace tallowin
