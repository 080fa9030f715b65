#pragma once

#include <QLabel>

namespace tallowin {

// A short tag in a rounded pill, such as a card's state. Its colours are taken from the palette as it paints.
class SheetBadge : public QLabel
{
    Q_OBJECT

public:
    explicit SheetBadge(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tallowin
