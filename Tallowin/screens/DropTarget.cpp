#include "Tallowin/screens/DropTarget.h"

#include "Tallowin/screens/TallowinStyle.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextOption>

namespace tallowin {

namespace {

// A target is a button to assistive technology: its name is its label and pressing it acts on the card in front.
class DropTargetAccessible : public QAccessibleWidget
{
public:
    explicit DropTargetAccessible(DropTarget *target)
        : QAccessibleWidget(target, QAccessible::Button)
    { }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            emit static_cast<DropTarget *>(widget())->activated();
    }
};

QAccessibleInterface *accessibleTarget(const QString &className, QObject *object)
{
    if (className == QLatin1String(DropTarget::staticMetaObject.className()) && object && object->isWidgetType())
        return new DropTargetAccessible(static_cast<DropTarget *>(object));
    return nullptr;
}

} // namespace

DropTarget::DropTarget(const QString &label, QColor (*tint)(const QPalette &), QWidget *parent)
    : QWidget(parent)
    , m_label(label)
    , m_tint(tint)
{
    static const bool accessible = [] {
        QAccessible::installFactory(&accessibleTarget);
        return true;
    }();
    Q_UNUSED(accessible);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(label);
    setCursor(Qt::PointingHandCursor);
}

void DropTarget::setCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    setAccessibleDescription(caption);
    update();
}

void DropTarget::setEngaged(bool engaged)
{
    if (m_engaged == engaged)
        return;
    m_engaged = engaged;
    update();
}

void DropTarget::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void DropTarget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colors = palette();
    const QColor tint = m_tint(colors);
    const QColor window = colors.color(QPalette::Window);
    const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);

    QColor fill = Qt::transparent;
    QColor border = TallowinStyle::hairline(colors);
    QColor text = TallowinStyle::secondaryText(colors);
    Qt::PenStyle borderStyle = Qt::DashLine;
    if (m_highlighted) {
        fill = tint;
        border = tint;
        text = TallowinStyle::textOn(tint);
        borderStyle = Qt::SolidLine;
    } else if (m_engaged || m_hovered || m_pressed || hasFocus()) {
        fill = TallowinStyle::mix(window, tint, m_pressed ? 0.22 : 0.1);
        border = TallowinStyle::mix(window, tint, 0.75);
        text = TallowinStyle::mix(colors.color(QPalette::WindowText), tint, 0.35);
        borderStyle = Qt::SolidLine;
    }
    painter.setBrush(fill);
    QPen pen(border, hasFocus() ? 2.5 : 1.5, borderStyle);
    pen.setDashPattern({4, 3});
    if (borderStyle == Qt::SolidLine)
        pen.setStyle(Qt::SolidLine);
    painter.setPen(pen);
    painter.drawRoundedRect(frame, TallowinStyle::targetRadius, TallowinStyle::targetRadius);

    // Narrow targets (a small window) keep their words whole with less room around them.
    const bool narrow = width() < 170;
    const QRectF inner = narrow ? frame.adjusted(6, 8, -6, -8) : frame.adjusted(14, 10, -14, -10);
    const int labelSize = narrow ? 13 : 15;
    QTextOption centred(Qt::AlignCenter);
    centred.setWrapMode(QTextOption::WordWrap);
    painter.setPen(text);
    if (m_caption.isEmpty()) {
        painter.setFont(TallowinStyle::font(this, labelSize, QFont::DemiBold));
        painter.drawText(inner, m_label, centred);
        return;
    }
    // The caption leads while it says what a release does ("DROP", "Release to remove").
    const bool captionLeads = m_highlighted;
    const QFont labelFont = TallowinStyle::font(this, captionLeads ? 13 : labelSize, QFont::DemiBold);
    const QFont captionFont
        = TallowinStyle::font(this, captionLeads ? 17 : 12, captionLeads ? QFont::Bold : QFont::Normal);
    const QFontMetricsF labelMetrics(labelFont);
    const QFontMetricsF captionMetrics(captionFont);
    const QRectF labelBox = labelMetrics.boundingRect(inner, Qt::AlignCenter | Qt::TextWordWrap, m_label);
    const QRectF captionBox = captionMetrics.boundingRect(inner, Qt::AlignCenter | Qt::TextWordWrap, m_caption);
    const double spacing = 4;
    const QRectF &first = captionLeads ? captionBox : labelBox;
    const QRectF &second = captionLeads ? labelBox : captionBox;
    const double top = inner.center().y() - (first.height() + spacing + second.height()) / 2;
    const QRectF firstRect(inner.left(), top, inner.width(), first.height());
    const QRectF secondRect(inner.left(), top + first.height() + spacing, inner.width(), second.height());
    painter.setFont(captionLeads ? captionFont : labelFont);
    painter.drawText(firstRect, captionLeads ? m_caption : m_label, centred);
    QColor secondColor = text;
    if (!captionLeads)
        secondColor = TallowinStyle::mix(text, window, 0.15);
    painter.setPen(secondColor);
    painter.setFont(captionLeads ? labelFont : captionFont);
    painter.drawText(secondRect, captionLeads ? m_label : m_caption, centred);
}

void DropTarget::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit activated();
            return;
        default:
            break;
        }
    }
    QWidget::keyPressEvent(event);
}

void DropTarget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_pressed = true;
    update();
}

void DropTarget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return QWidget::mouseReleaseEvent(event);
    m_pressed = false;
    update();
    if (rect().contains(event->position().toPoint()))
        emit activated();
}

void DropTarget::enterEvent(QEnterEvent *)
{
    m_hovered = true;
    update();
}

void DropTarget::leaveEvent(QEvent *)
{
    m_hovered = false;
    m_pressed = false;
    update();
}

void DropTarget::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void DropTarget::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}

} // namespace tallowin
