#include "Tallowin/screens/SaveFeedbackPanel.h"

#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/store/TaskStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

SaveFeedbackPanel::SaveFeedbackPanel(TaskStore &store, QWidget *parent)
    : QFrame(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("saveFeedback"));
    setAccessibleName(QString::fromUtf8(titleText));
    m_title = new QLabel(QString::fromUtf8(titleText), this);
    m_title->setObjectName(QStringLiteral("saveFeedbackTitle"));
    m_title->setFont(TallowinStyle::font(this, 14, QFont::DemiBold));
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("saveFeedbackMessage"));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_message->setFont(TallowinStyle::font(this, 13));
    m_keepEditing = new QPushButton(QString::fromUtf8(keepEditingText), this);
    m_keepEditing->setObjectName(QStringLiteral("keepEditing"));
    m_keepEditing->setStyleSheet(TallowinStyle::secondaryButton(palette(), TallowinStyle::cardColor(palette())));
    connect(m_keepEditing, &QPushButton::clicked, &m_store, &TaskStore::clearErrorMessage);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(m_title);
    texts->addWidget(m_message);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 12, 14, 12);
    layout->setSpacing(16);
    layout->addLayout(texts, 1);
    layout->addWidget(m_keepEditing, 0, Qt::AlignVCenter);
    connect(&m_store, &TaskStore::errorMessageChanged, this, &SaveFeedbackPanel::refresh);
    refresh();
}

void SaveFeedbackPanel::refresh()
{
    const std::optional<std::string> &error = m_store.errorMessage();
    m_message->setText(QString::fromUtf8(leadText) + QString::fromStdString(error.value_or("")));
    const bool shown = error.has_value();
    if (shown == !isHidden())
        return;
    setVisible(shown);
    emit shownChanged(shown);
}

void SaveFeedbackPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor tint = TallowinStyle::removeTint(palette());
    const QColor window = palette().color(QPalette::Window);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(TallowinStyle::mix(window, tint, 0.55), 1));
    painter.setBrush(TallowinStyle::mix(TallowinStyle::cardColor(palette()), tint, 0.1));
    painter.drawRoundedRect(frame, 10, 10);
}

} // namespace tallowin
