#pragma once

#include <QPushButton>

namespace tallowin {

// One of a row of filters, drawn as a pill that is filled while it is on. A push button underneath, so each
// filter is a Tab stop and Space turns it on.
class FilterChip : public QPushButton
{
    Q_OBJECT

public:
    explicit FilterChip(const QString &text, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool m_hovered = false;
};

} // namespace tallowin
