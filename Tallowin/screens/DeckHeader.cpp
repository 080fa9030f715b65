#include "Tallowin/screens/DeckHeader.h"

#include "Tallowin/screens/HeaderPanel.h"
#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/store/TaskStore.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

namespace tallowin {

namespace {

QToolButton *headerButton(const char *name, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setFont(TallowinStyle::font(parent, 13, QFont::Medium));
    button->setMinimumHeight(32);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QIcon chevron(const QColor &colour)
{
    QPixmap image(QSize(20, 20));
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(2, 4), QPointF(5, 7), QPointF(8, 4)}));
    return QIcon(image);
}

QIcon statusDot(const QColor &colour)
{
    QPixmap dot(QSize(20, 20));
    dot.setDevicePixelRatio(2);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(2, 2, 6, 6));
    return QIcon(dot);
}

} // namespace

DeckHeader::DeckHeader(TaskStore &store, TallowinActions &actions, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("deckHeader"));
    setFixedHeight(headerHeight);

    m_status = headerButton("status", this);
    m_status->setToolTip(QString::fromUtf8(statusHelp));
    m_status->setIconSize(QSize(10, 10));
    m_filePanel = new HeaderPanel(HeaderPanel::Kind::fileLocation, store, actions, this);
    connect(m_status, &QToolButton::clicked, this, [this] { m_filePanel->popUp(m_status); });

    m_decks = headerButton("decks", this);
    m_decks->setText(QStringLiteral("Decks"));
    m_decks->setToolTip(QString::fromUtf8(decksHelp));
    m_decks->setPopupMode(QToolButton::InstantPopup);
    // The arrow follows the word, as a menu's does.
    m_decks->setLayoutDirection(Qt::RightToLeft);
    m_decks->setIconSize(QSize(10, 10));
    auto *decks = new QMenu(m_decks);
    decks->setObjectName(QStringLiteral("decksMenu"));
    decks->addAction(actions.allTasks);
    decks->addAction(actions.completed);
    decks->addAction(actions.withChatGPT);
    decks->addAction(actions.inbox);
    decks->addSeparator();
    for (QAction *pile : actions.openPile)
        decks->addAction(pile);
    m_decks->setMenu(decks);

    m_findNewTasks = headerButton("findNewTasks", this);
    m_findNewTasks->setText(QStringLiteral("Find new tasks"));
    m_discoveryPanel = new HeaderPanel(HeaderPanel::Kind::discovery, store, actions, this);
    connect(m_findNewTasks, &QToolButton::clicked, this, [this] { m_discoveryPanel->popUp(m_findNewTasks); });

    m_undo = headerButton("undoLastAction", this);
    m_undo->setToolTip(QString::fromUtf8(TallowinActions::undoHelp));
    TallowinActions::bind(m_undo, actions.undo, QStringLiteral("Undo last action"));
    m_settings = headerButton("settings", this);
    TallowinActions::bind(m_settings, actions.settings);
    m_newTask = new QPushButton(this);
    m_newTask->setObjectName(QStringLiteral("newTask"));
    m_newTask->setFont(TallowinStyle::font(this, 13, QFont::DemiBold));
    m_newTask->setMinimumHeight(32);
    TallowinActions::bind(m_newTask, actions.newTask, QStringLiteral("New task"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 8, 16, 8);
    layout->setSpacing(4);
    layout->addWidget(m_status);
    layout->addSpacing(6);
    layout->addWidget(m_decks);
    layout->addWidget(m_findNewTasks);
    layout->addStretch(1);
    layout->addWidget(m_undo);
    layout->addWidget(m_settings);
    layout->addSpacing(8);
    layout->addWidget(m_newTask);

    for (const auto signal :
        {&TaskStore::hasLoadedChanged, &TaskStore::errorMessageChanged, &TaskStore::saveActivityChanged})
        connect(&m_store, signal, this, &DeckHeader::refresh);
    applyColours();
    refresh();
}

void DeckHeader::refresh()
{
    const std::string status = m_store.headerPresentation().status;
    m_status->setText(QString::fromStdString(status));
    const QPalette &colours = palette();
    QColor dot = TallowinStyle::delayTint(colours);
    if (!m_store.hasLoaded())
        dot = TallowinStyle::secondaryText(colours);
    else if (m_store.errorMessage())
        dot = TallowinStyle::removeTint(colours);
    else if (status == "Saving…")
        dot = TallowinStyle::accent(colours);
    m_status->setIcon(statusDot(dot));
}

void DeckHeader::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange) {
        applyColours();
        refresh();
    }
    QWidget::changeEvent(event);
}

void DeckHeader::applyColours()
{
    const QPalette &colours = palette();
    m_newTask->setStyleSheet(TallowinStyle::primaryButton(colours));
    const QColor surface = TallowinStyle::mix(colours.color(QPalette::Window), TallowinStyle::cardColor(colours), 0.5);
    const QColor text = colours.color(QPalette::WindowText);
    const QString quiet
        = QStringLiteral("QToolButton { border: none; border-radius: 7px; padding: 5px 10px; color: %1; }"
                         "QToolButton:hover { background: %2; }"
                         "QToolButton:pressed { background: %3; }"
                         "QToolButton:focus { border: 2px solid %4; padding: 3px 8px; }"
                         "QToolButton:disabled { color: %5; }"
                         "QToolButton::menu-indicator { image: none; width: 0; }")
              .arg(text.name(), TallowinStyle::mix(surface, text, 0.08).name(),
                  TallowinStyle::mix(surface, text, 0.14).name(), TallowinStyle::accent(colours).name(),
                  TallowinStyle::mix(surface, text, 0.42).name());
    for (QToolButton *button : {m_status, m_decks, m_findNewTasks, m_undo, m_settings})
        button->setStyleSheet(quiet);
    m_decks->setIcon(chevron(TallowinStyle::secondaryText(colours)));
}

void DeckHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(
        rect(), TallowinStyle::mix(palette().color(QPalette::Window), TallowinStyle::cardColor(palette()), 0.5));
    painter.setPen(TallowinStyle::hairline(palette()));
    painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
}

} // namespace tallowin
