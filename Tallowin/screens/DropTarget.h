#pragma once

#include <QColor>
#include <QWidget>

namespace tallowin {

// One place a card can be dropped: a quiet outline at rest, brighter while a drag leans its way, filled while the
// card is over it. It is also a button: Tab reaches it, and Space, Return or a click act on the card in front.
// Its accessible name is its label.
class DropTarget : public QWidget
{
    Q_OBJECT

public:
    DropTarget(const QString &label, QColor (*tint)(const QPalette &), QWidget *parent = nullptr);

    QString label() const { return m_label; }
    // The smaller line under the label; empty for none.
    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }
    // A drag leans towards this target, or the rail it belongs to is pinned open.
    void setEngaged(bool engaged);
    bool isEngaged() const { return m_engaged; }
    // The card is over this target.
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return m_highlighted; }

    QSize sizeHint() const override { return {220, 113}; }

signals:
    void activated();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QString m_label;
    QString m_caption;
    QColor (*m_tint)(const QPalette &);
    bool m_engaged = false;
    bool m_highlighted = false;
    bool m_hovered = false;
    bool m_pressed = false;
};

} // namespace tallowin
