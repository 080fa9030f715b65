#pragma once

#include <QPlainTextEdit>

namespace tallowin {

// A text field of several lines inside a sheet. In most fields Return saves, like in every field of a sheet, and
// Shift+Return starts a new line; a list typed one item per line keeps Return for new lines instead.
class SheetTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    enum class ReturnKey { saves, startsLine };

    explicit SheetTextEdit(ReturnKey returnKey, QWidget *parent = nullptr);
    // A field whose Return saves, named for screen readers by its placeholder, the label people see.
    SheetTextEdit(const QString &placeholder, QWidget *parent);

    QString text() const { return toPlainText(); }
    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ReturnKey m_returnKey;
};

} // namespace tallowin
