#include "Tallowin/screens/ActionSheet.h"

#include "Tallowin/presentation/TaskLookup.h"
#include "Tallowin/screens/SheetStyle.h"
#include "Tallowin/screens/SheetTextEdit.h"
#include "Tallowin/screens/StoreActionAttempt.h"
#include "Tallowin/store/TaskStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

namespace {

const QString headingText = QStringLiteral("What would you like help with?");
const QString fieldLabel = QStringLiteral("Instruction for ChatGPT");
const QString helpText = QStringLiteral(
    "This saves a request. ChatGPT acts only when you run the task through the Tallowin plugin. You can use macOS "
    "Dictation to enter text.");

} // namespace

ActionSheet::ActionSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent)
    : TallowinSheet(store, parent)
    , m_taskID(presentation.taskID)
{
    auto *heading = new QLabel(headingText, this);
    SheetStyle::apply(heading, SheetStyle::Role::heading);
    heading->setWordWrap(true);

    m_cardTitle = new QLabel(this);
    m_cardTitle->setWordWrap(true);
    m_cardTitle->setTextFormat(Qt::PlainText);
    SheetStyle::apply(m_cardTitle, SheetStyle::Role::secondary);

    auto *label = new QLabel(fieldLabel, this);
    SheetStyle::apply(label, SheetStyle::Role::sectionTitle);
    m_instruction = new SheetTextEdit(SheetTextEdit::ReturnKey::saves, this);
    m_instruction->setPlaceholderText(QStringLiteral("Write an instruction…"));
    m_instruction->setAccessibleName(fieldLabel);
    m_instruction->setMinimumHeight(110);
    label->setBuddy(m_instruction);

    auto *help = new QLabel(helpText, this);
    help->setWordWrap(true);
    SheetStyle::apply(help, SheetStyle::Role::secondary);

    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    m_error->setTextFormat(Qt::PlainText);
    m_error->hide();
    SheetStyle::apply(m_error, SheetStyle::Role::danger);

    m_save = new QPushButton(QStringLiteral("Save request"), this);
    m_save->setAccessibleName(m_save->text());
    m_save->setDefault(true);
    SheetStyle::apply(m_save, SheetStyle::Role::primaryButton);
    connect(m_save, &QPushButton::clicked, this, &ActionSheet::submit);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_error, 1);
    buttons->addWidget(m_save, 0, Qt::AlignRight | Qt::AlignBottom);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(
        SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin);
    layout->setSpacing(8);
    layout->addWidget(heading);
    layout->addWidget(m_cardTitle);
    layout->addSpacing(8);
    layout->addWidget(label);
    layout->addWidget(m_instruction, 1);
    layout->addWidget(help);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    // A stale error belongs to what was typed before; typing makes it moot.
    connect(m_instruction, &QPlainTextEdit::textChanged, this, [this] { m_error->hide(); });
    connect(&store, &TaskStore::documentChanged, this, &ActionSheet::refreshCard);
    refreshCard();
    setFocusProxy(m_instruction);
    resize(520, 340);
}

QString ActionSheet::title() const
{
    return headingText;
}

QString ActionSheet::instruction() const
{
    return m_instruction->text();
}

void ActionSheet::refreshCard()
{
    const TaskItem *task = findTask(store().document(), m_taskID);
    m_cardTitle->setText(task ? QString::fromStdString(task->title) : QString());
    m_cardTitle->setVisible(task != nullptr);
    m_save->setEnabled(task != nullptr);
    if (!task && store().hasLoaded())
        showError(QStringLiteral("This task is no longer in your deck."));
}

void ActionSheet::showError(const QString &text)
{
    m_error->setText(text);
    m_error->setAccessibleName(text);
    m_error->show();
}

void ActionSheet::submit()
{
    if (!m_save->isEnabled())
        return;
    StoreActionAttempt attempt(store());
    if (store().requestAgentAction(m_taskID, instruction().toStdString())) {
        store().dismissPresentation();
        return;
    }
    if (const std::optional<std::string> error = attempt.error())
        showError(QString::fromStdString(*error));
}

} // namespace tallowin
