#include "Tallowin/screens/TallowinApp.h"

#include "Tallowin/presentation/TaskReviewDrag.h"
#include "Tallowin/screens/DeckCanvas.h"
#include "Tallowin/screens/DeckHeader.h"
#include "Tallowin/screens/NoticeCapsule.h"
#include "Tallowin/screens/SaveFeedbackPanel.h"
#include "Tallowin/screens/ShortcutGuard.h"
#include "Tallowin/screens/StatusPage.h"
#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinPresentedSheet.h"
#include "Tallowin/screens/TaskCard.h"
#include "Tallowin/store/TaskStore.h"

#include <QAction>
#include <QEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tallowin {

TallowinApp::Options TallowinApp::defaultOptions()
{
    return {TallowinPresentedSheet::defaultFactory(), DesktopFiles::system()};
}

TallowinApp::TallowinApp(TaskStore &store, Options options, QWidget *parent)
    : QMainWindow(parent)
    , m_store(store)
    , m_options(std::move(options))
{
    setObjectName(QStringLiteral("tallowinApp"));
    setWindowTitle(QStringLiteral("Tallowin"));
    setMinimumSize(720, 560);
    resize(1280, 820);

    m_actions = new TallowinActions(store, this);
    m_guard = new ShortcutGuard(this);
    buildMenus();

    m_pages = new QStackedWidget(this);
    m_opening = new StatusPage(StatusPage::Kind::opening, store, m_pages);
    m_couldNotOpen = new StatusPage(StatusPage::Kind::couldNotOpen, store, m_pages);
    m_home = new QWidget(m_pages);
    m_home->setObjectName(QStringLiteral("home"));
    m_header = new DeckHeader(store, *m_actions, m_home);
    m_canvas = new DeckCanvas(store, *m_actions, m_home);
    auto *homeLayout = new QVBoxLayout(m_home);
    homeLayout->setContentsMargins(0, 0, 0, 0);
    homeLayout->setSpacing(0);
    homeLayout->addWidget(m_header);
    homeLayout->addWidget(m_canvas, 1);
    m_capsule = new NoticeCapsule(store, *m_actions, m_home);
    m_feedback = new SaveFeedbackPanel(store, m_home);
    m_home->installEventFilter(this);
    connect(m_feedback, &SaveFeedbackPanel::shownChanged, this, &TallowinApp::placeOverlays);
    m_pages->addWidget(m_opening);
    m_pages->addWidget(m_couldNotOpen);
    m_pages->addWidget(m_home);
    setCentralWidget(m_pages);

    m_sheets = new TallowinPresentedSheet(store, this, m_options.sheets);

    // Keys of the header come before the canvas, the card and its targets.
    setTabOrder(m_header->newTaskButton(), m_canvas->card());

    connect(m_actions->backToAllPiles, &QAction::triggered, this, &TallowinApp::back);
    connect(m_actions->delayTo[std::size_t(DelayChoice::custom)], &QAction::triggered, this, [this] {
        if (const std::optional<TaskItem> task = m_store.currentTask())
            m_sheets->openCustomDate(task->id);
    });
    connect(m_canvas, &DeckCanvas::customDateRequested, m_sheets, &TallowinPresentedSheet::openCustomDate);
    connect(m_actions->openFile, &QAction::triggered, this, [this] {
        if (!m_options.files.open || !m_options.files.open(m_store.filePath()))
            m_store.reportError(DesktopFiles::couldNotOpen);
    });
    connect(m_actions->showInFinder, &QAction::triggered, this, [this] {
        if (!m_options.files.reveal || !m_options.files.reveal(m_store.filePath()))
            m_store.reportError(DesktopFiles::couldNotReveal);
    });

    for (const auto signal : {&TaskStore::hasLoadedChanged, &TaskStore::errorMessageChanged,
             &TaskStore::isReloadingChanged, &TaskStore::loadFinished})
        connect(&m_store, signal, this, &TallowinApp::refreshPage);
    refreshPage();
}

TallowinApp::~TallowinApp() = default;

void TallowinApp::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    file->addAction(m_actions->newTask);
    file->addAction(m_actions->exportDiagnostics);
    file->addSeparator();
    file->addAction(m_actions->quit);
    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    edit->addAction(m_actions->undo);
    QMenu *task = menuBar()->addMenu(QStringLiteral("&Task"));
    task->setObjectName(QStringLiteral("taskMenu"));
    task->addAction(m_actions->nextTask);
    task->addAction(m_actions->removeTask);
    task->addAction(m_actions->chooseWhenThisReturns);
    task->addAction(m_actions->completeTask);
    // Esc has no menu item but is a key of this window.
    addAction(m_actions->backToAllPiles);
}

TallowinApp::Page TallowinApp::page() const
{
    if (m_pages->currentWidget() == m_home)
        return Page::home;
    return m_pages->currentWidget() == m_couldNotOpen ? Page::couldNotOpen : Page::opening;
}

void TallowinApp::refreshPage()
{
    QWidget *wanted = m_opening;
    if (m_store.hasLoaded())
        wanted = m_home;
    else if (m_store.errorMessage() && !m_store.isReloading())
        wanted = m_couldNotOpen;
    if (m_pages->currentWidget() == wanted)
        return;
    m_pages->setCurrentWidget(wanted);
    if (wanted == m_home) {
        placeOverlays();
        m_canvas->focusContent();
    } else if (wanted == m_couldNotOpen) {
        m_couldNotOpen->tryAgainButton()->setFocus();
    }
}

void TallowinApp::placeOverlays()
{
    m_capsule->place();
    const int width = std::min(m_home->width() - 48, 680);
    m_feedback->setFixedWidth(width);
    m_feedback->adjustSize();
    m_feedback->move((m_home->width() - width) / 2, m_header->height() + 12);
    m_feedback->raise();
    m_capsule->raise();
}

bool TallowinApp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_home && event->type() == QEvent::Resize)
        placeOverlays();
    return QMainWindow::eventFilter(watched, event);
}

void TallowinApp::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    m_store.reload();
}

void TallowinApp::back()
{
    if (m_canvas->cancelDrag())
        return;
    const TaskReviewInteraction &review = m_store.review();
    if (review.delayRailPinned) {
        m_store.setReview(TaskReviewDrag::railReleased(review));
        return;
    }
    if (review.pileCarousel)
        m_store.closePileCarousel();
}

} // namespace tallowin
