#pragma once

#include <QWidget>

namespace tallowin {

// Text that wraps up to a number of lines and ends the last one with "…" when it does not fit; the whole text is
// then its tooltip. Its accessible name is the whole text.
class ElidedLabel : public QWidget
{
    Q_OBJECT

public:
    ElidedLabel(int maximumLines, QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const { return m_text; }
    // The text as drawn, lines joined by line feeds.
    QString shownText() const;
    bool isElided() const;
    void setTextColor(const QColor &color);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Lines
    {
        QStringList lines;
        bool elided = false;
    };
    Lines layout(int width) const;
    void relayout();

    int m_maximumLines;
    QString m_text;
    Lines m_lines;
    QColor m_color;
};

} // namespace tallowin
