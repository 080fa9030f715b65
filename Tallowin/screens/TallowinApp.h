#pragma once

#include "Tallowin/platform/DesktopFiles.h"
#include "Tallowin/screens/TallowinSheet.h"

#include <QMainWindow>

class QStackedWidget;

namespace tallowin {

class DeckCanvas;
class DeckHeader;
class NoticeCapsule;
class SaveFeedbackPanel;
class ShortcutGuard;
class StatusPage;
class TallowinActions;
class TallowinPresentedSheet;
class TaskStore;

// The main window: home (opening, could-not-open, or the header over the review canvas with the notice capsule and
// the save feedback), the File, Edit and Task menus, and the host of every sheet. Its first appearance loads the deck.
class TallowinApp : public QMainWindow
{
    Q_OBJECT

public:
    enum class Page { opening, couldNotOpen, home };

    struct Options
    {
        SheetFactory sheets;
        DesktopFiles files;
    };
    // The real sheets and the desktop's file handling.
    static Options defaultOptions();

    TallowinApp(TaskStore &store, Options options = defaultOptions(), QWidget *parent = nullptr);
    ~TallowinApp() override;

    Page page() const;
    TallowinActions &actions() const { return *m_actions; }
    DeckHeader *header() const { return m_header; }
    DeckCanvas *canvas() const { return m_canvas; }
    NoticeCapsule *noticeCapsule() const { return m_capsule; }
    SaveFeedbackPanel *saveFeedback() const { return m_feedback; }
    TallowinPresentedSheet *sheetHost() const { return m_sheets; }
    StatusPage *openingPage() const { return m_opening; }
    StatusPage *couldNotOpenPage() const { return m_couldNotOpen; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void refreshPage();
    void placeOverlays();
    // Esc and "Back to all piles": a drag in flight, then the pinned rail, then the pile carousel.
    void back();

    TaskStore &m_store;
    Options m_options;
    TallowinActions *m_actions;
    ShortcutGuard *m_guard;
    QStackedWidget *m_pages;
    StatusPage *m_opening;
    StatusPage *m_couldNotOpen;
    QWidget *m_home;
    DeckHeader *m_header;
    DeckCanvas *m_canvas;
    NoticeCapsule *m_capsule;
    SaveFeedbackPanel *m_feedback;
    TallowinPresentedSheet *m_sheets;
    bool m_appeared = false;
};

} // namespace tallowin
