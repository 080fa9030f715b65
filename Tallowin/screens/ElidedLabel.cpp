#include "Tallowin/screens/ElidedLabel.h"

#include <QEvent>
#include <QPainter>
#include <QTextLayout>

namespace tallowin {

ElidedLabel::ElidedLabel(int maximumLines, QWidget *parent)
    : QWidget(parent)
    , m_maximumLines(maximumLines)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ElidedLabel::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    relayout();
    updateGeometry();
}

void ElidedLabel::setTextColor(const QColor &color)
{
    m_color = color;
    update();
}

QString ElidedLabel::shownText() const
{
    return m_lines.lines.join(QLatin1Char('\n'));
}

bool ElidedLabel::isElided() const
{
    return m_lines.elided;
}

ElidedLabel::Lines ElidedLabel::layout(int width) const
{
    Lines result;
    if (m_text.isEmpty() || width <= 0)
        return result;
    const QFontMetrics metrics(font());
    // Line breaks in the text count as lines of their own.
    const QStringList paragraphs = m_text.split(QLatin1Char('\n'));
    for (int paragraph = 0; paragraph < paragraphs.size(); ++paragraph) {
        const QString &text = paragraphs[paragraph];
        QTextLayout layout(text, font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            if (result.lines.size() == m_maximumLines - 1) {
                // The last line we may draw takes the rest of the text, elided.
                QString rest = text.mid(line.textStart());
                const bool moreParagraphs = paragraph + 1 < paragraphs.size();
                if (moreParagraphs)
                    rest += QStringLiteral(" …");
                const QString elided = metrics.elidedText(rest, Qt::ElideRight, width);
                result.elided = elided != rest || moreParagraphs;
                result.lines.append(moreParagraphs && elided == rest ? rest : elided);
                layout.endLayout();
                return result;
            }
            result.lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
        }
        layout.endLayout();
        if (text.isEmpty())
            result.lines.append(QString());
    }
    return result;
}

int ElidedLabel::heightForWidth(int width) const
{
    const int lines = int(layout(width).lines.size());
    return lines * QFontMetrics(font()).lineSpacing();
}

QSize ElidedLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int width = std::min(metrics.horizontalAdvance(m_text), 480);
    return {width, heightForWidth(std::max(width, 1))};
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {QFontMetrics(font()).averageCharWidth() * 4, m_text.isEmpty() ? 0 : QFontMetrics(font()).lineSpacing()};
}

void ElidedLabel::relayout()
{
    m_lines = layout(width());
    setToolTip(m_lines.elided ? m_text : QString());
    update();
}

void ElidedLabel::resizeEvent(QResizeEvent *)
{
    relayout();
}

void ElidedLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        relayout();
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(m_color.isValid() ? m_color : palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    int y = metrics.ascent();
    for (const QString &line : m_lines.lines) {
        painter.drawText(0, y, line);
        y += metrics.lineSpacing();
    }
}

} // namespace tallowin
