#include "Tallowin/screens/CardFlight.h"

#include "Tallowin/screens/Motion.h"
#include "Tallowin/screens/TallowinStyle.h"

#include <QPainter>

#include <algorithm>

namespace tallowin {

namespace {

constexpr int springBackMs = 200;
constexpr int dropMs = 180;
constexpr int tuckMs = 120;
// Small enough that the target under the card stays readable, large enough to recognise the card.
constexpr double tuckedScale = 0.3;
constexpr double droppedScale = 0.08;
constexpr double maximumTilt = 4;

double tiltFor(double dx)
{
    return std::clamp(dx / 40.0, -maximumTilt, maximumTilt);
}

} // namespace

CardFlight::CardFlight(QWidget *canvas)
    : QWidget(canvas)
{
    setObjectName(QStringLiteral("cardFlight"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    m_animation.setStartValue(0.0);
    m_animation.setEndValue(1.0);
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_progress = value.toDouble();
        update();
    });
    connect(&m_animation, &QVariantAnimation::finished, this, &CardFlight::finish);
    connect(&m_tuck, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_tuckBlend = value.toDouble();
        update();
    });
}

void CardFlight::lift(QWidget &card, QPointF grabPoint, QPointF pressPosition)
{
    // Rendered on transparency, so that the card's rounded corners stay round when it tilts.
    const qreal ratio = devicePixelRatioF();
    m_image = QPixmap(card.size() * ratio);
    m_image.setDevicePixelRatio(ratio);
    m_image.fill(Qt::transparent);
    card.render(&m_image, QPoint(), QRegion(), QWidget::DrawChildren);
    m_grabPoint = grabPoint;
    m_pressPosition = pressPosition;
    m_pointer = pressPosition;
    raise();
    update();
}

void CardFlight::follow(QPointF pointer, bool overTarget)
{
    m_pointer = pointer;
    if (overTarget != m_tucked) {
        m_tucked = overTarget;
        m_tuck.stop();
        const double wanted = overTarget ? 1.0 : 0.0;
        const int duration = Motion::duration(tuckMs);
        if (duration == 0) {
            m_tuckBlend = wanted;
        } else {
            m_tuck.setStartValue(m_tuckBlend);
            m_tuck.setEndValue(wanted);
            m_tuck.setDuration(duration);
            m_tuck.start();
        }
    }
    update();
}

CardFlight::Pose CardFlight::heldPose() const
{
    const QSizeF size = QSizeF(m_image.size()) / std::max(1.0, m_image.devicePixelRatio());
    const QPointF centreOffset = QPointF(size.width() / 2, size.height() / 2) - m_grabPoint;
    const Pose held {m_pointer + centreOffset, 1.0, tiltFor(m_pointer.x() - m_pressPosition.x())};
    // Tucked towards the middle of the canvas, clear of the words of the target under the pointer.
    const double direction = m_pointer.x() > width() / 2.0 ? -1 : 1;
    const Pose tucked {m_pointer + QPointF(direction * (size.width() * tuckedScale / 2 + 72), -8), tuckedScale, 0};
    const double h = m_tuckBlend;
    return {held.centre + (tucked.centre - held.centre) * h, held.scale + (tucked.scale - held.scale) * h,
        held.rotation * (1 - h)};
}

void CardFlight::springBack(QPointF restingCentre)
{
    fly(Kind::springBack, {restingCentre, 1, 0});
}

void CardFlight::dropInto(QPointF targetCentre)
{
    fly(Kind::drop, {targetCentre, droppedScale, 0});
}

void CardFlight::fly(Kind kind, Pose to)
{
    m_tuck.stop();
    m_kind = kind;
    m_from = heldPose();
    m_to = to;
    m_progress = 0;
    const int duration = Motion::duration(kind == Kind::drop ? dropMs : springBackMs);
    if (duration == 0) {
        finish();
        return;
    }
    m_animation.setDuration(duration);
    m_animation.setEasingCurve(kind == Kind::drop ? QEasingCurve::InCubic : QEasingCurve::OutBack);
    m_animation.start();
}

void CardFlight::finish()
{
    const Kind finished = std::exchange(m_kind, Kind::none);
    m_image = QPixmap();
    m_progress = 0;
    m_tuckBlend = 0;
    m_tucked = false;
    update();
    emit landed(finished);
}

void CardFlight::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    Pose pose = heldPose();
    double opacity = 1;
    if (m_kind != Kind::none) {
        const double t = m_progress;
        pose = {m_from.centre + (m_to.centre - m_from.centre) * t, m_from.scale + (m_to.scale - m_from.scale) * t,
            m_from.rotation + (m_to.rotation - m_from.rotation) * t};
        if (m_kind == Kind::drop)
            opacity = 1 - t;
    }
    const QSizeF size = QSizeF(m_image.size()) / m_image.devicePixelRatio();
    painter.setOpacity(opacity);
    painter.translate(pose.centre);
    painter.rotate(pose.rotation);
    painter.scale(pose.scale, pose.scale);
    painter.translate(-size.width() / 2, -size.height() / 2);
    TallowinStyle::paintShadow(painter, QRectF(QPointF(), size), TallowinStyle::cardRadius, palette());
    painter.drawPixmap(QPointF(), m_image);
}

} // namespace tallowin
