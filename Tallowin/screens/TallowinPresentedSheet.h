#pragma once

#include "Tallowin/presentation/TallowinPresentation.h"
#include "Tallowin/screens/TallowinSheet.h"

#include <QDialog>
#include <QPointer>

#include <optional>
#include <string>

namespace tallowin {

class SaveFeedbackPanel;

// The one host of every sheet: while the store presents a case it shows that case's sheet, window-modal over the
// main window and without a nested event loop; when the store clears the presentation it closes. Esc closes it
// (the store's dismissPresentation), Return calls the sheet's submit(). Sheets are made by a factory, the seam tests
// replace.
class TallowinPresentedSheet : public QDialog
{
    Q_OBJECT

public:
    TallowinPresentedSheet(TaskStore &store, QWidget *window, SheetFactory factory = defaultFactory());

    // One case per sheet; the cases whose sheets this version lacks show that plainly.
    static SheetFactory defaultFactory();

    TallowinSheet *sheet() const { return m_sheet; }
    const std::optional<TallowinPresentation> &shown() const { return m_shown; }
    SaveFeedbackPanel *feedback() const { return m_feedback; }
    // Presents the delay sheet of a card at its custom date, as a drop on the custom pile asks for.
    void openCustomDate(const std::string &taskID);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

public slots:
    void reject() override;

private:
    void sync();
    void updateTitle();
    void fitToSheet();

    TaskStore &m_store;
    SheetFactory m_factory;
    SaveFeedbackPanel *m_feedback;
    QPointer<TallowinSheet> m_sheet;
    QSize m_sheetSize;
    std::optional<TallowinPresentation> m_shown;
    std::optional<std::string> m_customDateFor;
};

} // namespace tallowin
