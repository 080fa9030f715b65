#pragma once

#include <QObject>

class QWidget;

namespace tallowin {

// Keeps the review window's keys away from text fields: while the focus is in a field the user types into, a key
// of the key table goes to the field (Ctrl+Left moves the cursor by a word) instead of acting on the card.
class ShortcutGuard : public QObject
{
    Q_OBJECT

public:
    explicit ShortcutGuard(QObject *parent = nullptr);

    static bool isTextField(const QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace tallowin
