#include "Tallowin/screens/SheetBadge.h"

#include "Tallowin/screens/SheetStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace tallowin {

SheetBadge::SheetBadge(QWidget *parent)
    : QLabel(parent)
{
    QFont small = font();
    small.setPixelSize(SheetStyle::secondaryPixels);
    small.setWeight(QFont::DemiBold);
    setFont(small);
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SheetBadge::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 20, metrics.height() + 8};
}

void SheetBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath pill;
    const QRectF frame(rect());
    pill.addRoundedRect(frame, frame.height() / 2, frame.height() / 2);
    const QPalette &colours = palette();
    painter.fillPath(pill, SheetStyle::mix(colours.color(QPalette::Window), colours.color(QPalette::Highlight), 0.25));
    painter.setPen(colours.color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace tallowin
