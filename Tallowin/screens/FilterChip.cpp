#include "Tallowin/screens/FilterChip.h"

#include "Tallowin/screens/SheetStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace tallowin {

FilterChip::FilterChip(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
    setCheckable(true);
    setAccessibleName(text);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize FilterChip::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(text()) + 28, fontMetrics().height() + 12};
}

void FilterChip::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QPushButton::enterEvent(event);
}

void FilterChip::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QPushButton::leaveEvent(event);
}

void FilterChip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();
    const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath pill;
    pill.addRoundedRect(frame, frame.height() / 2, frame.height() / 2);
    const QColor window = colours.color(QPalette::Window);
    const QColor highlight = colours.color(QPalette::Highlight);
    if (isChecked())
        painter.fillPath(pill, SheetStyle::mix(window, highlight, SheetStyle::isDark(colours) ? 0.45 : 0.22));
    else if (m_hovered || isDown())
        painter.fillPath(pill, SheetStyle::tint(colours));
    if (hasFocus()) {
        painter.setPen(QPen(highlight, 2));
        painter.drawPath(pill);
    }
    QFont label = font();
    label.setWeight(isChecked() ? QFont::DemiBold : QFont::Normal);
    painter.setFont(label);
    painter.setPen(isChecked() ? colours.color(QPalette::WindowText) : SheetStyle::secondaryText(colours));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace tallowin
