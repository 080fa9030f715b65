#include "Tallowin/screens/NoticeCapsule.h"

#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/workflow/ActionNotice.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace tallowin {

namespace {

// The notices of the actions that take a card out of review, which Undo brings back.
bool offersUndo(const std::string &notice)
{
    return notice == ActionNotice::removed() || notice.rfind("Moved ", 0) == 0 || notice.rfind("Completed ", 0) == 0;
}

} // namespace

NoticeCapsule::NoticeCapsule(TaskStore &store, TallowinActions &actions, QWidget *parent)
    : QFrame(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("noticeCapsule"));
    setAccessibleName(QStringLiteral("Notice"));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("noticeText"));
    m_text->setFont(TallowinStyle::font(this, 13, QFont::Medium));
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_undo = new QPushButton(this);
    m_undo->setObjectName(QStringLiteral("noticeUndo"));
    m_undo->setFlat(true);
    m_undo->setCursor(Qt::PointingHandCursor);
    m_undo->setFont(TallowinStyle::font(this, 13, QFont::DemiBold));
    TallowinActions::bind(m_undo, actions.undo);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 6, 10, 6);
    layout->setSpacing(10);
    layout->addWidget(m_text);
    layout->addWidget(m_undo);

    m_timer.setSingleShot(true);
    m_timer.setInterval(visibleMs);
    connect(&m_timer, &QTimer::timeout, &m_store, &TaskStore::clearNotice);
    connect(&m_store, &TaskStore::noticeChanged, this, &NoticeCapsule::refresh);
    applyColours();
    refresh();
}

void NoticeCapsule::refresh()
{
    const std::optional<std::string> &notice = m_store.notice();
    if (!notice || notice->empty()) {
        m_timer.stop();
        hide();
        return;
    }
    m_text->setText(QString::fromStdString(*notice));
    m_undo->setVisible(offersUndo(*notice));
    adjustSize();
    place();
    show();
    raise();
    m_timer.start();
}

void NoticeCapsule::place()
{
    if (!parentWidget())
        return;
    const QSize size = sizeHint().boundedTo(QSize(parentWidget()->width() - 32, 200));
    resize(size);
    move((parentWidget()->width() - size.width()) / 2, parentWidget()->height() - size.height() - 22);
}

void NoticeCapsule::enterEvent(QEnterEvent *)
{
    // Reading it, or reaching for Undo, keeps it.
    m_timer.stop();
}

void NoticeCapsule::leaveEvent(QEvent *)
{
    if (isVisible())
        m_timer.start();
}

void NoticeCapsule::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill());
    painter.drawRoundedRect(frame, frame.height() / 2, frame.height() / 2);
}

QColor NoticeCapsule::fill() const
{
    // The capsule inverts the window: dark on light, light on dark.
    return TallowinStyle::mix(palette().color(QPalette::Window), palette().color(QPalette::WindowText), 0.86);
}

void NoticeCapsule::applyColours()
{
    const QColor onFill = TallowinStyle::textOn(fill());
    QPalette text = m_text->palette();
    text.setColor(QPalette::WindowText, onFill);
    m_text->setPalette(text);
    QPalette button = m_undo->palette();
    button.setColor(QPalette::ButtonText, TallowinStyle::mix(onFill, palette().color(QPalette::Highlight), 0.45));
    m_undo->setPalette(button);
}

void NoticeCapsule::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyColours();
    QFrame::changeEvent(event);
}

} // namespace tallowin
