#pragma once

#include <QPixmap>
#include <QVariantAnimation>
#include <QWidget>

namespace tallowin {

// The card while it is out of its place: held under the pointer (tilting with the drag, tucked small beside the
// pointer over a target), springing back, or dropping into a target. A transparent layer over the whole review
// canvas, above the targets; clicks pass through it.
class CardFlight : public QWidget
{
    Q_OBJECT

public:
    enum class Kind { none, springBack, drop };

    explicit CardFlight(QWidget *canvas);

    // Takes a picture of the card, held at grabPoint (in the card's coordinates) by a press at pressPosition.
    void lift(QWidget &card, QPointF grabPoint, QPointF pressPosition);
    // The pointer moved; over a target the card tucks in beside it.
    void follow(QPointF pointer, bool overTarget);
    // Back to the card's place at rest, given by its centre.
    void springBack(QPointF restingCentre);
    // Into a target, given by its centre, shrinking and fading.
    void dropInto(QPointF targetCentre);

    bool isHolding() const { return !m_image.isNull(); }
    Kind flying() const { return m_kind; }

signals:
    // A spring back or a drop has finished; with motion off, at once.
    void landed(CardFlight::Kind kind);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Pose
    {
        QPointF centre;
        double scale = 1;
        double rotation = 0;
    };
    Pose heldPose() const;
    void fly(Kind kind, Pose to);
    void finish();

    QPixmap m_image;
    QPointF m_grabPoint;
    QPointF m_pressPosition;
    QPointF m_pointer;
    Kind m_kind = Kind::none;
    QVariantAnimation m_animation;
    Pose m_from;
    Pose m_to;
    double m_progress = 0;
    // 0 while the card hangs from the hand, 1 while it is tucked beside the pointer over a target.
    QVariantAnimation m_tuck;
    double m_tuckBlend = 0;
    bool m_tucked = false;
};

} // namespace tallowin
