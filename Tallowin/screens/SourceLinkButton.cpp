#include "Tallowin/screens/SourceLinkButton.h"

#include "Tallowin/screens/SheetStyle.h"

#include <QDesktopServices>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QUrl>

#include <algorithm>

namespace tallowin {

namespace {

constexpr int padding = 4;
constexpr int widest = 520;

} // namespace

SourceLinkButton::SourceLinkButton(const TaskSource &source, QWidget *parent)
    : QPushButton(QString::fromStdString(source.label.empty() ? source.url : source.label), parent)
    , m_url(QString::fromStdString(source.url))
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(text());
    setAccessibleDescription(m_url);
    setToolTip(m_url);
    SheetStyle::apply(this, SheetStyle::Role::link);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(QUrl(m_url)); });
}

QSize SourceLinkButton::sizeHint() const
{
    return {std::min(fontMetrics().horizontalAdvance(text()) + padding, widest), fontMetrics().height() + 8};
}

QSize SourceLinkButton::minimumSizeHint() const
{
    return {60, sizeHint().height()};
}

void SourceLinkButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    // The text lines up with the text above it; the padding is on the right only.
    const QRect content = rect().adjusted(0, 0, -padding, 0);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(
        content, Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(text(), Qt::ElideMiddle, content.width()));
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(1, 1, -1, -1);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace tallowin
