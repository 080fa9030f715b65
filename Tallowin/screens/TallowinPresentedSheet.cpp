#include "Tallowin/screens/TallowinPresentedSheet.h"

#include "Tallowin/screens/ActionSheet.h"
#include "Tallowin/screens/CompletionSheet.h"
#include "Tallowin/screens/DelaySheet.h"
#include "Tallowin/screens/InboxSheet.h"
#include "Tallowin/screens/MergeSheet.h"
#include "Tallowin/screens/NewTaskSheet.h"
#include "Tallowin/screens/SaveFeedbackPanel.h"
#include "Tallowin/screens/TallowinSettingsView.h"
#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/screens/TaskBrowserSheet.h"
#include "Tallowin/screens/TaskDetailsSheet.h"
#include "Tallowin/store/TaskStore.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace tallowin {

SheetFactory TallowinPresentedSheet::defaultFactory()
{
    return [](TaskStore &store, const TallowinPresentation &presentation, QWidget *parent) -> TallowinSheet * {
        switch (presentation.kind) {
        case TallowinPresentation::Kind::completion:
            return new CompletionSheet(store, presentation, parent);
        case TallowinPresentation::Kind::delay:
            return new DelaySheet(store, presentation, parent);
        case TallowinPresentation::Kind::newTask:
            return new NewTaskSheet(store, presentation, parent);
        case TallowinPresentation::Kind::action:
            return new ActionSheet(store, presentation, parent);
        case TallowinPresentation::Kind::merge:
            return new MergeSheet(store, presentation, parent);
        case TallowinPresentation::Kind::details:
            return new TaskDetailsSheet(store, presentation, parent);
        case TallowinPresentation::Kind::allTasks:
            return new TaskBrowserSheet(store, presentation, parent);
        case TallowinPresentation::Kind::inbox:
            return new InboxSheet(store, presentation, parent);
        case TallowinPresentation::Kind::settings:
            return new TallowinSettingsView(store, presentation, parent);
        }
        return nullptr;
    };
}

TallowinPresentedSheet::TallowinPresentedSheet(TaskStore &store, QWidget *window, SheetFactory factory)
    : QDialog(window)
    , m_store(store)
    , m_factory(std::move(factory))
{
    setObjectName(QStringLiteral("presentedSheet"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(520);
    // A sheet is a card over the window: its face is the card's, a step lighter than the window in the dark.
    QPalette face = palette();
    face.setColor(QPalette::Window, TallowinStyle::cardColor(face));
    setPalette(face);
    // Fields with room to breathe and a clear focus, the same in every sheet.
    const QPalette &colours = palette();
    setStyleSheet(QStringLiteral("QLineEdit, QPlainTextEdit { background: %1; color: %2; border: 1px solid %3;"
                                 " border-radius: 6px; padding: 5px 7px; selection-background-color: %4; }"
                                 "QLineEdit:focus, QPlainTextEdit:focus { border: 2px solid %4; padding: 4px 6px; }")
                      .arg(colours.color(QPalette::Base).name(), colours.color(QPalette::Text).name(),
                          TallowinStyle::mix(colours.color(QPalette::Base), colours.color(QPalette::Text), 0.25).name(),
                          TallowinStyle::accent(colours).name()));
    m_feedback = new SaveFeedbackPanel(store, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 22);
    layout->setSpacing(14);
    layout->addWidget(m_feedback);
    connect(&m_store, &TaskStore::presentationChanged, this, &TallowinPresentedSheet::sync);
    sync();
}

void TallowinPresentedSheet::openCustomDate(const std::string &taskID)
{
    m_customDateFor = taskID;
    const TallowinPresentation wanted = TallowinPresentation::delay(taskID);
    if (m_store.presentation() == wanted)
        sync();
    else
        m_store.present(wanted);
}

void TallowinPresentedSheet::sync()
{
    const std::optional<TallowinPresentation> &presentation = m_store.presentation();
    if (presentation != m_shown) {
        if (m_sheet) {
            // The sheet may be the one whose button got us here: it goes once that call returns.
            m_sheet->hide();
            m_sheet->deleteLater();
            m_sheet = nullptr;
        }
        m_shown = presentation;
        if (presentation) {
            m_sheet = m_factory(m_store, *presentation, this);
            // A sheet that sized itself asks for that room; the layout alone would shrink it to its least.
            m_sheetSize = m_sheet->testAttribute(Qt::WA_Resized) ? m_sheet->size() : QSize();
            layout()->addWidget(m_sheet);
            connect(m_sheet, &TallowinSheet::titleChanged, this, &TallowinPresentedSheet::updateTitle);
        }
    }
    if (m_sheet && m_customDateFor && presentation && presentation->kind == TallowinPresentation::Kind::delay
        && presentation->taskID == *m_customDateFor) {
        if (auto *delay = qobject_cast<DelaySheet *>(m_sheet.data()))
            delay->showCustomDate();
    }
    m_customDateFor.reset();
    if (!m_sheet) {
        hide();
        return;
    }
    updateTitle();
    if (!isVisible()) {
        show();
        m_sheet->setFocus();
    }
}

void TallowinPresentedSheet::updateTitle()
{
    if (!m_sheet)
        return;
    setWindowTitle(m_sheet->title());
    setAccessibleName(m_sheet->title());
    fitToSheet();
}

void TallowinPresentedSheet::fitToSheet()
{
    adjustSize();
    if (!m_sheetSize.isValid())
        return;
    const QMargins margins = layout()->contentsMargins();
    QSize wanted = m_sheetSize.grownBy(margins).expandedTo(size());
    // Never larger than the window it covers, with a little of the window showing around it.
    if (const QWidget *window = parentWidget())
        wanted = wanted.boundedTo(window->size() - QSize(48, 48)).expandedTo(minimumSizeHint());
    resize(wanted);
}

void TallowinPresentedSheet::keyPressEvent(QKeyEvent *event)
{
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier & ~Qt::ControlModifier);
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_store.dismissPresentation();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && plain) {
        if (m_sheet)
            m_sheet->submit();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TallowinPresentedSheet::reject()
{
    if (m_store.presentation())
        m_store.dismissPresentation();
    else
        QDialog::reject();
}

void TallowinPresentedSheet::closeEvent(QCloseEvent *event)
{
    // Closing the window is Esc: the store decides, and its cleared presentation hides us.
    if (m_store.presentation()) {
        event->ignore();
        m_store.dismissPresentation();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace tallowin
