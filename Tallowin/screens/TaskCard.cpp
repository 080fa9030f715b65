#include "Tallowin/screens/TaskCard.h"

#include "Tallowin/screens/ElidedLabel.h"
#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/store/TaskStore.h"

#include <QAction>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tallowin {

namespace {

QString text(std::string_view value)
{
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

QLabel *badge(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setContentsMargins(8, 2, 8, 2);
    return label;
}

// A source's name on the card: its label, else the site it points to.
QString sourceName(const TaskSource &source)
{
    if (!source.label.empty())
        return QString::fromStdString(source.label);
    const QString host = QUrl(QString::fromStdString(source.url)).host();
    return host.isEmpty() ? QString::fromStdString(source.url) : host;
}

} // namespace

TaskCard::TaskCard(TaskStore &store, TallowinActions &actions, QWidget *parent)
    : QFrame(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("taskCard"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);

    m_person = new QLineEdit(this);
    m_person->setObjectName(QStringLiteral("person"));
    m_person->setToolTip(QString::fromUtf8(personHelp));
    m_person->setAccessibleDescription(QString::fromUtf8(personHelp));
    m_person->setFrame(false);
    m_person->setFont(TallowinStyle::font(this, 12, QFont::Medium));
    m_person->installEventFilter(this);
    connect(m_person, &QLineEdit::returnPressed, this, &TaskCard::commitPerson);

    m_kind = badge(this, "kindBadge");
    m_state = badge(this, "stateBadge");
    m_followUp = badge(this, "followUpBadge");
    m_followUp->setText(QString::fromUtf8(followUpText));
    for (QLabel *label : {m_kind, m_state, m_followUp})
        label->setFont(TallowinStyle::font(this, 12, QFont::Medium));

    m_title = new ElidedLabel(3, this);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setFont(TallowinStyle::font(this, 20, QFont::DemiBold));
    m_context = new ElidedLabel(8, this);
    m_context->setObjectName(QStringLiteral("context"));
    m_context->setFont(TallowinStyle::font(this, 14));
    m_sources = new QLabel(this);
    m_sources->setObjectName(QStringLiteral("sources"));
    m_sources->setFont(TallowinStyle::font(this, 12));
    m_sources->setWordWrap(true);

    m_source = new QToolButton(this);
    m_source->setObjectName(QStringLiteral("source"));
    m_source->setText(QStringLiteral("Source"));
    m_source->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(m_source, &QToolButton::clicked, this, [this] {
        if (m_task && m_task->sources.size() == 1)
            m_store.openSourceLink(m_task->sources.front().url);
    });
    m_readFullTask = new QPushButton(this);
    m_readFullTask->setObjectName(QStringLiteral("readFullTask"));
    m_readFullTask->setToolTip(QString::fromUtf8(TallowinActions::readFullTaskHelp));
    TallowinActions::bind(m_readFullTask, actions.readFullTask);
    m_askChatGPT = new QPushButton(this);
    m_askChatGPT->setObjectName(QStringLiteral("askChatGPT"));
    TallowinActions::bind(m_askChatGPT, actions.askChatGPT);
    m_mergeTasks = new QPushButton(this);
    m_mergeTasks->setObjectName(QStringLiteral("mergeTasks"));
    TallowinActions::bind(m_mergeTasks, actions.mergeTasks);
    m_complete = new QPushButton(this);
    m_complete->setObjectName(QStringLiteral("complete"));
    TallowinActions::bind(m_complete, actions.completeTask, QStringLiteral("Complete"));
    for (QAbstractButton *button :
        std::initializer_list<QAbstractButton *> {m_source, m_readFullTask, m_askChatGPT, m_mergeTasks, m_complete}) {
        button->setFont(TallowinStyle::font(this, 13, QFont::Medium));
        button->setCursor(Qt::PointingHandCursor);
        button->setMinimumWidth(button->sizeHint().width());
    }

    auto *top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(m_person, 1);
    top->addWidget(m_kind);
    top->addWidget(m_state);
    top->addWidget(m_followUp);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    buttons->addWidget(m_source);
    buttons->addWidget(m_readFullTask);
    buttons->addWidget(m_askChatGPT);
    buttons->addWidget(m_mergeTasks);
    buttons->addStretch(1);
    buttons->addWidget(m_complete);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(26, 22, 26, 20);
    layout->setSpacing(10);
    layout->addLayout(top);
    layout->addSpacing(2);
    layout->addWidget(m_title);
    layout->addWidget(m_context);
    layout->addStretch(1);
    layout->addWidget(m_sources);
    layout->addSpacing(4);
    layout->addLayout(buttons);

    // Tab walks the card from its person to Complete.
    setTabOrder(this, m_person);
    setTabOrder(m_person, m_source);
    setTabOrder(m_source, m_readFullTask);
    setTabOrder(m_readFullTask, m_askChatGPT);
    setTabOrder(m_askChatGPT, m_mergeTasks);
    setTabOrder(m_mergeTasks, m_complete);
    applyColours();
}

void TaskCard::showTask(const std::optional<TaskItem> &task)
{
    if (m_task == task)
        return;
    const bool sameCard = m_task && task && m_task->id == task->id;
    m_task = task;
    if (!task) {
        setAccessibleName(QString());
        return;
    }
    const QString title = QString::fromStdString(task->title);
    setAccessibleName(title);
    m_title->setText(title);
    m_context->setText(QString::fromStdString(task->context));
    m_context->setVisible(!task->context.empty());
    // Typing in the field of this card survives a change elsewhere in the deck.
    if (!sameCard || !m_person->hasFocus())
        m_person->setText(QString::fromStdString(task->person));
    m_person->setAccessibleName(QString::fromStdString(task->person));
    m_kind->setText(text(label(task->kind)));
    m_state->setText(text(label(task->state)));
    m_state->setVisible(task->state != TaskState::active);
    m_followUp->setVisible(task->highlighted.value_or(false));

    QStringList names;
    for (const TaskSource &source : task->sources)
        names.append(sourceName(source));
    m_sources->setVisible(!names.isEmpty());
    m_sources->setText(names.join(QStringLiteral("  ·  ")));
    m_sources->setToolTip(names.size() > 1 ? names.join(QLatin1Char('\n')) : QString());
    m_source->setEnabled(!task->sources.empty());
    m_source->setVisible(!task->sources.empty());
    // With several sources the button lists them; with one it opens it.
    delete m_source->menu();
    if (task->sources.size() > 1) {
        auto *menu = new QMenu(m_source);
        menu->setObjectName(QStringLiteral("sourcesMenu"));
        for (const TaskSource &source : task->sources) {
            const std::string url = source.url;
            QAction *item = menu->addAction(sourceName(source), this, [this, url] { m_store.openSourceLink(url); });
            item->setToolTip(QString::fromStdString(url));
        }
        m_source->setMenu(menu);
        m_source->setPopupMode(QToolButton::InstantPopup);
    } else {
        m_source->setPopupMode(QToolButton::DelayedPopup);
    }
    m_source->setToolTip(task->sources.size() == 1 ? QString::fromStdString(task->sources.front().url) : QString());
    update();
}

void TaskCard::commitPerson()
{
    if (!m_task)
        return;
    const std::string person = m_person->text().trimmed().toStdString();
    if (person.empty() || person == m_task->person) {
        m_person->setText(QString::fromStdString(m_task->person));
        return;
    }
    m_store.changePerson(m_task->id, person);
}

bool TaskCard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_person) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && m_task) {
            m_person->setText(QString::fromStdString(m_task->person));
            m_person->clearFocus();
            setFocus();
            return true;
        }
        // Leaving the field without Return keeps what the deck says.
        if (event->type() == QEvent::FocusOut && m_task)
            m_person->setText(QString::fromStdString(m_task->person));
    }
    return QFrame::eventFilter(watched, event);
}

void TaskCard::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyColours();
    QFrame::changeEvent(event);
}

void TaskCard::applyColours()
{
    const QPalette &colors = palette();
    const QColor secondary = TallowinStyle::secondaryText(colors);
    const QColor card = TallowinStyle::cardColor(colors);
    QPalette fieldColours = m_person->palette();
    fieldColours.setColor(QPalette::Base, card);
    fieldColours.setColor(QPalette::Text, secondary);
    m_person->setPalette(fieldColours);
    m_sources->setStyleSheet(QStringLiteral("color: %1;").arg(secondary.name()));
    m_context->setTextColor(TallowinStyle::mix(colors.color(QPalette::WindowText), card, 0.12));
    const QColor badgeFill = TallowinStyle::mix(card, colors.color(QPalette::WindowText), 0.08);
    const QString badgeStyle
        = QStringLiteral("background: %1; color: %2; border-radius: 9px;").arg(badgeFill.name(), secondary.name());
    m_kind->setStyleSheet(badgeStyle);
    m_state->setStyleSheet(badgeStyle);
    const QColor accent = TallowinStyle::accent(colors);
    m_followUp->setStyleSheet(QStringLiteral("background: %1; color: %2; border-radius: 9px;")
                                  .arg(TallowinStyle::mix(card, accent, 0.16).name(),
                                      TallowinStyle::mix(colors.color(QPalette::WindowText), accent, 0.6).name()));
    m_complete->setStyleSheet(TallowinStyle::primaryButton(colors));
    const QString quiet = TallowinStyle::secondaryButton(colors, card);
    for (QWidget *button : std::initializer_list<QWidget *> {m_source, m_readFullTask, m_askChatGPT, m_mergeTasks})
        button->setStyleSheet(quiet);
}

void TaskCard::focusInEvent(QFocusEvent *event)
{
    // The ring is for the keyboard; a click or the window opening does not need it.
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason
        || event->reason() == Qt::ShortcutFocusReason;
    QFrame::focusInEvent(event);
}

void TaskCard::focusOutEvent(QFocusEvent *event)
{
    m_keyboardFocus = false;
    QFrame::focusOutEvent(event);
}

void TaskCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colors = palette();
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setBrush(TallowinStyle::cardColor(colors));
    const bool ring = hasFocus() && m_keyboardFocus;
    painter.setPen(QPen(ring ? TallowinStyle::accent(colors) : TallowinStyle::hairline(colors), ring ? 2 : 1));
    painter.drawRoundedRect(frame, TallowinStyle::cardRadius, TallowinStyle::cardRadius);
    if (m_task)
        emit drawn(QString::fromStdString(m_task->id));
}

} // namespace tallowin
