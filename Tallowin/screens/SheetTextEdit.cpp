#include "Tallowin/screens/SheetTextEdit.h"

#include <QKeyEvent>

namespace tallowin {

namespace {

bool isReturn(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

SheetTextEdit::SheetTextEdit(ReturnKey returnKey, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_returnKey(returnKey)
{
    // Tab moves on to the next control instead of typing a tab.
    setTabChangesFocus(true);
}

SheetTextEdit::SheetTextEdit(const QString &placeholder, QWidget *parent)
    : SheetTextEdit(ReturnKey::saves, parent)
{
    setPlaceholderText(placeholder);
    setAccessibleName(placeholder);
}

QSize SheetTextEdit::sizeHint() const
{
    const int lines = 4;
    return {420, fontMetrics().lineSpacing() * lines + 2 * (frameWidth() + int(document()->documentMargin()))};
}

bool SheetTextEdit::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        // A list field claims Return before any shortcut of the window sees it; other fields leave plain Return
        // to the window's shortcut, which saves.
        if (isReturn(key) && m_returnKey == ReturnKey::startsLine
            && (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)) {
            event->accept();
            return true;
        }
        if (isReturn(key) && m_returnKey == ReturnKey::saves && modifiers == Qt::NoModifier) {
            event->ignore();
            return false;
        }
    }
    return QPlainTextEdit::event(event);
}

void SheetTextEdit::keyPressEvent(QKeyEvent *event)
{
    const bool plainReturn = isReturn(event) && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (m_returnKey == ReturnKey::saves && plainReturn) {
        // Left to the sheet's host, which saves.
        event->ignore();
        return;
    }
    if (m_returnKey == ReturnKey::saves && isReturn(event) && (event->modifiers() & Qt::ShiftModifier)) {
        insertPlainText(QStringLiteral("\n"));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

} // namespace tallowin
