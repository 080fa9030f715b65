#include "Tallowin/screens/HeaderPanel.h"

#include "Tallowin/screens/SheetParts.h"
#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/store/TaskStore.h"

#include <QAbstractButton>
#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tallowin {

HeaderPanel::HeaderPanel(Kind kind, TaskStore &store, TallowinActions &actions, QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_kind(kind)
    , m_store(store)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(8);
    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    if (kind == Kind::fileLocation) {
        setObjectName(QStringLiteral("fileLocationPanel"));
        setAccessibleName(QString::fromUtf8(fileHeading));
        auto *heading = SheetParts::heading(QString::fromUtf8(fileHeading), this);
        heading->setFont(TallowinStyle::font(this, 15, QFont::DemiBold));
        layout->addWidget(heading);
        m_path = new QLabel(this);
        m_path->setObjectName(QStringLiteral("deckPath"));
        m_path->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        m_path->setFocusPolicy(Qt::StrongFocus);
        m_path->setWordWrap(true);
        m_path->setFont(TallowinStyle::font(this, 12));
        m_path->setMaximumWidth(460);
        layout->addWidget(m_path);
        layout->addSpacing(6);
        addButton(actions.openFile, row);
        addButton(actions.showInFinder, row);
        row->addStretch(1);
        addButton(actions.importTasks, row);
    } else {
        setObjectName(QStringLiteral("discoveryPanel"));
        setAccessibleName(QString::fromUtf8(discoveryHeading));
        auto *heading = SheetParts::heading(QString::fromUtf8(discoveryHeading), this);
        heading->setFont(TallowinStyle::font(this, 15, QFont::DemiBold));
        layout->addWidget(heading);
        auto *help = SheetParts::text(QString::fromUtf8(discoveryHelp), this);
        help->setMaximumWidth(380);
        help->setMinimumWidth(340);
        layout->addWidget(help);
        m_retry = SheetParts::text(QString::fromUtf8(retryText), this);
        m_retry->setObjectName(QStringLiteral("retry"));
        m_retry->setFont(TallowinStyle::font(this, 13, QFont::Medium));
        layout->addWidget(m_retry);
        m_scanStatus = SheetParts::hint(QString(), this);
        m_scanStatus->setObjectName(QStringLiteral("scanStatus"));
        m_scanStatus->setWordWrap(true);
        m_scanStatus->setMaximumWidth(380);
        layout->addWidget(m_scanStatus);
        layout->addSpacing(6);
        row->addStretch(1);
        QPushButton *openCodex = addButton(actions.openCodex, row);
        openCodex->setDefault(true);
        openCodex->setStyleSheet(TallowinStyle::primaryButton(palette()));
    }
    layout->addLayout(row);
    for (const auto signal : {&TaskStore::documentChanged, &TaskStore::scanStatusChanged, &TaskStore::isScanningChanged,
             &TaskStore::hasLoadedChanged})
        connect(&m_store, signal, this, &HeaderPanel::refresh);
    refresh();
}

QPushButton *HeaderPanel::addButton(QAction *action, QLayout *row)
{
    auto *button = new QPushButton(this);
    button->setObjectName(action->objectName());
    button->setStyleSheet(TallowinStyle::secondaryButton(palette(), TallowinStyle::cardColor(palette())));
    TallowinActions::bind(button, action);
    // A button that acts closes the panel, as a menu item does.
    connect(button, &QPushButton::clicked, this, &QWidget::close);
    row->addWidget(button);
    return button;
}

QList<QPushButton *> HeaderPanel::buttons() const
{
    return findChildren<QPushButton *>();
}

void HeaderPanel::refresh()
{
    if (m_path)
        m_path->setText(QString::fromStdString(m_store.filePath().string()));
    if (m_retry)
        m_retry->setVisible(m_store.headerPresentation().needsRetry);
    if (m_scanStatus) {
        const std::optional<std::string> &status = m_store.scanStatus();
        m_scanStatus->setText(QString::fromStdString(status.value_or("")));
        m_scanStatus->setVisible(status.has_value() && !status->empty());
    }
    adjustSize();
}

void HeaderPanel::popUp(QAbstractButton *under)
{
    refresh();
    adjustSize();
    QPoint at = under->mapToGlobal(QPoint(0, under->height() + 4));
    if (const QScreen *screen = under->screen()) {
        const QRect room = screen->availableGeometry();
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
    }
    move(at);
    show();
    activateWindow();
}

void HeaderPanel::paintEvent(QPaintEvent *)
{
    // A plain rectangle: a popup window has no rounded corners without a compositor.
    QPainter painter(this);
    painter.fillRect(rect(), TallowinStyle::cardColor(palette()));
    painter.setPen(QPen(TallowinStyle::hairline(palette()), 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace tallowin
