#pragma once

#include <QPlainTextEdit>

namespace tallowin {

// A text box of a sheet. Return saves the sheet, as in every field of a sheet; Shift+Return starts a new line. Its
// accessible name follows its placeholder, the label people see.
class SheetTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit SheetTextEdit(const QString &placeholder, QWidget *parent = nullptr);

    QString text() const { return toPlainText(); }
    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace tallowin
